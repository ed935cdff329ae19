// Test helper: a page loaded into the headless container and laid out at a given width.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/testing/headless_container.h"

namespace htmlayout::render::test_support {

struct test_page {
  explicit test_page(const std::string& html, const std::string& css = {}, int width = 800) : width(width) {
    container.set_viewport(width, 600);
    loaded = load_document(html, container, css);
    render();
  }
  test_page(const test_page&) = delete;

  void render() { loaded.document->render(width); }
  litehtml::element::ptr find(const std::string& selector) const {
    litehtml::element::ptr found = loaded.document->root()->select_one(selector);
    EXPECT_TRUE(found) << "no element matches " << selector;
    return found;
  }
  // Paints what meets `clip` (the top 600 pixels by default) and returns what was drawn.
  const std::vector<paint_op>& paint(litehtml::position clip = {}) {
    if (clip.empty()) clip = {0, 0, width, 600};
    container.clear_painted();
    loaded.document->draw(0, 0, 0, &clip);
    return container.painted();
  }
  const style_sheets& sheets() const { return loaded.sheets; }
  const litehtml::document::ptr& document() const { return loaded.document; }

  int width;
  headless_container container;
  loaded_document loaded;
};

inline const paint_op* find_text(const std::vector<paint_op>& ops, const std::string& text) {
  for (const auto& op : ops)
    if (op.what == paint_op::kind::text && op.text == text) return &op;
  return nullptr;
}

// "x,y widthxheight", to compare boxes in one line.
inline std::string box_text(const litehtml::position& p) {
  return std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(p.width) + "x" +
         std::to_string(p.height);
}

}  // namespace htmlayout::render::test_support
