#include "htmlayout/render/row_spacer.h"

#include <algorithm>

namespace htmlayout::render {

row_spacer::row_spacer(const std::shared_ptr<litehtml::document>& doc) : html_tag(doc) {
  set_tagName("spacer");
  // Inline style outranks the page's rules for the box; the height is
  // imposed in parse_styles().
  set_attr("style",
           "display: block; position: static; float: none; clear: none; margin: 0; padding: 0; "
           "border: 0 none; min-height: 0; max-height: none; box-sizing: content-box");
}

void row_spacer::set_height(int height) {
  height_ = std::max(height, 0);
  m_css_height.set_value(static_cast<float>(height_), litehtml::css_units_px);
}

void row_spacer::parse_styles(bool is_reparse) {
  html_tag::parse_styles(is_reparse);
  m_css_height.set_value(static_cast<float>(height_), litehtml::css_units_px);
}

row_spacer* as_spacer(const litehtml::element* el) {
  return dynamic_cast<row_spacer*>(const_cast<litehtml::element*>(el));
}

}  // namespace htmlayout::render
