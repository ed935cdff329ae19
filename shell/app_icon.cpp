#include "shell/app_icon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

namespace pvl {

namespace {

// The quotation mark's outline, drawn at `kMarkSize` and scaled for each
// icon size: the font is read once.
constexpr int kMarkSize = 128;

QPainterPath quotation_mark() {
  QFont font("DejaVu Serif");
  font.setPixelSize(int(kMarkSize * 1.2));
  font.setBold(true);
  QPainterPath mark;
  mark.addText(0, 0, font, QString(QChar(0x201C)));
  return mark;
}

QPixmap draw_icon(int size, const QPainterPath& mark_at_mark_size) {
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
  const QPainterPath mark =
      QTransform::fromScale(qreal(size) / kMarkSize, qreal(size) / kMarkSize).map(mark_at_mark_size);
  QRectF shape = mark.boundingRect();
  painter.fillPath(mark.translated((size - shape.width()) / 2 - shape.left(),
                                   (size - shape.height()) / 2 - shape.top()),
                   Qt::white);
  return pixmap;
}

}  // namespace

QIcon parvela_icon() {
  QIcon icon;
  const QPainterPath mark = quotation_mark();
  for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(draw_icon(size, mark));
  return icon;
}

}  // namespace pvl
