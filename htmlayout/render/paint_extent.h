// How far down and up what an element paints reaches, and an index over the
// children of one element that finds, by binary search, the children a
// horizontal band can meet. Painting and hit testing of long lists use it to
// visit only the rows near the clip or the point.
#pragma once

#include <litehtml/litehtml.h>

#include <climits>
#include <cstddef>
#include <utility>
#include <vector>

namespace htmlayout::render {

// A vertical span [top, bottom], both ends included, as litehtml compares
// boxes with clips. Empty when top > bottom.
struct vertical_extent {
  int top = INT_MAX;
  int bottom = INT_MIN;
  bool empty() const { return top > bottom; }
  void add(int from, int to) {
    top = std::min(top, from);
    bottom = std::max(bottom, to);
  }
};

// True when litehtml places the children of an element with this display
// relative to the element's parent instead of the element itself: table rows
// and row groups, whose cells are laid out and drawn from the table's origin.
bool places_children_in_parent(litehtml::style_display display);

// What `el` paints or answers hit tests for, in the coordinates of its
// parent's content box: its border box (the union of its line boxes when it
// is inline or a table row) and, unless it clips its content, its descendants'.
// Returns false, with `extent` undefined, when a descendant is placed
// relative to the window (position: fixed), which no extent can bound.
bool paint_extent(const litehtml::element::ptr& el, vertical_extent& extent);

// The children of one element indexed by how far they paint. Correct whatever
// the order of the children: every child meeting a band is inside the range
// found, and only a prefix and a suffix that cannot meet it are left out.
class row_index {
 public:
  // Measures `children`. Returns false (and leaves the index empty) when a
  // child cannot be bounded; see paint_extent().
  bool build(const litehtml::elements_vector& children);

  // The half-open range [first, last) of children that may meet the band
  // [top, bottom], in the coordinates the children were measured in.
  std::pair<std::size_t, std::size_t> meeting(int top, int bottom) const;

  void clear();
  std::size_t size() const { return reach_down_.size(); }

 private:
  // reach_down_[i]: the lowest bottom among children 0..i (never decreasing).
  std::vector<int> reach_down_;
  // reach_up_[i]: the highest top among children i..n-1 (never decreasing).
  std::vector<int> reach_up_;
};

}  // namespace htmlayout::render
