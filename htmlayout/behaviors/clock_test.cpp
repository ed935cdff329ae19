// "clock": its timer through the input's clock, and its hands drawn into a
// recording graphics at fixed times.
#include "htmlayout/behaviors/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "htmlayout/dom/document_observer.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

constexpr const char* page = R"(<html><head><style>
  #face, #hidden-face { behavior: clock; }
  .gone { display: none; }
</style></head><body><div id=face></div>
<div class=gone><div id=hidden-face></div></div></body></html>)";

// Counts the redraws the page asks for.
struct redraws : document_observer {
  void update_requested(const element_node&, bool) override { ++count; }
  int count = 0;
};

TEST(ClockTest, TicksEverySecondWhileShownAndStopsOrRestartsWhenTold) {
  testing::stock_window w(page);
  redraws seen;
  w.doc.add_observer(&seen);
  const dom::element face = w["face"];
  ASSERT_EQ(w.in.next_timer_due(), 1000u);  // the hidden clock keeps none
  w.in.advance_clock(1000);
  w.in.advance_clock(2000);
  EXPECT_EQ(seen.count, 2);
  EXPECT_TRUE(face.send_event(event::timer_control, face, 0));
  EXPECT_FALSE(w.in.next_timer_due());
  w.in.advance_clock(5000);
  face.send_event(event::timer_control, face, 1);
  EXPECT_EQ(w.in.next_timer_due(), 6000u);
  w.in.advance_clock(6000);
  EXPECT_EQ(seen.count, 3);
  face.delete_element();  // a clock taken out of the page ticks no more
  w.in.advance_clock(7000);
  EXPECT_FALSE(w.in.next_timer_due());
  w.doc.remove_observer(&seen);
}

// Writes each line as "x,y>x,y wWIDTH RED".
struct recording_graphics : graphics {
  void line(point from, point to, color c, int width) override {
    lines.push_back(std::to_string(from.x) + "," + std::to_string(from.y) + ">" +
                    std::to_string(to.x) + "," + std::to_string(to.y) + " w" +
                    std::to_string(width) + " " + std::to_string(c.red));
  }
  color text_color() const override { return {10, 20, 30, 255}; }
  std::vector<std::string> lines;
};

// A clock showing `now`, registered after the stock one so that the page
// finds it first.
struct fixed_clock : testing::stock_behaviors_registered {
  inline static clock_time now;
  clock face_clock{[] { return now; }};
};

TEST(ClockTest, HandsPointAtTheTimeFromTheCentreOnTheContentLayerOnly) {
  struct window : fixed_clock, testing::stock_window {
    window() : stock_window(page) {}
  } w;
  using Lines = std::vector<std::string>;
  const struct {
    clock_time time;
    rect area;
    uint32_t layer;
    bool handled;
    Lines lines;
  } cases[] = {
      // A box 200 x 120 at (10, 20): centre (110, 80), hands 120 / 2 - 12 = 48
      // long, the hour hand 0.6 of that; the second hand red.
      {{18, 15, 30},
       {10, 20, 210, 140},
       1,
       true,
       {"110,80>106,109 w4 10", "110,80>158,80 w3 10", "110,80>110,128 w1 127"}},
      {{23, 59, 45},
       {0, 0, 100, 100},
       1,
       true,
       {"50,50>50,27 w4 10", "50,50>46,12 w3 10", "50,50>12,50 w1 127"}},
      {{3, 0, 0}, {0, 0, 100, 100}, 0, false, {}},
      {{3, 0, 0}, {0, 0, 100, 100}, 2, false, {}},
      // Under 24 pixels the hands would come out backwards: none are drawn.
      {{3, 0, 0}, {0, 0, 200, 22}, 1, true, {}},
  };
  for (const auto& c : cases) {
    fixed_clock::now = c.time;
    recording_graphics g;
    draw_params params;
    params.cmd = c.layer;
    params.gfx = static_cast<graphics*>(&g);
    params.area = c.area;
    EXPECT_EQ(element_proc(&w.face_clock, w["face"], group::draw, &params), c.handled);
    EXPECT_EQ(g.lines, c.lines) << c.time.hour;
  }
}

}  // namespace
}  // namespace htmlayout
