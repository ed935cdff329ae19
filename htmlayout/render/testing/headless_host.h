// A document shown without a screen: the document, its renderer, the headless container and the
// input side finding positions through the renderer, driven as the Qt host drives the window.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/input/input.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_geometry.h"
#include "htmlayout/render/testing/headless_container.h"

namespace htmlayout::render {

class headless_host {
 public:
  // Shows a document of its own.
  explicit headless_host(int width = 800, int height = 600)
      : headless_host(std::make_unique<document>(), width, height) {}
  // Shows `doc`, which may already hold a page and must outlive the host.
  explicit headless_host(document& doc, int width = 800, int height = 600)
      : headless_host(nullptr, width, height, &doc) {}

  bool load_html(std::string_view html, std::string_view base_url = {}) {
    return document_.load_html(html, base_url);
  }
  // Paints the window and returns what was drawn, in order.
  const std::vector<paint_op>& paint() {
    geometry_.sync_popups();
    container_.clear_painted();
    renderer_.paint(0, {0, 0, renderer_.viewport_width(), renderer_.viewport_height()});
    return container_.painted();
  }

  document& doc() { return document_; }
  renderer& view() { return renderer_; }
  input& in() { return input_; }
  renderer_geometry& geometry() { return geometry_; }

 private:
  headless_host(std::unique_ptr<document> own, int width, int height, document* doc = nullptr)
      : own_document_(std::move(own)), document_(doc ? *doc : *own_document_),
        renderer_(document_, container_) {
    renderer_.set_viewport(width, height);
    geometry_.set_input(&input_);
  }

  headless_container container_;
  std::unique_ptr<document> own_document_;
  document& document_;
  renderer renderer_;
  renderer_geometry geometry_{renderer_};
  input input_{document_, geometry_};
};

}  // namespace htmlayout::render
