// A quick parser for the well-formed fragments the program inserts by the
// thousand (rows, quotes, tags, menu items). It builds exactly the nodes the
// full HTML parser (gumbo) would build, but only accepts markup where that is
// certain without the full tree-construction rules: known tags from a short
// list or custom tags, every element closed by its own end tag, table parts
// only where they belong, the common character references. For anything
// else it declines and the caller uses the full parser.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

// Parses `html` as the content of an element with tag `context`. Returns the
// top-level nodes (owned by the caller), or nullopt to decline.
std::optional<std::vector<node*>> parse_simple_fragment(std::string_view html, atom context);

}  // namespace htmlayout
