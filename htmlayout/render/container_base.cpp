#include "htmlayout/render/container_base.h"

#include "htmlayout/render/element_factory.h"

namespace htmlayout::render {

void container_base::set_viewport(int width, int height) {
  viewport_width_ = width;
  viewport_height_ = height;
}

int container_base::pt_to_px(int pt) const { return pt * 96 / 72; }

const char* container_base::get_default_font_name() const { return "DejaVu Sans"; }

void container_base::set_caption(const char* /*caption*/) {}
void container_base::set_base_url(const char* /*base_url*/) {}
void container_base::link(const std::shared_ptr<litehtml::document>& /*doc*/,
                          const litehtml::element::ptr& /*el*/) {}
void container_base::on_anchor_click(const char* /*url*/, const litehtml::element::ptr& /*el*/) {}

void container_base::get_client_rect(litehtml::position& client) const {
  client = litehtml::position(0, 0, viewport_width_, viewport_height_);
}

std::shared_ptr<litehtml::element> container_base::create_element(
    const char* tag_name, const litehtml::string_map& attributes,
    const std::shared_ptr<litehtml::document>& doc) {
  return render::create_element(tag_name, attributes, doc);
}

void container_base::get_media_features(litehtml::media_features& media) const {
  media.type = litehtml::media_type_screen;
  media.width = media.device_width = viewport_width_;
  media.height = media.device_height = viewport_height_;
  media.color = 8;
  media.monochrome = 0;
  media.color_index = 256;
  media.resolution = 96;
}

void container_base::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
  language = "en";
  culture = "US";
}

}  // namespace htmlayout::render
