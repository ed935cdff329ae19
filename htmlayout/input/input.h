// htmlayout::input: the interactive side of one document. The host (the Qt
// widget, or a test) hands it the pointer, the keys and the time; it finds
// elements at positions through a geometry (the renderer), sends the events
// to the elements' handlers, and does what the engine itself does with them:
// :hover, mouse capture, the focus and its events, buttons, links, radio and
// check buttons, popups, menus and context menus, in-place editing of the
// focused cell of an editable table, timers and the wheel.
//
// Dispatch. A mouse, key or focus event has a target element. It goes first
// down the path from the root to the target, to the handlers subscribed to
// its group, with the code plus `sinking`; then up from the target to the
// root with the plain code. The first handler that answers true ends it, and
// the engine's own handling of the event (below) is skipped as well. Handlers
// see the pointer relative to their own element (mouse_params::pos) and to
// the view (pos_document). Posted events are delivered when each call of the
// host ends. Exceptions from handlers pass out to the host.
//
// Mouse: the target is the deepest element under the pointer, or the element
// that holds the capture. When the element under the pointer changes, `leave`
// goes to the old one and `enter` to the new one, and the :hover state moves
// to the new one and its ancestors (while the capture is held it stays put).
// A press first hides the popups it falls outside of, then focuses the
// nearest focusable element around it (control, `a href`, [tabindex], or an
// element whose handler takes keys or focus; inside a popup only within the
// popup; a press inside the focused element leaves the focus there), then is
// dispatched. Unhandled, a main-button press on a button (or inside one)
// sends behaviour event button_press to it and gives it :active; the release
// inside it clicks it. A release on a menu item (`li`) of a popup activates
// the item; a right-button release over an element whose style names a
// context menu (`context-menu: selector(#id)`) shows that menu at the pointer.
//
// Clicks: a button sends button_click; a radio button (`type="radio"`) first
// becomes the checked one of the buttons of its `name` and a check box
// (`type="checkbox"`) toggles, each then sending button_state_changed; `a
// href` sends hyperlink_click. Behaviour method::click does the same.
//
// Menus: activating an item closes its popup and sends menu_item_click to the
// popup's owner (the anchor it was shown at, or the element whose context
// menu it is) with the item as target. A check item (`li type="check"`)
// toggles :checked and sends button_state_changed to its popup instead, which
// stays open. While a popup is shown, Escape hides it, Up and Down move
// :current among its items and Enter activates the current one.
//
// Keys go to the focused element (the root when none). An element being
// edited in place (inline_editor.h) takes characters and its editing keys
// after its own handlers, before its ancestors'; Enter and Escape go on up
// to the table. The pointer selects in it too: an unhandled main-button
// press places the caret (with Shift it extends the selection), moves with
// the button held extend the selection, and a double click selects all.
// Unhandled Enter or Space on a focused button or link presses and clicks it.
//
// Focus: a move sends focus::lost to the element losing it, with the element
// receiving it as target (null when none), then gives the focus state to the
// new one and sends it focus::got with the previous holder as target; each in
// both phases. A lost handler may set `cancel` to keep the focus, or move the
// focus itself, in which case the move goes on from the new holder. Setting
// state::focus on an element (dom::element::set_state) moves the focus this
// way, and clearing it from the focused element leaves nobody focused.
//
// The host: creates the input before loading the page; reports the pointer
// in view coordinates and keys as virtual key codes (keys.h) with text
// through characters(); advances the clock when next_timer_due() comes;
// after each call repaints what changed, draws popups() at their positions
// above the page and the caret(), and shows the cursor of hovered().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "htmlayout/dom/document_observer.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/interaction.h"
#include "htmlayout/input/geometry.h"
#include "htmlayout/input/inline_editor.h"
#include "htmlayout/input/timer_queue.h"

namespace htmlayout {

class document;

class input : public interaction, private document_observer {
 public:
  // Attaches to `doc` and finds positions through `layout`; both must outlive
  // it. It may be created before the page is loaded or after: timers the
  // behaviours set as they attached without an input are taken over, due one
  // interval after the clock's start. A document has at most one.
  input(document& doc, geometry& layout);
  ~input();
  input(const input&) = delete;
  input& operator=(const input&) = delete;

