// The heights of the rows of one long list, by position: measured for rows
// that have been laid out, estimated for the others. Gives the offset of any
// row from the top of the list and the row at any offset, so that a list
// whose rows are mostly not laid out can still be scrolled, sized and
// located. Rows are grouped in blocks with running sums, so offsets cost a
// few hundred additions whatever the length of the list; rows come and go at
// either end in constant time (a list is emptied from its front and grows at
// it), the sums of the blocks after a change being brought up to date on the
// next query.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace htmlayout::render {

class row_heights {
 public:
  // What an unmeasured row is taken to be before any row was measured.
  static constexpr int kInitialEstimate = 24;

  std::size_t size() const { return heights_.size(); }

  // Makes the list `count` unmeasured rows.
  void assign(std::size_t count);
  // Adds an unmeasured row before position `index` (0..size()).
  void insert(std::size_t index);
  // Removes the row at `index` (< size()).
  void erase(std::size_t index);
  // Records the laid-out height of the row at `index` (negative counts as 0).
  void set_measured(std::size_t index, int height);
  // Makes every row unmeasured again (after the width changed, or the rows
  // were reordered); the estimate stays what it was.
  void forget_all();
  // Takes `estimate` (when positive) for the unmeasured rows while none is
  // measured: the height of rows like them, measured in another list.
  void assume(int estimate);

  bool measured(std::size_t index) const { return heights_[index] >= 0; }
  // True once a row of non-zero height was measured or an estimate assumed.
  bool estimate_known() const { return measured_nonzero_ > 0 || assumed_; }
  // The measured height, or the estimate.
  int height(std::size_t index) const;
  // The sum of the heights of the rows before `index` (0..size()).
  int64_t offset(std::size_t index) const;
  int64_t total() const { return offset(size()); }
  // The row whose span [offset, offset + height) holds `y`: the first row
  // for y < 0 and the last for y >= total(). Rows of height 0 hold nothing;
  // size() only for an empty list.
  std::size_t row_at(int64_t y) const;

  // The height unmeasured rows are taken to have. It follows the mean of
  // the measured rows of non-zero height only when refresh_estimate() is
  // called, so that offsets stay put while one layout is made.
  int estimate() const { return estimate_; }
  // The mean of the measured rows of non-zero height (the estimate while
  // there are none).
  int mean() const;
  // Brings the estimate to the current mean; true when it changed.
  bool refresh_estimate();

 private:
  static constexpr std::size_t kBlock = 256;
  struct block {
    int64_t measured_sum = 0;
    uint32_t unmeasured = 0;
  };
  // Marks the blocks from the one holding `index` on as out of date.
  void invalidate_from(std::size_t index) {
    blocks_valid_ = std::min(blocks_valid_, index / kBlock);
  }
  // Brings the blocks up to date.
  void update_blocks() const;
  int64_t block_total(const block& b) const {
    return b.measured_sum + int64_t{b.unmeasured} * estimate_;
  }

  std::deque<int32_t> heights_;  // -1: not measured
  mutable std::vector<block> blocks_;
  mutable std::size_t blocks_valid_ = 0;  // the blocks before this one are up to date
  int64_t measured_sum_ = 0;              // over every measured row
  std::size_t measured_nonzero_ = 0;
  int estimate_ = kInitialEstimate;
  bool assumed_ = false;
};

}  // namespace htmlayout::render
