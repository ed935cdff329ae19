// Paints a laid-out document, or a renderer's window, offscreen into an
// image: for tests that look at pixels and for the page tools.
#pragma once

#include <QImage>

#include "htmlayout/qt/qt_container.h"
#include "htmlayout/render/renderer.h"

namespace htmlayout::qt {

// The `width` x `height` viewport of `doc` whose top left corner is at
// (scroll_x, scroll_y) in document coordinates, painted by `container` (the
// document's own) on white. Lay the document out first.
QImage paint_to_image(litehtml::document& doc, qt_container& container, int width, int height,
                      int scroll_x = 0, int scroll_y = 0);

// Brings `view` up to date and paints the part of its window under `clip`
// with `painter`, through `container` (the renderer's own).
void paint_view(render::renderer& view, qt_container& container, QPainter& painter,
                const litehtml::position& clip);

// The renderer's whole window painted on white.
QImage paint_to_image(render::renderer& view, qt_container& container);

}  // namespace htmlayout::qt
