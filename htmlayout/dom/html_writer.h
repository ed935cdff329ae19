// Writes nodes back as HTML (UTF-8) that an HTML parser turns into the same
// tree: text and attribute values are escaped, void elements get no end tag,
// and the content of raw-text elements (style, script) is written as is.
#pragma once

#include <string>

#include "htmlayout/dom/node.h"

namespace htmlayout {

// Appends the node itself (outer HTML).
void write_html(const node& n, std::string& out);

// Appends the element's content (inner HTML).
void write_inner_html(const element_node& e, std::string& out);

// True for elements that never have content or an end tag (br, img, ...).
bool is_void_element(atom tag);

}  // namespace htmlayout
