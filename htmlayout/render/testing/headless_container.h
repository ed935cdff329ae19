// A litehtml document container without a screen, for tests and benchmarks:
// text is measured with fixed metrics (every character advances half the font
// size; ascent is three quarters of the size, descent a quarter) and painting
// is recorded as a list of operations, so tests can assert on what was drawn
// and where; clips and text transforms are ignored. Elements come from create_element().
#pragma once

#include <litehtml/litehtml.h>

#include <string>
#include <vector>

#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/container_base.h"

namespace htmlayout::render {

struct paint_op {
  enum class kind { text, background, borders, list_marker, scroll_bar };
  kind what = kind::text;
  // text: the run's box; background: the clip box (border_box holds the
  // border box); borders: the border box; list marker: the marker's box;
  // scroll bar: the box's padding box.
  litehtml::position box;
  litehtml::position border_box;
  std::string text;  // text: the run; background: the image URL, if any
  litehtml::web_color color;
  int font_size = 0;          // text only
  int font_weight = 0;        // text only
  litehtml::borders borders;  // borders only
};

class headless_container : public container_base, public scroll_bar_painter {
 public:
  const std::vector<paint_op>& painted() const { return painted_; }
  void clear_painted() { painted_.clear(); }

  static constexpr int kDefaultFontSize = 16;

  // litehtml::document_container (the rest: container_base)
  litehtml::uint_ptr create_font(const char* face_name, int size, int weight,
                                 litehtml::font_style italic, unsigned int decoration,
                                 litehtml::font_metrics* fm) override;
  void delete_font(litehtml::uint_ptr font) override;
  int text_width(const char* text, litehtml::uint_ptr font) override;
  void draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr font,
                 litehtml::web_color color, const litehtml::position& pos) override;
  int get_default_font_size() const override;
  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
  void load_image(const char* src, const char* baseurl, bool redraw_on_ready) override;
  void get_image_size(const char* src, const char* baseurl, litehtml::size& sz) override;
  void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                    const litehtml::position& draw_pos, bool root) override;
  void set_cursor(const char* cursor) override;
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
  void import_css(litehtml::tstring& text, const litehtml::tstring& url,
                  litehtml::tstring& baseurl) override;
  void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radii, bool valid_x,
                bool valid_y) override;
  void del_clip() override;

  // scroll_bar_painter
  void draw_scroll_bar(litehtml::uint_ptr hdc, const litehtml::position& padding_box,
                       const scroll_metrics& metrics) override;

 private:
  struct font {
    int size = 0;
    int weight = 0;
  };
  paint_op& record(paint_op::kind what, const litehtml::position& box);

  std::vector<paint_op> painted_;
};

}  // namespace htmlayout::render
