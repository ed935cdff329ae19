// Where each element of a laid-out litehtml tree shows in the window: its
// border box with the offsets of scrolled ancestors applied, cut to the
// boxes that clip it and to the window. Two captures, one before a change
// and one after, give the rectangles that must be painted again: where an
// element moved from and to, where one appeared or went, and the scroll bar
// of every box whose scrolling changed.
#pragma once

#include <litehtml/litehtml.h>

#include <unordered_map>
#include <vector>

#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {

class painted_areas {
 public:
  // Records every displayed element of the tree under `root` (text nodes
  // count as part of their element's box) within `window`.
  void capture(const litehtml::element::ptr& root, const litehtml::position& window);
  void clear();

  // The element's area at the capture; empty when it was not displayed or
  // showed nowhere.
  litehtml::position area_of(const litehtml::element* el) const;

  // Adds to `out` the areas that differ between `before` and `after`.
  static void differences(const painted_areas& before, const painted_areas& after,
                          std::vector<litehtml::position>& out);

 private:
  struct entry {
    litehtml::position area;
    scroll_metrics scrolling;  // for scrolling boxes: what their bar shows ...
    litehtml::position bar;    // ... and where it may be painted
  };
  void visit(const litehtml::element::ptr& el, int origin_x, int origin_y,
             const litehtml::position& clip);

  std::unordered_map<const litehtml::element*, entry> entries_;
};

// Joins overlapping and touching rectangles; when more than `limit` remain,
// their bounding box. Empty rectangles are dropped.
std::vector<litehtml::position> merge_rectangles(std::vector<litehtml::position> rects,
                                                 std::size_t limit = 8);

// The common part of two rectangles (empty, at a's origin, when none).
litehtml::position intersection(const litehtml::position& a, const litehtml::position& b);

}  // namespace htmlayout::render
