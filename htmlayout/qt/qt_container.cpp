#include "htmlayout/qt/qt_container.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainterPath>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "htmlayout/qt/scroll_bar.h"

namespace htmlayout::qt {

namespace {

QColor to_qcolor(const litehtml::web_color& color) {
  return QColor(color.red, color.green, color.blue, color.alpha);
}

QRect to_qrect(const litehtml::position& pos) { return QRect(pos.x, pos.y, pos.width, pos.height); }

bool has_radius(const litehtml::border_radiuses& r) {
  return r.top_left_x || r.top_left_y || r.top_right_x || r.top_right_y || r.bottom_right_x ||
         r.bottom_right_y || r.bottom_left_x || r.bottom_left_y;
}

// A rectangle with its own radius at each corner.
QPainterPath rounded_rect(const QRectF& rect, const litehtml::border_radiuses& r) {
  QPainterPath path;
  const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
  auto clamp_radius = [&](int radius, qreal extent) {
    return std::clamp<qreal>(radius, 0.0, extent / 2);
  };
  const qreal tlx = clamp_radius(r.top_left_x, w), tly = clamp_radius(r.top_left_y, h);
  const qreal trx = clamp_radius(r.top_right_x, w), try_ = clamp_radius(r.top_right_y, h);
  const qreal brx = clamp_radius(r.bottom_right_x, w), bry = clamp_radius(r.bottom_right_y, h);
  const qreal blx = clamp_radius(r.bottom_left_x, w), bly = clamp_radius(r.bottom_left_y, h);
  path.moveTo(x + tlx, y);
  path.lineTo(x + w - trx, y);
  if (trx && try_) path.arcTo(x + w - 2 * trx, y, 2 * trx, 2 * try_, 90, -90);
  path.lineTo(x + w, y + h - bry);
  if (brx && bry) path.arcTo(x + w - 2 * brx, y + h - 2 * bry, 2 * brx, 2 * bry, 0, -90);
  path.lineTo(x + blx, y + h);
  if (blx && bly) path.arcTo(x, y + h - 2 * bly, 2 * blx, 2 * bly, 270, -90);
  path.lineTo(x, y + tly);
  if (tlx && tly) path.arcTo(x, y, 2 * tlx, 2 * tly, 180, -90);
  path.closeSubpath();
  return path;
}

enum class side { top, right, bottom, left };

struct side_widths {
  qreal top, right, bottom, left;
};

// The trapezoid one side of a border fills between `outer` and the rectangle
// `widths` inside it.
QPolygonF side_polygon(const QRectF& outer, const side_widths& widths, side which) {
  const qreal l = outer.left(), t = outer.top(), r = outer.right(), b = outer.bottom();
  switch (which) {
    case side::top:
      return QPolygonF(
          {{l, t}, {r, t}, {r - widths.right, t + widths.top}, {l + widths.left, t + widths.top}});
    case side::right:
      return QPolygonF({{r, t},
                        {r, b},
                        {r - widths.right, b - widths.bottom},
                        {r - widths.right, t + widths.top}});
    case side::bottom:
      return QPolygonF({{l, b},
                        {r, b},
                        {r - widths.right, b - widths.bottom},
                        {l + widths.left, b - widths.bottom}});
    case side::left:
      return QPolygonF({{l, t},
                        {l, b},
                        {l + widths.left, b - widths.bottom},
                        {l + widths.left, t + widths.top}});
  }
  return {};
}

QRectF deflated(const QRectF& rect, const side_widths& w) {
  return rect.adjusted(w.left, w.top, -w.right, -w.bottom);
}

side_widths scaled(const side_widths& w, qreal factor) {
  return {w.top * factor, w.right * factor, w.bottom * factor, w.left * factor};
}

// Sides lit from the top left: inset shows the top and left in shadow.
QColor shaded(const QColor& color, side which, bool sunken) {
  const bool upper = which == side::top || which == side::left;
  return upper == sunken ? color.darker(160) : color.lighter(140);
}

void draw_side(QPainter& painter, const QRectF& outer, const side_widths& widths, side which,
               const litehtml::border& border) {
  QColor color = to_qcolor(border.color);
  auto fill = [&](const QRectF& rect, const side_widths& w, const QColor& c) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(c);
    painter.drawPolygon(side_polygon(rect, w, which));
  };
  switch (border.style) {
    case litehtml::border_style_none:
    case litehtml::border_style_hidden:
      return;
    case litehtml::border_style_dotted:
    case litehtml::border_style_dashed: {
      QPen pen(color, border.width,
               border.style == litehtml::border_style_dotted ? Qt::DotLine : Qt::DashLine,
               Qt::FlatCap);
      painter.setPen(pen);
      const qreal half = border.width / 2.0;
      switch (which) {
        case side::top:
          painter.drawLine(QPointF(outer.left(), outer.top() + half),
                           QPointF(outer.right(), outer.top() + half));
          break;
        case side::bottom:
          painter.drawLine(QPointF(outer.left(), outer.bottom() - half),
                           QPointF(outer.right(), outer.bottom() - half));
          break;
        case side::left:
          painter.drawLine(QPointF(outer.left() + half, outer.top()),
                           QPointF(outer.left() + half, outer.bottom()));
          break;
        case side::right:
          painter.drawLine(QPointF(outer.right() - half, outer.top()),
                           QPointF(outer.right() - half, outer.bottom()));
          break;
      }
      return;
    }
    case litehtml::border_style_double: {
      const side_widths third = scaled(widths, 1.0 / 3);
      fill(outer, third, color);
      fill(deflated(outer, scaled(widths, 2.0 / 3)), third, color);
      return;
    }
    case litehtml::border_style_groove:
    case litehtml::border_style_ridge: {
      const bool groove = border.style == litehtml::border_style_groove;
      const side_widths half = scaled(widths, 0.5);
      fill(outer, half, shaded(color, which, groove));
      fill(deflated(outer, half), half, shaded(color, which, !groove));
      return;
    }
    case litehtml::border_style_inset:
    case litehtml::border_style_outset:
      fill(outer, widths, shaded(color, which, border.style == litehtml::border_style_inset));
      return;
    case litehtml::border_style_solid:
      fill(outer, widths, color);
      return;
  }
}

bool same_border(const litehtml::border& a, const litehtml::border& b) {
  return a.width == b.width && a.style == b.style && a.color.red == b.color.red &&
         a.color.green == b.color.green && a.color.blue == b.color.blue &&
         a.color.alpha == b.color.alpha;
}

QString family_for(QString name) {
  name = name.trimmed();
  name.remove('"');
  name.remove('\'');
  if (name == "sans-serif") return "DejaVu Sans";
  if (name == "serif") return "DejaVu Serif";
  if (name == "monospace") return "DejaVu Sans Mono";
  return name;
}

// Without a format, or with one and detection on, Qt asks every image plugin
// whether it reads the bytes, loading each; a PNG (every picture the program
// ships) goes straight to Qt's own reader.
QImage read_image(QByteArray bytes) {
  static constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
  if (!bytes.startsWith(QByteArrayView(kPngSignature, 8))) return QImage::fromData(bytes);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

}  // namespace

qt_container::qt_container(resource_loader loader)
    : loader_(std::move(loader)), style_loader_(loader_) {}

qt_container::~qt_container() = default;

void qt_container::paint(litehtml::document& doc, QPainter& painter, const litehtml::position& clip,
                         int x, int y) {
  painter.save();
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  litehtml::position painted = clip;
  painted.x += x;
  painted.y += y;
  painter.setClipRect(to_qrect(painted), Qt::IntersectClip);
  painter_ = &painter;
  doc.draw(reinterpret_cast<litehtml::uint_ptr>(&painter), x, y, &painted);
  for (; clip_depth_ > 0; --clip_depth_) painter.restore();
  painter_ = nullptr;
  painter.restore();
}

litehtml::uint_ptr qt_container::create_font(const char* face_name, int size, int weight,
                                             litehtml::font_style italic, unsigned int decoration,
                                             litehtml::font_metrics* fm) {
  QFont qfont;
  QStringList families;
  for (const QString& name : QString::fromUtf8(face_name ? face_name : "").split(',')) {
    const QString family = family_for(name);
    if (!family.isEmpty()) families << family;
  }
  if (families.isEmpty()) families << get_default_font_name();
  qfont.setFamilies(families);
  qfont.setPixelSize(std::max(1, size));
  qfont.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
  qfont.setItalic(italic == litehtml::fontStyleItalic);
  qfont.setUnderline(decoration & litehtml::font_decoration_underline);
  qfont.setStrikeOut(decoration & litehtml::font_decoration_linethrough);
  qfont.setOverline(decoration & litehtml::font_decoration_overline);
  qfont.setStyleStrategy(QFont::PreferAntialias);
  qfont.setKerning(false);  // words are measured and drawn one by one
  auto* created = new font{qfont, QFontMetrics(qfont)};
  if (fm) {
    fm->ascent = created->metrics.ascent();
    fm->descent = created->metrics.descent();
    fm->height = created->metrics.height();
    fm->x_height = created->metrics.xHeight();
    // Spaces carry the underline and strike-out between words.
    fm->draw_spaces = decoration != 0;
  }
  return reinterpret_cast<litehtml::uint_ptr>(created);
}

void qt_container::delete_font(litehtml::uint_ptr handle) {
  delete reinterpret_cast<font*>(handle);
}

int qt_container::text_width(const char* text, litehtml::uint_ptr handle) {
  const auto* used = reinterpret_cast<const font*>(handle);
  if (!used) return 0;
  return used->metrics.horizontalAdvance(QString::fromUtf8(text));
}

void qt_container::draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr handle,
                             litehtml::web_color color, const litehtml::position& pos) {
  auto* painter = reinterpret_cast<QPainter*>(hdc);
  const auto* used = reinterpret_cast<const font*>(handle);
  if (!painter || !used) return;
  painter->setFont(used->qfont);
  painter->setPen(to_qcolor(color));
  painter->drawText(QPointF(pos.x, pos.y + used->metrics.ascent()), QString::fromUtf8(text));
}

