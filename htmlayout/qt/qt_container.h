// The litehtml document container that paints with QPainter: fonts from QFont
// with their real metrics and antialiasing, text decoration, borders in their
// styles and radii, backgrounds in colour and image, images from a loader
// callback, list markers, nested clips (save, clip, restore) and the scroll
// bars of scrolling boxes. Elements come from the renderer's element factory.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/container_base.h"

namespace htmlayout::qt {

class qt_container : public render::container_base, public render::scroll_bar_painter {
 public:
  // Gives the bytes of the image or style sheet at `url` (as written in the
  // page), or an empty array when there is none. Called once per URL.
  using resource_loader = std::function<QByteArray(const std::string& url)>;

  static constexpr int kDefaultFontSize = 13;

  explicit qt_container(resource_loader loader = {});
  ~qt_container();

  // Where the style sheets litehtml imports itself (linked ones and @import)
  // come from; by default the loader of the images. A host whose renderer
  // takes a document's style sheets from the document gives one that
  // answers nothing, so that they are not read twice.
  void set_style_sheet_loader(resource_loader loader) { style_loader_ = std::move(loader); }

  // Paints the part of `doc` under `clip` (in document coordinates) with the
  // document's origin at (x, y) of the painter. Clips set by the document are
  // undone before this returns.
  void paint(litehtml::document& doc, QPainter& painter, const litehtml::position& clip, int x = 0,
             int y = 0);

  // The CSS cursor litehtml last asked for ("auto" at first).
  const std::string& cursor() const { return cursor_; }

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

  // render::scroll_bar_painter
  void draw_scroll_bar(litehtml::uint_ptr hdc, const litehtml::position& padding_box,
                       const render::scroll_metrics& metrics) override;

 private:
  struct font {
    QFont qfont;
    QFontMetrics metrics;
  };
  const QImage* image(const std::string& url);

  resource_loader loader_;
  resource_loader style_loader_;
  std::map<std::string, QImage> images_;  // a null image for URLs that failed
  QPainter* painter_ = nullptr;
  int clip_depth_ = 0;
  std::string cursor_ = "auto";
};

}  // namespace htmlayout::qt
