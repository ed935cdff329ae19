// The change notifications a document gives to whoever mirrors it (the
// renderer). Each call comes after the change is complete, except
// removing(), which comes while the node is still in place. Node pointers
// are valid for the call; an observer that keeps them must forget them when
// told they are removed. Observers must not change the document, nor add or
// remove observers, from these calls.
#pragma once

#include <string_view>

#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

class document_observer {
 public:
  virtual ~document_observer() = default;

  // A new document was loaded: everything known about the old tree is void.
  virtual void loaded() {}
  // The style sheets changed (one arrived late, or a style element was added
  // or removed); every element may have a new style.
  virtual void style_sheets_changed() {}
  // `n` (with everything below it) now sits in its parent at its slot.
  virtual void inserted(const node& /*n*/) {}
  // `n` (with everything below it) is about to leave its parent.
  virtual void removing(const node& /*n*/) {}
  virtual void attribute_changed(const element_node& /*e*/, atom /*name*/) {}
  virtual void state_changed(const element_node& /*e*/, uint32_t /*old_state*/) {}
  // Some element children of `parent` changed some of the state `bits` at
  // once (element::set_children_state): one notice for all of them.
  virtual void children_state_changed(const element_node& /*parent*/, uint32_t /*bits*/) {}
  // The content of `e` was replaced at once, by text or by the children of a
  // shelf (element::exchange_children): the old children left without
  // removing() calls and the new ones came without inserted() calls.
  virtual void text_changed(const element_node& /*e*/) {}
  // The computed style of `e` changed (after an attribute or state change).
  virtual void style_changed(const element_node& /*e*/) {}
  // The element children of `e` were reordered.
  virtual void children_reordered(const element_node& /*e*/) {}
  // The program asked for `e` to be redrawn (`render_now`: before returning
  // to the event loop).
  virtual void update_requested(const element_node& /*e*/, bool /*render_now*/) {}
  // Data arrived for a request made through document::request_data.
  virtual void data_arrived(std::string_view /*uri*/, std::string_view /*data*/) {}
};

}  // namespace htmlayout
