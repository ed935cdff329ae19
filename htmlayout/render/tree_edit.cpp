#include "htmlayout/render/tree_edit.h"

#include <litehtml/el_space.h>
#include <litehtml/el_text.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "htmlayout/render/litehtml_access.h"

namespace htmlayout::render {

namespace {

bool is_pseudo_node(const litehtml::element::ptr& el, const char* which) {
  return !std::strcmp(el->get_tagName(), which);
}

}  // namespace

litehtml::elements_vector make_text_nodes(const litehtml::document::ptr& doc,
                                          const std::string& text) {
  litehtml::elements_vector nodes;
  doc->container()->split_text(
      text.c_str(),
      [&](const char* word) { nodes.push_back(std::make_shared<litehtml::el_text>(word, doc)); },
      [&](const char* space) {
        nodes.push_back(std::make_shared<litehtml::el_space>(space, doc));
      });
  return nodes;
}

void insert_children(const litehtml::element::ptr& parent, std::size_t index,
                     const litehtml::elements_vector& nodes, const style_sheets& sheets) {
  litehtml::html_tag* tag = detail::as_tag(parent);
  if (!tag || nodes.empty()) return;
  litehtml::elements_vector& children = tag->children();
  std::size_t first = 0;
  std::size_t last = children.size();
  if (!children.empty() && is_pseudo_node(children.front(), "::before")) first = 1;
  if (last > first && is_pseudo_node(children.back(), "::after")) --last;
  const std::size_t at = std::clamp(index, first, last);
  children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), nodes.begin(), nodes.end());

  bool table_parts = false;
  for (const auto& node : nodes) {
    node->parent(parent);
    style_subtree(node, sheets);
    node->init();
    table_parts = table_parts || is_table_part(node->get_display());
  }
  if (table_parts) rebuild_enclosing_table(parent);
  if (auto doc = parent->get_document()) detail::release_table_parts(*doc);
}

bool remove_attribute(const litehtml::element::ptr& el, const std::string& name) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) return false;
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (detail::tag_members::attributes(*tag).erase(key) == 0) return false;
  if (key == "class") detail::tag_members::class_values(*tag).clear();
  return true;
}

bool is_table_part(litehtml::style_display display) {
  switch (display) {
    case litehtml::display_table_caption:
    case litehtml::display_table_cell:
    case litehtml::display_table_column:
    case litehtml::display_table_column_group:
    case litehtml::display_table_footer_group:
    case litehtml::display_table_header_group:
    case litehtml::display_table_row:
    case litehtml::display_table_row_group:
      return true;
    default:
      return false;
  }
}

void rebuild_enclosing_table(const litehtml::element::ptr& el) {
  for (litehtml::element::ptr at = el; at; at = at->parent()) {
    const litehtml::style_display display = at->get_display();
    if (display == litehtml::display_table || display == litehtml::display_inline_table) {
      at->init();
      return;
    }
  }
}

}  // namespace htmlayout::render
