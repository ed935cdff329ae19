// Where the scroll bar of a scrolling box lies: the track along the right
// edge of the box's padding box and the thumb in it. The container paints
// the bar from it and the document widget hit-tests presses and drags with
// it, so both agree to the pixel.
#pragma once

#include <litehtml/litehtml.h>

#include <QRect>

#include "htmlayout/render/scroll_box.h"

namespace htmlayout::qt {

struct scroll_bar_geometry {
  QRect track;  // empty when the box shows no bar
  QRect thumb;  // empty when the content fits
  // Where a press counts as one on the bar: the track widened towards the
  // box's inside, so that the thin bar is easy to hit.
  QRect hit_area;

  // The scroll position that puts the thumb's top at `thumb_top` (clamped).
  int scroll_for_thumb_top(int thumb_top, const render::scroll_metrics& metrics) const;
};

// The bar of a box whose padding box is `padding_box` (window coordinates).
scroll_bar_geometry scroll_bar_for(const litehtml::position& padding_box,
                                   const render::scroll_metrics& metrics);

}  // namespace htmlayout::qt
