#include "htmlayout/render/row_window.h"

#include <gtest/gtest.h>

namespace htmlayout::render {
namespace {

// 1,000 rows of the initial estimate (24 px): row r spans [24 r, 24 r + 24).
row_window thousand_rows(bool windowed, int scroll_y, int viewport, int origin = 0) {
  row_window w;
  w.heights.assign(1000);
  w.windowed = windowed;
  w.scroll_y = scroll_y;
  w.viewport = viewport;
  w.origin = origin;
  return w;
}

TEST(RowWindow, LaysOutTheRowsNearTheVisiblePartAndNoMoreThanTheLimit) {
  struct {
    const char* what;
    row_window window;
    row_window::span expected;
  } cases[] = {
      {"not windowed: every row", thousand_rows(false, 2400, 240), {0, 1000}},
      {"at the top: 120 px below the visible part", thousand_rows(true, 0, 240), {0, 16}},
      {"before a layout: the fallback height", thousand_rows(true, 0, -1), {0, 16}},
      {"scrolled: 120 px either side", thousand_rows(true, 2400, 240), {95, 116}},
      {"rows below other content", thousand_rows(true, 2500, 240, 100), {95, 116}},
      {"small box: at least 64 px either side", thousand_rows(true, 2400, 48), {97, 105}},
      {"tall box: cut around the top row", thousand_rows(true, 12000, 20000), {400, 800}},
      {"tall box near the end: the last rows", thousand_rows(true, 23000, 20000), {600, 1000}},
  };
  for (const auto& c : cases) {
    const row_window::span got = c.window.wanted(240);
    EXPECT_EQ(got.first, c.expected.first) << c.what;
    EXPECT_EQ(got.last, c.expected.last) << c.what;
  }
  row_window empty;
  empty.windowed = true;
  EXPECT_EQ(empty.wanted(240), row_window::span{}) << "no rows";
}

TEST(RowWindow, KeepsTheTopRowInPlaceWhenMeasurementsReplaceEstimates) {
  row_window w = thousand_rows(true, 2410, 240);  // 10 px into row 100
  w.anchor_top_row();
  for (std::size_t r = 0; r < 100; ++r) w.heights.set_measured(r, 30);
  w.follow_measurements();
  EXPECT_EQ(w.scroll_y, 100 * 30 + 10);
  // A mean more than an eighth off the estimate becomes the estimate at once.
  EXPECT_EQ(w.heights.estimate(), 30);

  row_window at_top = thousand_rows(true, 0, 240);
  at_top.anchor_top_row();
  at_top.heights.set_measured(0, 90);
  at_top.follow_measurements();
  EXPECT_EQ(at_top.scroll_y, 0) << "a box at its top stays there";
}

}  // namespace
}  // namespace htmlayout::render