  // The input of the element's document, or null.
  static input* of(const dom::element& e);

  // ---- Pointer: positions in view coordinates ----
  // `buttons` are the buttons held, `button` the one pressed or released
  // (mouse::main_button, mouse::prop_button); `keys` the keyboard:: bits.
  void mouse_move(point p, uint32_t buttons, uint32_t keys);
  void mouse_down(point p, uint32_t button, uint32_t keys);
  void mouse_up(point p, uint32_t button, uint32_t keys);
  // The second press of a double click, in place of its mouse_down: acts as
  // a press, with the code mouse::double_click.
  void mouse_double_click(point p, uint32_t button, uint32_t keys);
  // The pointer left the view.
  void mouse_leave();
  // The wheel turned by `delta` pixels, positive towards the end of the
  // content: dispatched as mouse::wheel, then, unhandled, it scrolls the
  // innermost scrolling box under the pointer whose content overflows.
  void wheel(point p, int delta, uint32_t keys);

  // ---- Keys ----
  // `key_code` is a virtual key code (keys.h).
  void key_down(uint32_t key_code, uint32_t keys);
  void key_up(uint32_t key_code, uint32_t keys);
  // Text typed, from the keyboard or an input method: one key::chars event
  // per character.
  void characters(std::wstring_view text, uint32_t keys);
  // The view lost the keyboard to another window: the popups close, the
  // capture and a pressed button are let go. The focused element keeps its
  // focus.
  void view_deactivated();

  // ---- Time ----
  // Advances the timers' clock (timer_queue.h).
  void advance_clock(uint64_t now_ms);
  std::optional<uint64_t> next_timer_due() const { return timers_.next_due(); }
  // `changed` is called whenever a timer is set or stopped, so that the host
  // can wait for next_timer_due() again. It may come from within a handler.
  void set_timers_changed(std::function<void()> changed) { timers_changed_ = std::move(changed); }

  // ---- What the host shows ----
  struct shown_popup {
    dom::element element;
    dom::element owner;  // the anchor, or the element whose context menu it is
    point position;      // where its top left corner goes
  };
  // The popups shown, bottom to top.
  std::vector<shown_popup> popups() const;
  struct caret_position {
    dom::element element;  // the element being edited
    size_t offset;         // a character index into element.text()
    size_t anchor;         // the selection's other end (offset when none)
  };
  // The caret to draw, while an element is being edited.
  std::optional<caret_position> caret() const;
  // The element under the pointer (its cursor is the one to show).
  dom::element hovered() const;
  dom::element capture() const;

  // The clipboard the editor copies to and pastes from.
  void set_clipboard(clipboard_access clipboard) { editor_.set_clipboard(std::move(clipboard)); }

  // ---- Operations (also for behaviours, below) ----
  // Selects [from, to) of the text of `e`, the element being edited (or
  // about to be, once it has the focus); positions are clamped to the text.
  void select_text(const dom::element& e, size_t from, size_t to) { editor_.select(e, from, to); }
  // Mouse events go to `e` until the capture is released.
  void set_capture(const dom::element& e);
  void release_capture();
  void set_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id = 0);
  // Shows `popup` next to `anchor`, which becomes its owner; placement::below
  // puts its top left corner at the anchor's bottom left (other placements
  // are taken as below). Showing a shown popup moves it. The popup gets
  // state::popup, under which it is displayed whatever its style says.
  // False when either element is not in the document.
  bool show_popup(const dom::element& popup, const dom::element& anchor, uint32_t placement);
  // Shows `popup` with its top left corner at `p`, owned by `owner`.
  bool show_popup_at(const dom::element& popup, point p, const dom::element& owner);
  // Hides a shown popup; if the focus was inside it, the element that had
  // the focus when it was shown gets it back. False when it was not shown.
  bool hide_popup(const dom::element& popup);
  // Moves the focus to `e` (null: nobody) with the focus events.
  void set_focus(const dom::element& e, bool by_mouse = false);
  // The border box of `e` in view coordinates; nullopt when it is not
  // displayed or not in the document.
  std::optional<rect> location(const dom::element& e);
  // Scrolls the scrolling boxes around `e`, innermost first, each by the
  // least amount that brings `e` into its view (its top when `e` is taller),
  // or with `to_top` so that its top is at the top of the box. False when
  // `e` is not displayed in the document.
  bool scroll_to_view(const dom::element& e, bool to_top = false);

