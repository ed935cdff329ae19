#include "htmlayout/qt/scroll_bar.h"

#include <algorithm>

namespace htmlayout::qt {

namespace {
constexpr int kWidth = 6, kMargin = 2, kMinThumb = 16, kHitWidth = 14;
}  // namespace

int scroll_bar_geometry::scroll_for_thumb_top(int thumb_top,
                                              const render::scroll_metrics& metrics) const {
  const int travel = track.height() - thumb.height();
  const int range = metrics.max_scroll_y();
  if (travel <= 0 || range <= 0) return 0;
  const int along = std::clamp(thumb_top - track.y(), 0, travel);
  return static_cast<int>((static_cast<long long>(along) * range + travel / 2) / travel);
}

scroll_bar_geometry scroll_bar_for(const litehtml::position& padding_box,
                                   const render::scroll_metrics& metrics) {
  scroll_bar_geometry bar;
  const int range = metrics.max_scroll_y();
  if (range == 0 && !metrics.always_show_bar) return bar;
  const QRect track(padding_box.right() - kWidth - kMargin, padding_box.y + kMargin, kWidth,
                    padding_box.height - 2 * kMargin);
  if (track.height() <= 0) return bar;
  bar.track = track;
  bar.hit_area =
      QRect(padding_box.right() - kHitWidth, padding_box.y, kHitWidth, padding_box.height);
  if (range > 0 && metrics.content_height > 0) {
    const int thumb_height =
        std::clamp(track.height() * metrics.viewport_height / metrics.content_height, kMinThumb,
                   track.height());
    const int thumb_y =
        track.y() + static_cast<int>(static_cast<long long>(track.height() - thumb_height) *
                                     metrics.scroll_y / range);
    bar.thumb = QRect(track.x(), thumb_y, kWidth, thumb_height);
  }
  return bar;
}

}  // namespace htmlayout::qt
