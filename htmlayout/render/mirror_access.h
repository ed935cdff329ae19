// The renderer's litehtml mirror as of its last update, for the few that
// must see litehtml itself: the Qt host, which paints the mirror document
// through its own container; text positions, which measure the mirror's
// words; and the renderer's tests and benchmarks. Everyone else asks
// renderer.h in plain types.
#pragma once

#include <litehtml/litehtml.h>

#include "htmlayout/dom/element.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_internal.h"

namespace htmlayout::render {

// The mirror document; null before the first update.
inline const litehtml::document::ptr& mirror_document(const renderer& view) {
  return view.internals().mirror_doc_;
}

// The litehtml element that mirrors `e`, or null when `e` is not mirrored.
inline litehtml::element::ptr mirror_of(const renderer& view, const dom::element& e) {
  return view.internals().mirror_of(e);
}

// A rectangle of renderer.h in litehtml's terms.
inline litehtml::position to_position(const rect& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace htmlayout::render
