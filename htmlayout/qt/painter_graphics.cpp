#include "htmlayout/qt/painter_graphics.h"

#include <QPen>

namespace htmlayout::qt {

void painter_graphics::line(point from, point to, color c, int width) {
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setPen(QPen(QColor(c.red, c.green, c.blue, c.alpha), width, Qt::SolidLine, Qt::RoundCap,
                       Qt::RoundJoin));
  painter_.drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
  painter_.restore();
}

}  // namespace htmlayout::qt
