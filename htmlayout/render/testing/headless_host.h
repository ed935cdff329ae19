// A document shown without a screen: the document, its renderer, a
// container with fixed text metrics that records what is painted, and the
// input side finding positions through the renderer. Tests of the engine and
// of the program drive it as the Qt host drives the real window: load a
// page, press, type, change it, ask where things are, paint.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/input/input.h"
#include "htmlayout/render/testing/headless_container.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_geometry.h"

namespace htmlayout::render {

class headless_host {
 public:
  // Shows a document of its own.
  explicit headless_host(int width = 800, int height = 600);
  // Shows `doc`, which may already hold a page and must outlive the host
  // (as the program's view owns the main window's document).
  explicit headless_host(document& doc, int width = 800, int height = 600);
  headless_host(const headless_host&) = delete;
  headless_host& operator=(const headless_host&) = delete;

  // Loads a page; see document::load_html. Linked style sheets given a path
  // relative to `base_url` (a folder path ending in "/", or a file in it)
  // are read from there.
  bool load_html(std::string_view html, std::string_view base_url = {});

  // Paints the window and returns what was drawn, in order.
  const std::vector<paint_op>& paint();

  document& doc() { return document_; }
  renderer& view() { return renderer_; }
  input& in() { return input_; }
  renderer_geometry& geometry() { return geometry_; }

 private:
  headless_container container_;
  std::unique_ptr<document> own_document_;
  document& document_;
  renderer renderer_;
  renderer_geometry geometry_{renderer_};
  input input_{document_, geometry_};
};

}  // namespace htmlayout::render
