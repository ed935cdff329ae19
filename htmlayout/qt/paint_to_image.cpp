#include "htmlayout/qt/paint_to_image.h"

#include <QPainter>

namespace htmlayout::qt {

QImage paint_to_image(litehtml::document& doc, qt_container& container, int width, int height,
                      int scroll_x, int scroll_y) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  container.paint(doc, painter, litehtml::position(scroll_x, scroll_y, width, height), -scroll_x,
                  -scroll_y);
  painter.end();
  return image;
}

}  // namespace htmlayout::qt
