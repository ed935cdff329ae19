// The program's element behaviours: what quotes, tags, lists, buttons and
// menus of the main window do with the events the engine hands them. Each is
// one object that serves every element naming it in CSS; none keeps state
// about an element (that lives in the element's attributes and states).
// They turn gestures into controller actions (pvl::controller()) or, for the
// list edits and the manage-tags menu, straight into model events
// (pvl::model()). Exceptions from the controller and the model pass through.
#pragma once

#include <cstdint>
#include <functional>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"

namespace pvl {

// Puts the program's behaviours, and the engine's stock ones
// (htmlayout/stock_behaviors.h), into the engine's behaviour list, once per
// process; later calls do nothing. The objects live until the process ends.
// pvview's constructor calls it, so the page's elements find them.
void register_behaviors();

// The base of the program's behaviours: its mouse handling forwards the event
// to the controller (drag and drop) when the element has both a `class` and
// an `id`, with the pointer in document coordinates.
class behavior : public htmlayout::behavior {
 public:
  behavior(uint32_t subscription, const char* name) : htmlayout::behavior(subscription, name) {}
  ~behavior() override = default;

  // Calls on_mouse_event with the whole record.
  bool handle_mouse(const htmlayout::dom::element& he, htmlayout::mouse_params& params) override;

  // The behaviour's own mouse handling; by default the common forwarding.
  virtual bool on_mouse_event(const htmlayout::dom::element& he,
                              const htmlayout::mouse_params& params) {
    return forward_mouse(he, params);
  }

  // The common forwarding: false when the element lacks `class` or `id`,
  // otherwise a mouse_event vcaction to the controller and its answer.
  static bool forward_mouse(const htmlayout::dom::element& he,
                            const htmlayout::mouse_params& params);
};

// Runs one gesture's work and answers what it answers. An element id the
// work cannot use (missing, as on a tag row not saved yet, malformed, or
// naming a quote or tag that is gone) does not end the program: the line
// "Gesture ignored: " + the error's text goes to the log "app" and the
// answer is false. Other errors pass through.
bool run_gesture(const std::function<bool()>& work);

// Menu item click on an element whose behaviour serves a menu ("quote",
// "vtag", "searchbar"): a clicked item (`target`) with an `action` runs it
// with [he]; true. Without `action`, and for every other event, false; an
// element without id (a tag row not saved yet) runs nothing either.
bool run_menu_item(const htmlayout::dom::element& he, const htmlayout::behavior_event_params& p);

// The menu click of the two lists: the item's `action` runs with the list's
// table when it has "multiselect", otherwise with the first "div" of its
// checked row. false when the item has no `action` or that `div` has no id.
bool run_list_menu_item(const htmlayout::dom::element& list, const htmlayout::dom::element& item);

// Readies the manage-tags popup for `quote`: clears every checked item,
// checks the item mtmcheck-T of each tag T the stored quote carries (none
// when it is not stored) and sets the popup's "qid" to the quote's number.
// Raises what parse_element_id raises.
void prepare_popup(const htmlayout::dom::element& popup, const htmlayout::dom::element& quote);

}  // namespace pvl
