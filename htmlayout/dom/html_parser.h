// Parses HTML (UTF-8) into document nodes, following the HTML parsing rules
// (gumbo). Tag and attribute names come out lower case and character
// references decoded. Two departures keep the tree what the program's code
// expects: a tbody the parser would invent around table rows is left out
// (the rows are the table's children), and white space between table parts
// is dropped. Comments are dropped.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

// Markup nested deeper than this many elements is refused: parsing it costs
// time that grows with the square of the depth.
inline constexpr size_t max_nesting_depth = 1024;

// Parses a whole document and returns its html element (with head and
// body), or null when the markup nests too deep. The caller owns the tree.
element_node* parse_document(std::string_view html);

// Parses a fragment as the content of an element whose tag is `context`
// (rows stay rows in a table, cells stay cells in a row). Returns the
// top-level nodes in order, which the caller owns, or nullopt when the
// markup nests too deep.
std::optional<std::vector<node*>> parse_fragment(std::string_view html, atom context);

// The same with the full parser alone, without the quick path for simple
// fragments (which it must always agree with).
std::optional<std::vector<node*>> parse_fragment_fully(std::string_view html, atom context);

// Frees nodes that were never placed in a document, with all below them.
void free_tree(node* top);

// An upper bound on how deeply the markup nests elements (tags that close
// themselves implicitly, such as p, li or td, and void tags do not count).
size_t estimate_nesting_depth(std::string_view html);

}  // namespace htmlayout
