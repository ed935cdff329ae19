#include "htmlayout/behaviors/clock.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numbers>

#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

// The end of a hand `length` pixels long from `centre`, turned `degrees`
// clockwise from 12 o'clock.
point hand_end(point centre, double degrees, double length) {
  const double radians = (degrees - 90) * 2 * std::numbers::pi / 360;
  return {centre.x + static_cast<int>(std::lround(length * std::cos(radians))),
          centre.y + static_cast<int>(std::lround(length * std::sin(radians)))};
}

}  // namespace

clock::clock(time_source now)
    : behavior(group::timer | group::draw | group::behavior_event, "clock"), now_(now) {}

clock_time clock::local_time() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

void clock::attached(const dom::element& he) {
  if (he.is_visible()) set_timer(he, tick_ms);
}

void clock::detached(const dom::element& he) { set_timer(he, 0); }

bool clock::on_timer(const dom::element& he) {
  he.update();
  return true;
}

bool clock::on_draw(const dom::element&, uint32_t layer, void* gfx, const rect& area) {
  if (layer != 1 || !gfx) return false;
  graphics& g = *static_cast<graphics*>(gfx);
  // A box under 24 pixels leaves no room for the hands; a negative length
  // would draw them pointing the wrong way.
  const int length = std::min(area.right - area.left, area.bottom - area.top) / 2 - 12;
  if (length <= 0) return true;
  const point centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  const clock_time t = now_();
  const color text = g.text_color();
  g.line(centre, hand_end(centre, t.hour % 12 * 30 + t.minute / 2.0, length * 0.6), text, 4);
  g.line(centre, hand_end(centre, t.minute * 6, length), text, 3);
  g.line(centre, hand_end(centre, t.second * 6, length), second_hand_color, 1);
  return true;
}

bool clock::on_event(const dom::element& he, const dom::element&, uint32_t event_type,
                     uintptr_t reason) {
  if (event_type != event::timer_control) return false;
  set_timer(he, reason ? tick_ms : 0);
  return true;
}

void stock_parts::register_clock() { static clock object; }

}  // namespace htmlayout