int qt_container::get_default_font_size() const { return kDefaultFontSize; }

void qt_container::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
  auto* painter = reinterpret_cast<QPainter*>(hdc);
  if (!painter) return;
  const QRect box = to_qrect(marker.pos);
  if (!marker.image.empty()) {
    if (const QImage* picture = image(marker.image)) painter->drawImage(box, *picture);
    return;
  }
  const QColor color = to_qcolor(marker.color);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  switch (marker.marker_type) {
    case litehtml::list_style_type_circle:
      painter->setPen(QPen(color, 1));
      painter->setBrush(Qt::NoBrush);
      painter->drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
      break;
    case litehtml::list_style_type_square:
      painter->fillRect(box, color);
      break;
    default:
      painter->setPen(Qt::NoPen);
      painter->setBrush(color);
      painter->drawEllipse(box);
      break;
  }
  painter->restore();
}

const QImage* qt_container::image(const std::string& url) {
  auto found = images_.find(url);
  if (found == images_.end()) {
    QImage loaded;
    if (loader_) loaded = read_image(loader_(url));
    found = images_.emplace(url, std::move(loaded)).first;
  }
  return found->second.isNull() ? nullptr : &found->second;
}

void qt_container::load_image(const char* src, const char* /*baseurl*/, bool /*redraw_on_ready*/) {
  if (src) image(src);
}

