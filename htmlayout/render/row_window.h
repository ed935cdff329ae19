// The window of a long list that is laid out: of the rows of a list in a
// scrolling box, which run [first, last) the renderer mirrors, found from
// where the box is scrolled, how tall its visible part is and the heights of
// the rows (measured where they were laid out, estimated elsewhere). The
// rows outside the run stand in as two spacers, height_above() and
// height_below() tall. Holds no litehtml state: the renderer builds and
// drops the rows this asks for.
#pragma once

#include <cstddef>
#include <cstdint>

#include "htmlayout/render/row_heights.h"

namespace htmlayout::render {

struct row_window {
  // A list never has more rows laid out than this.
  static constexpr std::size_t kMaxRows = 400;
  // Rows laid out first while their height is not known at all.
  static constexpr std::size_t kProbeRows = 4;

  struct span {
    std::size_t first = 0, last = 0;
    bool operator==(const span&) const = default;
  };

  // The rows to lay out: every row when not windowed; otherwise those within
  // half the visible height (at least 64 px) above and below the visible
  // part (only the visible part without `margins`), cut to kMaxRows around
  // the row at the top. `fallback_viewport` stands for the visible height
  // before the box was first laid out.
  // While no row height is known, only kProbeRows from the row at the top:
  // once they are measured, the estimate tells how many rows fill the box
  // (tall rows taken at the first estimate would be built by the dozen and
  // dropped).
  span wanted(int fallback_viewport, bool margins = true) const;

  // The spacers' heights: the rows before `first`, and those from `last`.
  int height_above() const { return static_cast<int>(heights.offset(first)); }
  int height_below() const { return static_cast<int>(heights.total() - heights.offset(last)); }

  // Before a layout: remembers the row at the top of the box and how far
  // into it the box is scrolled (not for a box at its top, which stays
  // there), and takes the mean of the measured rows as the estimate.
  void anchor_top_row();
  // After the rows laid out were measured: with `take_estimate`, takes a
  // large correction of the estimate at once (so that the content's height
  // is right; small ones wait for the next update), and scrolls so that the
  // remembered row is where it was while estimates gave way to
  // measurements.
  void follow_measurements(bool take_estimate);

  // A row comes in before `index`: true when that is inside the laid-out
  // run, which the caller then lengthens or ends; rows after it move down.
  bool insert_row(std::size_t index);
  // The row at `index` goes: true when it was laid out (the run shortens).
  bool erase_row(std::size_t index);

  row_heights heights;
  std::size_t first = 0, last = 0;  // rows laid out
  bool windowed = false;            // rows outside [first, last) stand in as spacers
  int scroll_y = 0;                 // wanted; clamped at layout
  // From the last layout: where the rows start in the box's content and how
  // tall the box's visible part is (-1 before any layout).
  int origin = 0;
  int viewport = -1;

 private:
  std::size_t anchor_row_ = SIZE_MAX;
  int64_t anchor_delta_ = 0;
};

}  // namespace htmlayout::render
