// A litehtml container without a screen, for tests and benchmarks: a character advances half the
// font size (ascent 3/4, descent 1/4); painting is recorded; clips, images and transforms ignored.
#pragma once

#include <litehtml/litehtml.h>

#include <string>
#include <vector>

#include "htmlayout/render/container_base.h"
#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {

struct paint_op {
  enum class kind { text, background, borders, list_marker, scroll_bar };
  kind what = kind::text;
  litehtml::position box;  // a background's clip box; a scroll bar's padding box
  litehtml::position border_box;  // background only
  std::string text;  // text, color and font only for text
  litehtml::web_color color;
  int font_size = 0, font_weight = 0;
  litehtml::borders borders;  // borders only
};

class headless_container : public container_base, public scroll_bar_painter {
 public:
  const std::vector<paint_op>& painted() const { return painted_; }
  void clear_painted() { painted_.clear(); }

  litehtml::uint_ptr create_font(const char*, int size, int weight, litehtml::font_style,
                                 unsigned int decoration, litehtml::font_metrics* fm) override {
    if (fm) {
      fm->ascent = size - size / 4;
      fm->descent = size / 4;
      fm->height = fm->ascent + fm->descent;
      fm->x_height = size / 2;
      fm->draw_spaces = decoration != 0;
    }
    return reinterpret_cast<litehtml::uint_ptr>(new font{size, weight});
  }
  void delete_font(litehtml::uint_ptr handle) override { delete reinterpret_cast<font*>(handle); }
  int text_width(const char* text, litehtml::uint_ptr handle) override {
    int code_points = 0;
    for (const char* c = text; *c; ++c) code_points += (static_cast<unsigned char>(*c) & 0xC0) != 0x80;
    return code_points * ((handle ? reinterpret_cast<font*>(handle)->size : 16) / 2);
  }
  void draw_text(litehtml::uint_ptr, const char* text, litehtml::uint_ptr handle,
                 litehtml::web_color color, const litehtml::position& pos) override {
    paint_op& op = record(paint_op::kind::text, pos);
    op.text = text;
    op.color = color;
    if (const font* used = reinterpret_cast<font*>(handle)) {
      op.font_size = used->size;
      op.font_weight = used->weight;
    }
  }
  int get_default_font_size() const override { return 16; }
  void draw_list_marker(litehtml::uint_ptr, const litehtml::list_marker& marker) override {
    record(paint_op::kind::list_marker, marker.pos);
  }
  void load_image(const char*, const char*, bool) override {}
  void get_image_size(const char*, const char*, litehtml::size& sz) override { sz = {}; }
  void draw_background(litehtml::uint_ptr, const litehtml::background_paint& bg) override {
    if (bg.color.alpha != 0 || !bg.image.empty())
      record(paint_op::kind::background, bg.clip_box).border_box = bg.border_box;
  }
  void draw_borders(litehtml::uint_ptr, const litehtml::borders& borders,
                    const litehtml::position& draw_pos, bool) override {
    record(paint_op::kind::borders, draw_pos).borders = borders;
  }
  void set_cursor(const char*) override {}
  void transform_text(litehtml::tstring&, litehtml::text_transform) override {}
  void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}
  void set_clip(const litehtml::position&, const litehtml::border_radiuses&, bool, bool) override {}
  void del_clip() override {}

  // scroll_bar_painter
  void draw_scroll_bar(litehtml::uint_ptr, const litehtml::position& padding_box,
                       const scroll_metrics&) override {
    record(paint_op::kind::scroll_bar, padding_box);
  }

 private:
  struct font { int size, weight; };
  paint_op& record(paint_op::kind what, const litehtml::position& box) {
    paint_op& op = painted_.emplace_back();
    op.what = what;
    op.box = box;
    return op;
  }

  std::vector<paint_op> painted_;
};

}  // namespace htmlayout::render
