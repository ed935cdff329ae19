// "clock": an element showing an analogue clock. While it is attached and
// displayed it asks to be redrawn every second, drawing its hands on the
// content layer with the graphics the host hands it (graphics.h): the hour
// hand 4 pixels wide, the minute hand 3 pixels wide (both in the text
// colour) and a 1 pixel dark red second hand, from the centre of the content
// box, min(width, height) / 2 - 12 pixels long (the hour hand 60% of that).
// Behaviour event timer_control restarts the ticking (reason non-zero) or
// stops it (reason 0).
#pragma once

#include <cstdint>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/graphics.h"

namespace htmlayout {

struct clock_time {
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

class clock : public behavior {
 public:
  using time_source = clock_time (*)();

  // Joins the behaviour list as "clock"; the hands show what `now` answers.
  explicit clock(time_source now = local_time);

  // The local time of day.
  static clock_time local_time();

  void attached(const dom::element& he) override;
  void detached(const dom::element& he) override;
  // Asks for the element to be redrawn and keeps ticking.
  bool on_timer(const dom::element& he) override;
  // Draws the hands for layer 1 (content) when `gfx` is a graphics object;
  // other layers are left to the host.
  bool on_draw(const dom::element& he, uint32_t layer, void* gfx, const rect& area) override;
  bool on_event(const dom::element& he, const dom::element& target, uint32_t event_type,
                uintptr_t reason) override;

  static constexpr uint32_t tick_ms = 1000;
  static constexpr color second_hand_color{127, 0, 0, 255};

 private:
  time_source now_;
};

}  // namespace htmlayout
