// What every litehtml document container of the renderer answers alike,
// whether it paints with QPainter or records paint for tests: the window
// size (client rect and media features, which percentage heights and media
// queries resolve against), 96 dpi points, the default font's name, English
// as the language, elements made by the renderer's element factory, and
// nothing to do for captions, base URLs, links and anchor clicks. A
// container derives from this and adds fonts, text, images and painting.
#pragma once

#include <litehtml/litehtml.h>

#include <memory>

#include "htmlayout/render/viewport_container.h"

namespace htmlayout::render {

class container_base : public viewport_container {
 public:
  // The window litehtml lays out for; 800 x 600 until set.
  void set_viewport(int width, int height) override;
  int viewport_width() const { return viewport_width_; }
  int viewport_height() const { return viewport_height_; }

  // litehtml::document_container
  int pt_to_px(int pt) const override;
  const char* get_default_font_name() const override;
  void set_caption(const char* caption) override;
  void set_base_url(const char* base_url) override;
  void link(const std::shared_ptr<litehtml::document>& doc,
            const litehtml::element::ptr& el) override;
  void on_anchor_click(const char* url, const litehtml::element::ptr& el) override;
  void get_client_rect(litehtml::position& client) const override;
  std::shared_ptr<litehtml::element> create_element(
      const char* tag_name, const litehtml::string_map& attributes,
      const std::shared_ptr<litehtml::document>& doc) override;
  void get_media_features(litehtml::media_features& media) const override;
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

 protected:
  ~container_base() = default;  // never deleted through this base

 private:
  int viewport_width_ = 800;
  int viewport_height_ = 600;
};

}  // namespace htmlayout::render
