#include "htmlayout/qt/paint_to_image.h"

#include <QPainter>
#include <algorithm>

#include "htmlayout/render/mirror_access.h"

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

void paint_view(render::renderer& view, qt_container& container, QPainter& painter,
                const litehtml::position& clip) {
  view.update();
  if (const litehtml::document::ptr& mirror = render::mirror_document(view))
    container.paint(*mirror, painter, clip);
}

QImage paint_to_image(render::renderer& view, qt_container& container) {
  QImage image(std::max(1, view.viewport_width()), std::max(1, view.viewport_height()),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  paint_view(view, container, painter, {0, 0, image.width(), image.height()});
  painter.end();
  return image;
}

}  // namespace htmlayout::qt
