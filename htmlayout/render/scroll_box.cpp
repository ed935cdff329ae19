#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {

scrollable* as_scroll_box(const litehtml::element::ptr& el) {
  auto* box = dynamic_cast<scrollable*>(el.get());
  return box && box->scrolls() ? box : nullptr;
}

}  // namespace htmlayout::render