void qt_container::get_image_size(const char* src, const char* /*baseurl*/, litehtml::size& sz) {
  sz = litehtml::size();
  if (const QImage* picture = src ? image(src) : nullptr) {
    sz.width = picture->width();
    sz.height = picture->height();
  }
}

void qt_container::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
  auto* painter = reinterpret_cast<QPainter*>(hdc);
  if (!painter) return;
  const QImage* picture = bg.image.empty() ? nullptr : image(bg.image);
  if (bg.color.alpha == 0 && !picture) return;
  painter->save();
  const QRect area = to_qrect(bg.clip_box);
  if (has_radius(bg.border_radius)) {
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setClipPath(rounded_rect(area, bg.border_radius), Qt::IntersectClip);
  } else {
    painter->setClipRect(area, Qt::IntersectClip);
  }
  if (bg.color.alpha) painter->fillRect(area, to_qcolor(bg.color));
  if (picture) {
    const int width = bg.image_size.width > 0 ? bg.image_size.width : picture->width();
    const int height = bg.image_size.height > 0 ? bg.image_size.height : picture->height();
    if (width > 0 && height > 0) {
      const QImage tile =
          (width == picture->width() && height == picture->height())
              ? *picture
              : picture->scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      const bool repeat_x = bg.repeat == litehtml::background_repeat_repeat ||
                            bg.repeat == litehtml::background_repeat_repeat_x;
      const bool repeat_y = bg.repeat == litehtml::background_repeat_repeat ||
                            bg.repeat == litehtml::background_repeat_repeat_y;
      auto first = [](int position, int start, int step) {
        return position - static_cast<int>(std::ceil((position - start) / double(step))) * step;
      };
      const int x0 = repeat_x ? first(bg.position_x, area.left(), width) : bg.position_x;
      const int y0 = repeat_y ? first(bg.position_y, area.top(), height) : bg.position_y;
      const int x1 = repeat_x ? area.right() + 1 : x0 + 1;
      const int y1 = repeat_y ? area.bottom() + 1 : y0 + 1;
      for (int ty = y0; ty < y1; ty += height) {
        for (int tx = x0; tx < x1; tx += width) painter->drawImage(QPoint(tx, ty), tile);
      }
    }
  }
  painter->restore();
}

