#include "htmlayout/render/testing/headless_host.h"

namespace htmlayout::render {

headless_host::headless_host(int width, int height)
    : own_document_(std::make_unique<document>()),
      document_(*own_document_),
      renderer_(document_, container_) {
  renderer_.set_viewport(width, height);
  geometry_.set_input(&input_);
}

headless_host::headless_host(document& doc, int width, int height)
    : document_(doc), renderer_(document_, container_) {
  renderer_.set_viewport(width, height);
  geometry_.set_input(&input_);
}

bool headless_host::load_html(std::string_view html, std::string_view base_url) {
  return document_.load_html(html, base_url);
}

const std::vector<paint_op>& headless_host::paint() {
  geometry_.sync_popups();
  container_.clear_painted();
  renderer_.paint(0, {0, 0, renderer_.viewport_width(), renderer_.viewport_height()});
  return container_.painted();
}

}  // namespace htmlayout::render
