// Helpers the renderer's source files share (renderer.cpp and the
// renderer_*.cpp beside it) about the litehtml nodes of the mirror. Internal
// to the renderer.
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>

#include "htmlayout/dom/node.h"

namespace htmlayout::render::detail {

// True when the element and all its ancestors are displayed.
inline bool displayed(const litehtml::element* el) {
  for (litehtml::element::ptr at = el ? const_cast<litehtml::element*>(el)->shared_from_this()
                                      : nullptr;
       at; at = at->parent()) {
    if (!at->is_visible()) return false;
  }
  return el != nullptr;
}

inline litehtml::element::ptr shared(litehtml::element* el) {
  return el ? el->shared_from_this() : nullptr;
}

// How many elements lead from the root down to `e`, `e` included.
inline std::size_t depth_of(const element_node* e) {
  std::size_t depth = 0;
  for (const element_node* at = e; at; at = at->parent) ++depth;
  return depth;
}

}  // namespace htmlayout::render::detail
