// Edits of a litehtml 0.6 element tree that litehtml lacks or gets wrong:
// inserting nodes at a position (document::append_children_from_string wraps
// the fragment in a new html/head/body, loses tr and td tags and crashes after
// a table row was removed), making text nodes and removing attributes. None of
// these lays out: render the document before painting or hit testing again.
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>
#include <string>

#include "htmlayout/render/style_sheets.h"

namespace htmlayout::render {

// Word and space nodes for `text`, split as litehtml splits parsed text.
litehtml::elements_vector make_text_nodes(const litehtml::document::ptr& doc,
                                          const std::string& text);

// Inserts `nodes` (parentless, made with doc->create_element() or as above)
// into `parent` before its child at `index`, counted over parent's litehtml
// children; an index past the end appends. A ::before node stays first and
// an ::after node last. The nodes are styled from `sheets` and initialised;
// when they are table parts the enclosing table's grid is rebuilt.
void insert_children(const litehtml::element::ptr& parent, std::size_t index,
                     const litehtml::elements_vector& nodes, const style_sheets& sheets);

// Removes the attribute `name` (any letter case) from `el`; removing "class"
// also empties the class list selectors match against. Returns false when the
// element had no such attribute or is not a tag. Restyle to see the effect.
bool remove_attribute(const litehtml::element::ptr& el, const std::string& name);

// True for the displays that place an element in a table grid.
bool is_table_part(litehtml::style_display display);

// Rebuilds the grid of the nearest table at or above `el`, if any.
void rebuild_enclosing_table(const litehtml::element::ptr& el);

}  // namespace htmlayout::render
