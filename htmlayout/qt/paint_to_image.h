// Paints a laid-out document offscreen into an image: for tests that look at
// pixels and for the page tool.
#pragma once

#include <QImage>

#include "htmlayout/qt/qt_container.h"

namespace htmlayout::qt {

// The `width` x `height` viewport of `doc` whose top left corner is at
// (scroll_x, scroll_y) in document coordinates, painted by `container` (the
// document's own) on white. Lay the document out first.
QImage paint_to_image(litehtml::document& doc, qt_container& container, int width, int height,
                      int scroll_x = 0, int scroll_y = 0);

}  // namespace htmlayout::qt
