// Moving the border between two panes: a splitter element sits between them
// (the panes are its previous and next siblings). When the parent's style
// "flow" is "horizontal" the panes lie side by side and the drag changes
// widths along x; otherwise they are stacked and it changes heights along y.
// Used by the stock "splitter" and the program's "pvlsplitter".
#pragma once

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"

namespace htmlayout {

// True when the splitter has an element before and after it.
bool has_panes(const dom::element& splitter);

// True when the splitter's parent lays its panes out side by side.
bool splits_horizontally(const dom::element& splitter);

// The coordinate of `p` along the direction the splitter moves in.
int split_coordinate(const dom::element& splitter, point p);

// Moves the border by `delta` pixels (towards the end of the parent when
// positive). The smaller pane is the one sized: the previous pane when it
// is smaller than half the parent, which then gets its size plus `delta`,
// otherwise the next pane, which gets its size minus `delta`; the sized
// pane's width (height) is set in pixels and the other's to "100%". A size
// that would fall below 0 changes nothing. Sizes come from the engine's
// layout. Returns whether the panes were resized; false also when either
// pane is missing or the layout has no box for them.
bool move_split(const dom::element& splitter, int delta);

}  // namespace htmlayout
