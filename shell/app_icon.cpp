#include "shell/app_icon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pvl {

namespace {

QPixmap draw_icon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath square;
  qreal inset = size / 16.0;
  square.addRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size / 5.0,
                        size / 5.0);
  painter.fillPath(square, QColor(0x2f, 0x6f, 0xb3));
  // A quotation mark sits high in its line: centre its drawn outline.
  QFont font("DejaVu Serif");
  font.setPixelSize(int(size * 1.2));
  font.setBold(true);
  QPainterPath mark;
  mark.addText(0, 0, font, QString(QChar(0x201C)));
  QRectF shape = mark.boundingRect();
  painter.fillPath(mark.translated((size - shape.width()) / 2 - shape.left(),
                                   (size - shape.height()) / 2 - shape.top()),
                   Qt::white);
  return pixmap;
}

}  // namespace

QIcon parvela_icon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(draw_icon(size));
  return icon;
}

}  // namespace pvl
