#include "htmlayout/render/testing/headless_container.h"

namespace htmlayout::render {

namespace {

int code_points(const char* text) {
  int count = 0;
  for (const char* c = text; *c; ++c) {
    if ((static_cast<unsigned char>(*c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

paint_op& headless_container::record(paint_op::kind what, const litehtml::position& box) {
  paint_op& op = painted_.emplace_back();
  op.what = what;
  op.box = box;
  return op;
}

litehtml::uint_ptr headless_container::create_font(const char* /*face_name*/, int size, int weight,
                                                   litehtml::font_style /*italic*/,
                                                   unsigned int decoration,
                                                   litehtml::font_metrics* fm) {
  auto* created = new font{size, weight};
  if (fm) {
    fm->ascent = size - size / 4;
    fm->descent = size / 4;
    fm->height = fm->ascent + fm->descent;
    fm->x_height = size / 2;
    fm->draw_spaces = decoration != 0;
  }
  return reinterpret_cast<litehtml::uint_ptr>(created);
}

void headless_container::delete_font(litehtml::uint_ptr handle) {
  delete reinterpret_cast<font*>(handle);
}

int headless_container::text_width(const char* text, litehtml::uint_ptr handle) {
  const auto* used = reinterpret_cast<const font*>(handle);
  const int size = used ? used->size : kDefaultFontSize;
  return code_points(text) * (size / 2);
}

void headless_container::draw_text(litehtml::uint_ptr /*hdc*/, const char* text,
                                   litehtml::uint_ptr handle, litehtml::web_color color,
                                   const litehtml::position& pos) {
  paint_op& op = record(paint_op::kind::text, pos);
  op.text = text;
  op.color = color;
  if (const auto* used = reinterpret_cast<const font*>(handle)) {
    op.font_size = used->size;
    op.font_weight = used->weight;
  }
}

int headless_container::get_default_font_size() const { return kDefaultFontSize; }

void headless_container::draw_list_marker(litehtml::uint_ptr /*hdc*/,
                                          const litehtml::list_marker& marker) {
  paint_op& op = record(paint_op::kind::list_marker, marker.pos);
  op.color = marker.color;
  op.text = marker.image;
}

// Images are never loaded and take no room.
void headless_container::load_image(const char*, const char*, bool) {}

void headless_container::get_image_size(const char*, const char*, litehtml::size& sz) {
  sz = litehtml::size();
}

void headless_container::draw_background(litehtml::uint_ptr /*hdc*/,
                                         const litehtml::background_paint& bg) {
  if (bg.color.alpha == 0 && bg.image.empty()) return;
  paint_op& op = record(paint_op::kind::background, bg.clip_box);
  op.border_box = bg.border_box;
  op.color = bg.color;
  op.text = bg.image;
}

void headless_container::draw_borders(litehtml::uint_ptr /*hdc*/, const litehtml::borders& borders,
                                      const litehtml::position& draw_pos, bool /*root*/) {
  paint_op& op = record(paint_op::kind::borders, draw_pos);
  op.border_box = draw_pos;
  op.borders = borders;
  op.color = borders.top.color;
}

void headless_container::set_cursor(const char* /*cursor*/) {}

void headless_container::transform_text(litehtml::tstring&, litehtml::text_transform) {}

void headless_container::import_css(litehtml::tstring& /*text*/, const litehtml::tstring& /*url*/,
                                    litehtml::tstring& /*baseurl*/) {}

void headless_container::set_clip(const litehtml::position&, const litehtml::border_radiuses&,
                                  bool, bool) {}

void headless_container::del_clip() {}

void headless_container::draw_scroll_bar(litehtml::uint_ptr /*hdc*/,
                                         const litehtml::position& padding_box,
                                         const scroll_metrics&) {
  record(paint_op::kind::scroll_bar, padding_box);
}

}  // namespace htmlayout::render
