// Test helper: a renderer's litehtml mirror and an engine document (only the rows laid out) as HTML
// in one form: attributes sorted, all closed, style and script empty (litehtml keeps neither's
// content), no spacers or generated content.
#pragma once

#include <litehtml/litehtml.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "htmlayout/dom/node.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/row_spacer.h"

namespace htmlayout::render::test_support {

using attribute_list = std::vector<std::pair<std::string, std::string>>;

// Writes the start tag; false for style and script, written whole.
inline bool open_element(std::string& out, const std::string& tag, attribute_list attributes) {
  if (tag == "style" || tag == "script") {
    out += "<" + tag + "></" + tag + ">";
    return false;
  }
  std::sort(attributes.begin(), attributes.end());
  out += "<" + tag;
  for (const auto& [name, value] : attributes) out += " " + name + "=\"" + value + "\"";
  out += ">";
  return true;
}

inline std::string mirror_html(const litehtml::element::ptr& el) {
  std::string out;
  if (!el) return out;
  const std::string name = el->get_tagName();
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) {
    if (name == "style" || name == "script")
      open_element(out, name, {});
    else
      el->get_text(out);
    return out;
  }
  if (as_spacer(el.get()) || name == "::before" || name == "::after") return out;
  const auto& attributes = detail::tag_members::attributes(*tag);
  if (!open_element(out, name, attribute_list(attributes.begin(), attributes.end()))) return out;
  for (const auto& child : tag->children()) out += mirror_html(child);
  return out + "</" + name + ">";
}

inline std::string expected_html(const renderer& r, const node& n) {
  if (const text_node* text = as_text(&n)) return text->text.str();
  const element_node& e = static_cast<const element_node&>(n);
  const std::string name(name_of(e.tag));
  attribute_list attributes;
  for (const attribute& a : e.attributes)
    attributes.emplace_back(std::string(name_of(a.name)), a.value.str());
  std::string out;
  if (!open_element(out, name, attributes)) return out;
  std::size_t first = 0, last = e.children.size();
  if (auto rows = r.laid_out_rows(dom::element(const_cast<element_node*>(&e)))) std::tie(first, last) = *rows;
  for (std::size_t i = first; i < last && i < e.children.size(); ++i) out += expected_html(r, *e.children[i]);
  return out + "</" + name + ">";
}

}  // namespace htmlayout::render::test_support