 private:
  // ---- For the document (interaction.h) ----
  // False while the input itself places the focus state.
  bool routes_focus() const override { return !placing_focus_; }
  void move_focus(const dom::element& e) override { set_focus(e); }
  // Behaviour method `params` that no handler of `e` took: method::click on
  // a button, link or menu item clicks it. Answers whether it did.
  bool default_method(const dom::element& e, method_params& params) override;

  struct popup_entry {
    shown_popup shown;
    dom::element focus_before;
  };

  bool in_document(const dom::element& e) const;
  dom::element hit_test(point p);
  dom::element pointer_target(const dom::element& hit) const;

  // Dispatch along the path of `target`; `at_target` (optional) runs after
  // the target's own handlers in the bubbling phase and ends the dispatch
  // when it answers true. Returns whether the event was handled.
  bool send_mouse(const dom::element& target, uint32_t code, point p, uint32_t buttons,
                  uint32_t keys);
  bool send_key(uint32_t code, uint32_t key_code, uint32_t keys);
  void send_focus(const dom::element& to, focus_params& params);
  bool propagate(const dom::element& target, uint32_t group, uint32_t& cmd, void* params,
                 const std::function<void(const dom::element&)>& prepare,
                 const std::function<bool()>& at_target);

  void press(point p, uint32_t button, uint32_t keys, uint32_t code);
  void track_hover(point p, uint32_t buttons, uint32_t keys, bool inside);
  void refresh_hover();
  void focus_for_click(const dom::element& hit);
  void move_focus(const dom::element& requested, bool by_mouse);
  void place_focus(const dom::element& to);

  bool click(const dom::element& control);
  bool press_and_click(const dom::element& control);
  bool activate_menu_item(const dom::element& item);
  // A new page: nothing of the old one is hovered, captured, shown or timed.
  void loaded() override;
  void show_context_menu(const dom::element& hit, point p);
  bool popup_key(uint32_t key_code);
  bool show(const dom::element& popup, const dom::element& owner, point at);
  void hide_all_popups();
  const popup_entry* popup_holding(const dom::element& e) const;
  dom::element menu_item_at(const dom::element& hit) const;
  void forget_removed();

  document& doc_;
  geometry& layout_;
  timer_queue timers_;
  std::function<void()> timers_changed_;
  inline_editor editor_;
  std::vector<popup_entry> popups_;        // bottom to top
  std::vector<dom::element> hover_chain_;  // the hovered element, then its ancestors
  dom::element hovered_;
  dom::element capture_;
  dom::element pressed_;                    // the button or link a main-button press went to
  std::vector<dom::element> losing_focus_;  // being told they lose the focus
  point pointer_;
  bool pointer_inside_ = false;
  bool selecting_ = false;  // a main-button press in the edited element, until its release
  bool placing_focus_ = false;
};

// Engine operations for behaviours, carried out by the input of the
// element's document. Without one they do nothing and answer false, except
// set_timer, which the document keeps for the input to come (true).
bool set_capture(const dom::element& e);
// Releases the capture in the element's document, whoever holds it.
bool release_capture(const dom::element& any);
bool set_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id = 0);
bool show_popup(const dom::element& popup, const dom::element& anchor, uint32_t placement);
bool hide_popup(const dom::element& popup);
// nullopt also without an input.
std::optional<rect> element_location(const dom::element& e);
bool scroll_to_view(const dom::element& e, bool to_top = false);
// Selects [from, to) of the text of `e` in its editor (input::select_text).
bool select_text(const dom::element& e, size_t from, size_t to);

}  // namespace htmlayout
