// The element classes a renderer document is built from. A document
// container's create_element() returns what this returns: for the tags that
// can hold content in boxes, the matching litehtml class wrapped as a
// scrolling box (active while the element's overflow is auto or scroll) over
// a row list (active for elements with many children); for every other tag
// nullptr, so that litehtml makes its own class.
#pragma once

#include <litehtml/litehtml.h>

#include <memory>

namespace htmlayout::render {

std::shared_ptr<litehtml::element> create_element(const char* tag_name,
                                                  const litehtml::string_map& attributes,
                                                  const std::shared_ptr<litehtml::document>& doc);

}  // namespace htmlayout::render