void qt_container::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                                const litehtml::position& draw_pos, bool /*root*/) {
  auto* painter = reinterpret_cast<QPainter*>(hdc);
  if (!painter) return;
  const QRectF outer = to_qrect(draw_pos);
  const side_widths widths{
      static_cast<qreal>(borders.top.style > litehtml::border_style_hidden ? borders.top.width : 0),
      static_cast<qreal>(borders.right.style > litehtml::border_style_hidden ? borders.right.width
                                                                             : 0),
      static_cast<qreal>(borders.bottom.style > litehtml::border_style_hidden ? borders.bottom.width
                                                                              : 0),
      static_cast<qreal>(borders.left.style > litehtml::border_style_hidden ? borders.left.width
                                                                            : 0)};
  painter->save();
  const bool uniform = same_border(borders.top, borders.right) &&
                       same_border(borders.top, borders.bottom) &&
                       same_border(borders.top, borders.left);
  if (has_radius(borders.radius) && uniform && borders.top.width > 0 &&
      (borders.top.style == litehtml::border_style_solid ||
       borders.top.style == litehtml::border_style_double)) {
    // A rounded ring: the outer rounded box less the inner one.
    painter->setRenderHint(QPainter::Antialiasing, true);
    litehtml::border_radiuses inner_radii = borders.radius;
    litehtml::margins inset;
    inset.left = inset.right = inset.top = inset.bottom = borders.top.width;
    inner_radii -= inset;
    QPainterPath ring = rounded_rect(outer, borders.radius);
    ring.addPath(rounded_rect(deflated(outer, widths), inner_radii));
    ring.setFillRule(Qt::OddEvenFill);
    painter->fillPath(ring, to_qcolor(borders.top.color));
  } else {
    painter->setRenderHint(QPainter::Antialiasing, false);
    draw_side(*painter, outer, widths, side::top, borders.top);
    draw_side(*painter, outer, widths, side::right, borders.right);
    draw_side(*painter, outer, widths, side::bottom, borders.bottom);
    draw_side(*painter, outer, widths, side::left, borders.left);
  }
  painter->restore();
}

void qt_container::set_cursor(const char* cursor) { cursor_ = cursor ? cursor : "auto"; }

void qt_container::transform_text(litehtml::tstring& text, litehtml::text_transform tt) {
  QString transformed = QString::fromUtf8(text.c_str());
  if (tt == litehtml::text_transform_uppercase) {
    transformed = transformed.toUpper();
  } else if (tt == litehtml::text_transform_lowercase) {
    transformed = transformed.toLower();
  } else if (tt == litehtml::text_transform_capitalize && !transformed.isEmpty()) {
    transformed[0] = transformed[0].toUpper();
  }
  text = transformed.toStdString();
}

void qt_container::import_css(litehtml::tstring& text, const litehtml::tstring& url,
                              litehtml::tstring& /*baseurl*/) {
  text = style_loader_ ? style_loader_(url).toStdString() : std::string();
}

void qt_container::set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radii,
                            bool valid_x, bool valid_y) {
  if (!painter_) return;
  painter_->save();
  ++clip_depth_;
  QRect area = to_qrect(pos);
  constexpr int kUnbounded = 1 << 24;
  if (!valid_x) area.setLeft(-kUnbounded), area.setRight(kUnbounded);
  if (!valid_y) area.setTop(-kUnbounded), area.setBottom(kUnbounded);
  if (has_radius(radii) && valid_x && valid_y) {
    painter_->setClipPath(rounded_rect(area, radii), Qt::IntersectClip);
  } else {
    painter_->setClipRect(area, Qt::IntersectClip);
  }
}

void qt_container::del_clip() {
  if (!painter_ || clip_depth_ == 0) return;
  painter_->restore();
  --clip_depth_;
}

void qt_container::draw_scroll_bar(litehtml::uint_ptr hdc, const litehtml::position& padding_box,
                                   const render::scroll_metrics& metrics) {
  auto* painter = reinterpret_cast<QPainter*>(hdc);
  const scroll_bar_geometry bar = scroll_bar_for(padding_box, metrics);
  if (!painter || bar.track.isEmpty()) return;
  const qreal radius = bar.track.width() / 2.0;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(Qt::NoPen);
  if (metrics.always_show_bar) {
    painter->setBrush(QColor(0, 0, 0, 25));
    painter->drawRoundedRect(bar.track, radius, radius);
  }
  if (!bar.thumb.isEmpty()) {
    painter->setBrush(QColor(0, 0, 0, 100));
    painter->drawRoundedRect(bar.thumb, radius, radius);
  }
  painter->restore();
}

}  // namespace htmlayout::qt
