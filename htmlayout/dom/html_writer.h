// Writes nodes back as HTML (UTF-8) that an HTML parser turns into the same
// tree: text and attribute values are escaped, void elements get no end tag,
// and the content of raw-text elements (style, script) is written as is.
#pragma once

#include <functional>
#include <string>

#include "htmlayout/dom/node.h"

namespace htmlayout {

// What the writer does with an element whose content is not built yet
// (element_node::unbuilt; see document.h): `build` builds it before its
// content is written (true when it did) and `drop` takes what it built away
// again once the element is written, so that a whole page is written with
// one such element built at a time. Without them it is written empty.
struct unbuilt_content {
  std::function<bool(const element_node&)> build;
  std::function<void(const element_node&)> drop;
};

// Appends the node itself (outer HTML).
void write_html(const node& n, std::string& out, const unbuilt_content* hooks = nullptr);

// Appends the element's content (inner HTML).
void write_inner_html(const element_node& e, std::string& out,
                      const unbuilt_content* hooks = nullptr);

// True for elements that never have content or an end tag (br, img, ...).
bool is_void_element(atom tag);

}  // namespace htmlayout
