// pvcontroller: the one place where user gestures become changes of the
// collection. `send` takes the low-level messages (mouse events on elements,
// which drive drag and drop, and captured texts); `interpret_action` takes
// named actions, turns the elements they name into quote and tag ids, logs
// them and hands one model event to the model (pvl::model()), or, for
// "rename_vtag", one view event to the view. It never touches the database
// and changes the document only to end a tag's editing ("rename_tag").
//
// Everything runs on the user-interface thread; nothing is locked.
#pragma once

#include <string>
#include <string_view>

#include "controller/action.h"
#include "controller/drag_mgr.h"
#include "controller/vcaction.h"
#include "fml/whoami.h"
#include "model/view_event.h"

namespace pvl {

class pvcontroller : public whoami {
 public:
  // Builds the drag manager, which reads "DragMgr.xml" from "ParvelaDir"
  // (DragMgr's constructor says what it raises), then writes "Controller
  // init" to the log "debug".
  pvcontroller();
  // Writes "Controller destruct" to "debug".
  ~pvcontroller() override;

  pvcontroller(const pvcontroller&) = delete;
  pvcontroller& operator=(const pvcontroller&) = delete;

  std::string name() const override { return "controller"; }

  // Writes "Controller send action. type: " + the type to "debug", then:
  // - captured_text: runs the action "add_quote" with the text; true.
  // - mouse_event: one step of drag and drop (below); true when the event
  //   was consumed, so the element's own handling stops.
  // Raises wrong_vcaction "pvcontroller::send" for type none,
  // fml::deprecated "pvcontroller::send vcaction::init" for init, and
  // unknown_vcaction "pvcontroller::send" for any other type.
  //
  // Drag and drop, by the record's event code (sinking codes are ignored):
  // - main-button press: "dnd ready: " + the element's id to "cntrl". The
  //   press that armed a source, passed on by an element around it (or
  //   repeated by the source), leaves the innermost source armed. Any other
  //   press starts a new gesture: a source still armed (its release was
  //   never seen) is let go without an action ("dnd cancel: " + its id to
  //   "cntrl"), and the element is armed if the configuration lists it as a
  //   source. false, so the element's own handling goes on.
  // - main-button release: "dnd stop: " + the armed source's id to "cntrl";
  //   the drop on the element (DragMgr::drop) and its answer.
  // - move: when a source is armed, not yet dragged, and the pointer is more
  //   than 3 pixels away from where it was armed in x or in y: "dnd start: "
  //   + the source's id to "cntrl", the drag starts, true. Otherwise false.
  // - anything else, and presses and releases of other buttons: false.
  bool send(const vcaction& message);

  // Writes "Controller send interpret_action. type: " + the name to "debug"
  // and carries the action out completely (model and view updates
  // included). Every id is read before the action's line goes to "cntrl"
  // and before anything is sent, so a malformed id leaves the model
  // untouched. Raises unknown_vcaction (no text) for an unknown name,
  // fml::exception when an action that needs a parameter has none or one of
  // another kind ("interpret_action <name>: no parameter" / "...: wrong
  // parameter", the latter also written to "debug"), what
  // parse_element_id and checked_ids raise, and passes on what the model
  // and the view raise.
  //
  // The actions, their parameter (action.h) and what they send (Q and T are
  // the numbers of the quote and tag elements, element_ids.h):
  //   mark_quote_with_tag  [tag, quote]   model mark_quote {Q, T}
  //   mark_tag_with_quote  [quote, tag]   model mark_quote {Q, T}
  //   delete_quote_mark    [qtag]         model delete_mark {quote_of_qtag, T}
  //   delete_vtag          [tag]          model delete_tag T
  //   delete_quote         [quote]        model delete_quote Q
  //   add_search_tag       [tag]          model add_search_tag T
  //   delete_search_tag    [tag]          model delete_search_tag T
  //   copy_quote           [quote]        model copy_quote Q
  //   copy_quote_with_data [quote]        model copy_quote_with_data Q
  //   delete_vtags, delete_quotes, add_search_tags, copy_quotes,
  //   copy_quotes_with_data  [table]      the model's list event with the
  //                                       checked rows' numbers
  //   add_quote            UTF-8 text     model add_quote (the same text)
  //   add_tag              text           model add_tag (the same text)
  //   rename_vtag          [tag]          view vedit_tag (the tag's element)
  //   rename_tag           element_and_name: removes the element's
  //                        "editable" attribute, redraws it, model
  //                        rename_tag {T, name}
  //   export_data          path           model export_data (the same path)
  //   clear_search_tags, set_search_mode_and, set_search_mode_or: nothing;
  //                        the model event of the same name.
  void interpret_action(const action& request);

  // Whether `name` is an action whose parameter is an element array, which
  // a drop can run with [dragged element, target].
  static bool is_drop_action(std::wstring_view name);

  // Where view events go from now on; null (the initial state) drops them.
  // The sink must stay alive while it is installed.
  void set_view(view_event_sink* view);

  DragMgr& drag_manager() { return drag_; }

 private:
  bool mouse_step(const htmlayout::dom::element& on, const mouse_record& mouse);

  DragMgr drag_;
  view_event_sink* view_ = nullptr;
};

}  // namespace pvl
