// What a document asks of its interactive side (htmlayout/input/input.h),
// which registers itself with document::set_interaction for its lifetime.
// The document model knows input only through this, as the renderer knows
// the document only through document_observer. Without one registered, the
// focus state is set on elements as asked and behaviour methods that no
// handler takes are not done.
#pragma once

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"

namespace htmlayout {

class interaction {
 public:
  virtual ~interaction() = default;

  // False while the interactive side itself places the focus state: then a
  // focus change asked through element states is applied as it stands.
  virtual bool routes_focus() const = 0;
  // Moves the focus to `e` (null: nobody) with the focus events; asked for
  // while routes_focus() when an element state gains or loses focus.
  virtual void move_focus(const dom::element& e) = 0;
  // Behaviour method `params` that no handler of `e` took (for instance
  // method::click on a button, link or menu item). Answers whether it was
  // done.
  virtual bool default_method(const dom::element& e, method_params& params) = 0;
};

}  // namespace htmlayout
