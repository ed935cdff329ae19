#include "htmlayout/render/row_window.h"

#include <algorithm>
#include <cstdlib>

namespace htmlayout::render {

row_window::span row_window::wanted(int fallback_viewport, bool margins) const {
  const std::size_t count = heights.size();
  if (!windowed) return {0, count};
  if (count == 0) return {};
  const int visible = viewport >= 0 ? viewport : fallback_viewport;
  const int64_t top = int64_t{scroll_y} - origin;
  const int64_t extra = margins ? std::max(visible / 2, 64) : 0;
  if (const std::size_t at = heights.row_at(top); !heights.estimate_known() && !heights.measured(at))
    return {at, std::min(count, at + kProbeRows)};
  span s{heights.row_at(top - extra), std::min(count, heights.row_at(top + visible + extra) + 1)};
  if (s.last - s.first > kMaxRows) {
    const std::size_t middle = heights.row_at(top);
    s.first = middle > kMaxRows / 4 ? middle - kMaxRows / 4 : 0;
    s.first = std::min(s.first, s.last - kMaxRows);
    s.last = s.first + kMaxRows;
  }
  return s;
}

void row_window::anchor_top_row() {
  anchor_row_ = SIZE_MAX;
  if (windowed && viewport > 0 && scroll_y > 0 && heights.size() > 0) {
    const int64_t top = int64_t{scroll_y} - origin;
    if (top >= 0) {
      anchor_row_ = heights.row_at(top);
      anchor_delta_ = top - heights.offset(anchor_row_);
    }
  }
  heights.refresh_estimate();
}

void row_window::follow_measurements(bool take_estimate) {
  if (take_estimate && std::abs(heights.mean() - heights.estimate()) * 8 > heights.estimate())
    heights.refresh_estimate();
  if (anchor_row_ < heights.size())
    scroll_y = static_cast<int>(origin + heights.offset(anchor_row_) + anchor_delta_);
}

bool row_window::insert_row(std::size_t index) {
  heights.insert(index);
  if (index <= first) {
    ++first;
    ++last;
    return false;
  }
  return index < last;
}

bool row_window::erase_row(std::size_t index) {
  heights.erase(index);
  if (index >= first && index < last) {
    --last;
    return true;
  }
  if (index < first) {
    --first;
    --last;
  }
  return false;
}

}  // namespace htmlayout::render
