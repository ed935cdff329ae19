// Where a scrolling box stands: how far it is scrolled, how much of its
// content shows and how tall the content is. Plain numbers, for the renderer's
// callers and for the containers that paint scroll bars.
#pragma once

#include <algorithm>

namespace htmlayout::render {

struct scroll_metrics {
  int scroll_y = 0;              // how far the content is scrolled up, 0..max_scroll_y()
  int viewport_height = 0;       // the padding box's height: the visible part of the content
  int content_height = 0;        // the content's height with the padding, never below the viewport
  bool always_show_bar = false;  // "overflow: scroll" rather than "auto"
  int max_scroll_y() const { return std::max(0, content_height - viewport_height); }
};

}  // namespace htmlayout::render
