// Test helper: the HTML of a renderer's litehtml mirror, and the HTML the
// mirror should have for an engine document, in one canonical form that the
// two can be compared in: attributes sorted by name, every element closed,
// text as it stands, style and script elements written empty and without
// attributes (litehtml keeps neither for them, and the renderer reads the
// style sheets from the document). Spacers and generated
// content are not part of the mirror's HTML; on the document's side only the
// rows the renderer has laid out are written for each scrolling box.
#pragma once

#include <litehtml/litehtml.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "htmlayout/dom/node.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/row_spacer.h"

namespace htmlayout::render::test_support {

inline void append_element(std::string& out, const std::string& tag,
                           std::vector<std::pair<std::string, std::string>> attributes) {
  std::sort(attributes.begin(), attributes.end());
  out += "<" + tag;
  for (const auto& [name, value] : attributes) out += " " + name + "=\"" + value + "\"";
  out += ">";
}

// The canonical HTML of a litehtml subtree.
inline void write_mirror_html(const litehtml::element::ptr& el, std::string& out) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) {
    const std::string name = el->get_tagName();
    if (name == "style" || name == "script") {
      out += "<" + name + "></" + name + ">";
      return;
    }
    el->get_text(out);
    return;
  }
  if (as_spacer(el.get())) return;
  const std::string name = el->get_tagName();
  if (name == "::before" || name == "::after") return;
  std::vector<std::pair<std::string, std::string>> attributes(
      detail::tag_members::attributes(*tag).begin(), detail::tag_members::attributes(*tag).end());
  append_element(out, name, attributes);
  for (const auto& child : tag->children()) write_mirror_html(child, out);
  out += "</" + name + ">";
}

inline std::string mirror_html(const litehtml::element::ptr& el) {
  std::string out;
  if (el) write_mirror_html(el, out);
  return out;
}

// The canonical HTML the renderer `r` should mirror `n` as.
inline void write_expected_html(const renderer& r, const node& n, std::string& out) {
  if (const text_node* text = as_text(&n)) {
    out += text->text.str();
    return;
  }
  const element_node& e = static_cast<const element_node&>(n);
  const std::string name(name_of(e.tag));
  if (name == "style" || name == "script") {
    out += "<" + name + "></" + name + ">";
    return;
  }
  std::vector<std::pair<std::string, std::string>> attributes;
  for (const attribute& a : e.attributes)
    attributes.emplace_back(std::string(name_of(a.name)), a.value.str());
  append_element(out, name, attributes);
  std::size_t first = 0, last = e.children.size();
  if (auto rows = r.laid_out_rows(dom::element(const_cast<element_node*>(&e))))
    std::tie(first, last) = *rows;
  for (std::size_t i = first; i < last && i < e.children.size(); ++i)
    write_expected_html(r, *e.children[i], out);
  out += "</" + name + ">";
}

inline std::string expected_html(const renderer& r, const node& n) {
  std::string out;
  write_expected_html(r, n, out);
  return out;
}

}  // namespace htmlayout::render::test_support
