// Where the characters of an element's text show in the renderer's window:
// the caret of the element being edited in place, and the character
// boundary nearest a click, so that the click places the caret there.
// Offsets count characters (code points) of dom::element::text(), as the
// inline editor does; the words are measured with their own font through
// the renderer's container.
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>
#include <optional>

#include "htmlayout/dom/element.h"
#include "htmlayout/render/renderer.h"

namespace htmlayout::render {

// The caret before character `offset` of the text of `e` (an offset past the
// end means after the last character): a box one pixel wide and as tall as
// the line, in window coordinates. Empty (all zero) when `e` is not laid out.
litehtml::position caret_box(renderer& view, const dom::element& e, std::size_t offset);

// The character boundary in the text of `e` nearest to (x, y): on the line
// nearest to y, the boundary nearest to x. nullopt when `e` is not laid out.
std::optional<std::size_t> text_offset_at(renderer& view, const dom::element& e, int x, int y);

}  // namespace htmlayout::render
