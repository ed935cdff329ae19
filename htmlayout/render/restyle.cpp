#include "htmlayout/render/restyle.h"

#include <algorithm>
#include <cstring>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/tree_edit.h"

namespace htmlayout::render {

namespace {

void clear_cascade(const litehtml::element::ptr& el) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) return;
  detail::tag_members::used_selectors(*tag).clear();
  // Anonymous table boxes carry the display litehtml gave them when it made
  // them; no selector would give it back.
  if (*tag->get_tagName()) detail::tag_members::cascaded_style(*tag).clear();
  // Links add "link" to their pseudo-classes on every styling pass; drop it so
  // it neither piles up nor outlives a removed href.
  if (!std::strcmp(tag->get_tagName(), "a")) {
    auto& pseudo = detail::tag_members::pseudo_classes(*tag);
    pseudo.erase(std::remove(pseudo.begin(), pseudo.end(), "link"), pseudo.end());
  }
  for (const auto& child : tag->children()) clear_cascade(child);
}

}  // namespace

void restyle(const litehtml::element::ptr& el, const style_sheets& sheets) {
  const litehtml::style_display display_before = el->get_display();
  clear_cascade(el);
  style_subtree(el, sheets);
  if (is_table_part(display_before) || is_table_part(el->get_display())) {
    if (el->get_display() != display_before) rebuild_enclosing_table(el->parent());
  }
  el->init();
  if (auto doc = el->get_document()) detail::release_table_parts(*doc);
}

}  // namespace htmlayout::render
