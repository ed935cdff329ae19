// htmlayout::geometry: what the input side (input.h) asks of the layout of a
// document. The renderer answers it; tests answer it with fixed boxes. All
// coordinates are pixels in the host's view, the space in which the host
// reports the pointer.
#pragma once

#include <cstddef>
#include <optional>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"

namespace htmlayout {

// The vertical scroll of a scrolling box: `position` from 0 to `limit` (0
// when its content fits).
struct scroll_range {
  int position = 0;
  int limit = 0;
};

class geometry {
 public:
  // The deepest element at `p`, or null outside the document. Shown popups
  // (input::popups(), at their positions) lie above the page, the one shown
  // last on top; scrolling boxes count their scroll.
  virtual dom::element element_at(point p) = 0;
  // The border box of `e`, or nullopt when it is not displayed.
  virtual std::optional<rect> location(const dom::element& e) = 0;
  // The vertical scroll of `box`, an element whose overflow is auto or
  // scroll.
  virtual scroll_range vertical_scroll(const dom::element& box) = 0;
  // Scrolls `box` to `position` (clamped to its range).
  virtual void set_vertical_scroll(const dom::element& box, int position) = 0;
  // The character index in the text of `e` nearest to `p`, so that a click
  // places the caret of the element being edited; nullopt when unknown (the
  // caret then stays where it was).
  virtual std::optional<size_t> text_position_at(const dom::element& /*e*/, point /*p*/) {
    return std::nullopt;
  }
  // Scrolls every scrolling box around `e` as little as brings it into view
  // (its top, when it is taller than a box), or with `to_top` so that its
  // top is at the top of each box. True when it then shows; false when it
  // cannot be shown, and by default, for a layout that does not scroll boxes
  // on request.
  virtual bool scroll_to_view(const dom::element& /*e*/, bool /*to_top*/ = false) {
    return false;
  }

 protected:
  ~geometry() = default;
};

}  // namespace htmlayout
