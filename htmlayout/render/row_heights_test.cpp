#include "htmlayout/render/row_heights.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
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

TEST(RowHeights, AgreesWithAPlainSumThroughInsertsErasesMeasurementsAndForgetting) {
  std::mt19937 random(7);
  row_heights rows;
  reference plain;
  rows.assign(600);
  plain.heights.assign(600, -1);
  EXPECT_EQ(rows.row_at(-5), 0u);
  EXPECT_EQ(rows.row_at(rows.total() + 100), 599u);
  // The estimate, once refreshed, is the mean of the measured rows that are not hidden.
  for (const auto& [at, height] : {std::pair{0, 100}, {1, 0}, {2, 50}}) {
    rows.set_measured(at, height);
    plain.heights[at] = height;
  }
  EXPECT_TRUE(rows.refresh_estimate());
  EXPECT_EQ(rows.estimate(), 75);
  EXPECT_FALSE(rows.refresh_estimate());
  plain.estimate = 75;
  for (int step = 0; step < 3000; ++step) {
    const int what = static_cast<int>(random() % 100);
    if (what < 30) {
      const std::size_t at = random() % (plain.heights.size() + 1);
      rows.insert(at);
      plain.heights.insert(plain.heights.begin() + static_cast<std::ptrdiff_t>(at), -1);
    } else if (what < 50 && !plain.heights.empty()) {
      const std::size_t at = random() % plain.heights.size();
      rows.erase(at);
      plain.heights.erase(plain.heights.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (what < 90 && !plain.heights.empty()) {
      const std::size_t at = random() % plain.heights.size();
      const int height = static_cast<int>(random() % 120);  // 0: a hidden row
      rows.set_measured(at, height);
      plain.heights[at] = height;
    } else if (what < 99) {
      rows.refresh_estimate();
      plain.estimate = rows.estimate();
    } else {  // the estimate stays what it was
      rows.forget_all();
      plain.heights.assign(plain.heights.size(), -1);
    }
    ASSERT_EQ(rows.size(), plain.heights.size());
    const std::size_t probe = plain.heights.empty() ? 0 : random() % (plain.heights.size() + 1);
    ASSERT_EQ(rows.offset(probe), plain.offset(probe)) << "step " << step;
    ASSERT_EQ(rows.total(), plain.offset(plain.heights.size()));
    if (probe < plain.heights.size()) {
      ASSERT_EQ(rows.measured(probe), plain.heights[probe] >= 0);
      if (rows.height(probe) > 0) {
        const int64_t inside = plain.offset(probe) + rows.height(probe) / 2;
        ASSERT_EQ(rows.row_at(inside), probe) << "step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace htmlayout::render
