#include "htmlayout/render/row_heights.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace htmlayout::render {
namespace {

// The same list kept the slow way: a plain vector of heights, -1 unmeasured.
struct reference {
  std::vector<int> heights;
  int estimate = row_heights::kInitialEstimate;
  int64_t offset(std::size_t index) const {
    int64_t sum = 0;
    for (std::size_t i = 0; i < index; ++i) sum += heights[i] >= 0 ? heights[i] : estimate;
    return sum;
  }
};

TEST(RowHeights, OffsetsAndRowsFollowMeasuredAndEstimatedHeights) {
  row_heights rows;
  rows.assign(1000);
  EXPECT_EQ(rows.total(), 1000 * row_heights::kInitialEstimate);
  EXPECT_EQ(rows.row_at(-5), 0u);
  EXPECT_EQ(rows.row_at(row_heights::kInitialEstimate * 10), 10u);
  EXPECT_EQ(rows.row_at(row_heights::kInitialEstimate * 10 - 1), 9u);
  EXPECT_EQ(rows.row_at(rows.total() + 100), 999u);

  rows.set_measured(0, 100);
  rows.set_measured(1, 0);  // a hidden row
  rows.set_measured(2, 50);
  // The estimate stays until refreshed, then is the mean of non-zero rows.
  EXPECT_EQ(rows.offset(3), 150);
  EXPECT_EQ(rows.offset(4), 150 + row_heights::kInitialEstimate);
  EXPECT_TRUE(rows.refresh_estimate());
  EXPECT_EQ(rows.estimate(), 75);
  EXPECT_FALSE(rows.refresh_estimate());
  EXPECT_EQ(rows.total(), 150 + 997 * 75);
  // A zero-height row holds no offset: y = 100 is in row 2.
  EXPECT_EQ(rows.row_at(99), 0u);
  EXPECT_EQ(rows.row_at(100), 2u);
  EXPECT_EQ(rows.row_at(149), 2u);
  EXPECT_EQ(rows.row_at(150), 3u);
  // Forgetting the measurements keeps the estimate.
  rows.forget_all();
  EXPECT_FALSE(rows.measured(0));
  EXPECT_EQ(rows.total(), 1000 * 75);
}

TEST(RowHeights, AgreesWithAPlainSumThroughInsertsErasesAndMeasurements) {
  std::mt19937 random(7);
  row_heights rows;
  reference plain;
  rows.assign(600);
  plain.heights.assign(600, -1);
  for (int step = 0; step < 3000; ++step) {
    const int what = static_cast<int>(random() % 10);
    if (what < 3) {
      const std::size_t at = random() % (plain.heights.size() + 1);
      rows.insert(at);
      plain.heights.insert(plain.heights.begin() + static_cast<std::ptrdiff_t>(at), -1);
    } else if (what < 5 && !plain.heights.empty()) {
      const std::size_t at = random() % plain.heights.size();
      rows.erase(at);
      plain.heights.erase(plain.heights.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (what < 9 && !plain.heights.empty()) {
      const std::size_t at = random() % plain.heights.size();
      const int height = static_cast<int>(random() % 120);
      rows.set_measured(at, height);
      plain.heights[at] = height;
    } else {
      rows.refresh_estimate();
      plain.estimate = rows.estimate();
    }
    ASSERT_EQ(rows.size(), plain.heights.size());
    const std::size_t probe = plain.heights.empty() ? 0 : random() % (plain.heights.size() + 1);
    ASSERT_EQ(rows.offset(probe), plain.offset(probe)) << "step " << step;
    ASSERT_EQ(rows.total(), plain.offset(plain.heights.size()));
    if (probe < plain.heights.size() && rows.height(probe) > 0) {
      const int64_t inside = plain.offset(probe) + rows.height(probe) / 2;
      ASSERT_EQ(rows.row_at(inside), probe) << "step " << step;
    }
  }
}

}  // namespace
}  // namespace htmlayout::render
