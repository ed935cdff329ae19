#include "htmlayout/render/row_heights.h"

#include <algorithm>

namespace htmlayout::render {

void row_heights::assign(std::size_t count) {
  heights_.assign(count, -1);
  measured_sum_ = 0;
  measured_nonzero_ = 0;
  invalidate_from(0);
}

void row_heights::insert(std::size_t index) {
  if (index == 0)
    heights_.push_front(-1);
  else
    heights_.insert(heights_.begin() + static_cast<std::ptrdiff_t>(index), -1);
  invalidate_from(index);
}

void row_heights::erase(std::size_t index) {
  const int32_t old = heights_[index];
  if (old >= 0) {
    measured_sum_ -= old;
    if (old > 0) --measured_nonzero_;
  }
  if (index == 0)
    heights_.pop_front();
  else
    heights_.erase(heights_.begin() + static_cast<std::ptrdiff_t>(index));
  invalidate_from(index);
}

void row_heights::set_measured(std::size_t index, int height) {
  height = std::max(height, 0);
  const int32_t old = heights_[index];
  if (old == height) return;
  if (old >= 0) {
    measured_sum_ -= old;
    if (old > 0) --measured_nonzero_;
  }
  heights_[index] = height;
  measured_sum_ += height;
  if (height > 0) ++measured_nonzero_;
  if (index / kBlock < blocks_valid_) {
    block& b = blocks_[index / kBlock];
    if (old >= 0)
      b.measured_sum -= old;
    else
      --b.unmeasured;
    b.measured_sum += height;
  }
}

void row_heights::forget_all() {
  std::fill(heights_.begin(), heights_.end(), -1);
  measured_sum_ = 0;
  measured_nonzero_ = 0;
  invalidate_from(0);
}

int row_heights::height(std::size_t index) const {
  const int32_t h = heights_[index];
  return h >= 0 ? h : estimate_;
}

int64_t row_heights::offset(std::size_t index) const {
  update_blocks();
  int64_t sum = 0;
  const std::size_t whole_blocks = index / kBlock;
  for (std::size_t b = 0; b < whole_blocks; ++b) sum += block_total(blocks_[b]);
  for (std::size_t i = whole_blocks * kBlock; i < index; ++i) sum += height(i);
  return sum;
}

std::size_t row_heights::row_at(int64_t y) const {
  if (heights_.empty()) return 0;
  if (y < 0) return 0;
  update_blocks();
  int64_t top = 0;
  std::size_t b = 0;
  while (b < blocks_.size() && top + block_total(blocks_[b]) <= y) top += block_total(blocks_[b++]);
  for (std::size_t i = b * kBlock; i < heights_.size(); ++i) {
    top += height(i);
    if (top > y) return i;
  }
  return heights_.size() - 1;
}

void row_heights::assume(int estimate) {
  if (measured_nonzero_ > 0 || estimate <= 0) return;
  estimate_ = estimate;
  assumed_ = true;
  invalidate_from(0);
}

int row_heights::mean() const {
  if (measured_nonzero_ == 0) return estimate_;
  const auto count = static_cast<int64_t>(measured_nonzero_);
  return static_cast<int>((measured_sum_ + count / 2) / count);
}

bool row_heights::refresh_estimate() {
  const int now = mean();
  if (now == estimate_) return false;
  estimate_ = now;
  return true;
}

void row_heights::update_blocks() const {
  const std::size_t count = (heights_.size() + kBlock - 1) / kBlock;
  if (blocks_valid_ >= count && blocks_.size() == count) return;
  blocks_.resize(count);
  for (std::size_t b = blocks_valid_; b < count; ++b) {
    block sums;
    const std::size_t end = std::min(heights_.size(), (b + 1) * kBlock);
    for (std::size_t i = b * kBlock; i < end; ++i) {
      if (heights_[i] >= 0)
        sums.measured_sum += heights_[i];
      else
        ++sums.unmeasured;
    }
    blocks_[b] = sums;
  }
  blocks_valid_ = count;
}

}  // namespace htmlayout::render
