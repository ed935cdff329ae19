// Where an element is, in document coordinates (those of document::draw()
// called at 0, 0), with the offsets of scrolled ancestors applied.
// litehtml's get_placement() ignores scrolling, adds the offsets of table rows
// that their cells are not placed from, and gives nothing useful for inline
// elements and table rows, whose boxes are their line boxes and cells.
#pragma once

#include <litehtml/litehtml.h>

#include "htmlayout/render/box_area.h"

namespace htmlayout::render {

// The `area` box of `el`: for inline elements and table rows the bounding
// box of their boxes. Empty (all zero) when the element or an ancestor is not
// displayed. An element inside a scrolling box may lie outside the box's
// visible part; compare with the scrolling box's own padding box.
litehtml::position locate(const litehtml::element::ptr& el, box_area area = box_area::border);

}  // namespace htmlayout::render
