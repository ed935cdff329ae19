// The engine's own changes of the tree, shared by the element handles and the
// document. Each keeps the document's indexes, styles, behaviours and
// observers in step; on elements outside any document they only change the
// nodes. Internal to the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

struct tree_ops {
  // Places `nodes` (new, or elements outside any document) in `parent` before
  // child position `position` (text children count).
  static void insert(element_node* parent, size_t position, const std::vector<node*>& nodes);
  // Takes `n` out of its parent. With `destroy` (always for text), `n` and
  // everything below it is destroyed; otherwise it lives on outside any
  // document while handles refer to it.
  static void remove(node* n, bool destroy);
  // Destroys every child of `e` (the first exception of a handler comes
  // after all are gone).
  static void clear_children(element_node* e);
  // Destroys an element outside any document once no handle refers to it.
  // An exception from a handler's detached() is raised after the
  // destruction is complete (from a handle's destructor it ends the program,
  // as any exception from a destructor does).
  static void destroy_unreferenced(element_node* e);
  static void set_attribute(element_node* e, atom name, std::string_view value);
  static void remove_attribute(element_node* e, atom name);
  static void set_state(element_node* e, uint32_t to_set, uint32_t to_clear, bool update);
  // set_state(child, to_set, to_clear, false) for the element children of
  // `parent` from child position `from` on (with `shown_only`, those whose
  // display is not "none"), with one notice (the focus bit is left alone).
  static void set_children_state(element_node* parent, size_t from, uint32_t to_set,
                                 uint32_t to_clear, bool shown_only);
  // Replaces the content of `e` by one text node (none for empty text).
  static void replace_with_text(element_node* e, std::string text);
  // Puts the children of `parent` in the given order (the same nodes).
  static void reorder(element_node* parent, const std::vector<node*>& children);
  // Exchanges the children of `e` and of `shelf` (document::create_shelf),
  // both of one document, keeping every child registered there.
  static void exchange_children(element_node* e, element_node* shelf);
  static void request_update(element_node* e, bool render_now);

  static void attach_handler(element_node* e, const handler_binding& binding);
  static void detach_handler(element_node* e, element_event_proc proc, void* tag);
  // Calls the handlers of `e` subscribed to `group` in attachment order until
  // one answers true (initialization reaches every handler).
  static bool call_handlers(element_node* e, uint32_t group, void* params);
  static bool send_event(element_node* e, uint32_t code, const dom::element& source,
                         uintptr_t reason);
  static void post_event(element_node* e, uint32_t code, const dom::element& source,
                         uintptr_t reason);

 private:
  static void destroy_subtree(element_node* top);
};

}  // namespace htmlayout
