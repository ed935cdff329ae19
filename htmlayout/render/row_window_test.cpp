#include "htmlayout/render/row_window.h"

#include <gtest/gtest.h>

#include <utility>

namespace htmlayout::render {
namespace {

// `rows` rows of the initial estimate (24 px): row r spans [24 r, 24 r + 24). Unless `known`, no
// row height is known yet.
row_window rows_of_24(std::size_t rows, bool windowed, int scroll_y, int viewport, int origin = 0,
                      bool known = true) {
  row_window w;
  w.heights.assign(rows);
  if (known) w.heights.assume(row_heights::kInitialEstimate);
  w.windowed = windowed;
  w.scroll_y = scroll_y;
  w.viewport = viewport;
  w.origin = origin;
  return w;
}

TEST(RowWindow, LaysOutTheRowsNearTheVisiblePartAndNoMoreThanTheLimit) {
  const struct {
    const char* what;
    row_window window;
    std::pair<std::size_t, std::size_t> expected;
    bool margins = true;
  } cases[] = {
      {"not windowed: every row", rows_of_24(1000, false, 2400, 240), {0, 1000}},
      {"at the top: 120 px below the visible part", rows_of_24(1000, true, 0, 240), {0, 16}},
      {"before a layout: the fallback height", rows_of_24(1000, true, 0, -1), {0, 16}},
      {"scrolled: 120 px either side", rows_of_24(1000, true, 2400, 240), {95, 116}},
      {"rows below other content", rows_of_24(1000, true, 2500, 240, 100), {95, 116}},
      {"small box: at least 64 px either side", rows_of_24(1000, true, 2400, 48), {97, 105}},
      {"tall box: cut around the top row", rows_of_24(1000, true, 12000, 20000), {400, 800}},
      {"tall box near the end: the last rows", rows_of_24(1000, true, 23000, 20000), {600, 1000}},
      {"no rows", rows_of_24(0, true, 0, -1), {0, 0}},
      {"no height known: a few rows to measure", rows_of_24(1000, true, 2400, 240, 0, false), {100, 104}},
      {"without margins: the visible rows", rows_of_24(1000, true, 2400, 240), {100, 111}, false},
      {"without margins at the top", rows_of_24(1000, true, 0, 240), {0, 11}, false},
  };
  for (const auto& c : cases) {
    const row_window::span got = c.window.wanted(240, c.margins);
    EXPECT_EQ(std::pair(got.first, got.last), c.expected) << c.what;
  }
}

TEST(RowWindow, KeepsTheTopRowInPlaceWhenMeasurementsReplaceEstimates) {
  for (const bool take_estimate : {true, false}) {
    for (const int scroll_y : {2410, 0}) {  // 10 px into row 100; at the top, where a box stays
      row_window w = rows_of_24(1000, true, scroll_y, 240);
      w.anchor_top_row();
      for (std::size_t r = 0; r < 100; ++r) w.heights.set_measured(r, 30);
      w.follow_measurements(take_estimate);
      EXPECT_EQ(w.scroll_y, scroll_y ? 100 * 30 + 10 : 0);
      // A mean more than an eighth off the estimate becomes the estimate at
      // once, unless the layout is settling on the estimate it has.
      EXPECT_EQ(w.heights.estimate(), take_estimate ? 30 : 24);
    }
  }
}

}  // namespace
}  // namespace htmlayout::render
