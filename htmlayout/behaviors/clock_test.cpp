// "clock": its timer through the input's clock, and its hands drawn into a
// recording graphics at fixed times.
#include "htmlayout/behaviors/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
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

// Counts the redraws the page asks for, by element.
class redraws : public document_observer {
 public:
  void update_requested(const element_node& e, bool) override { asked.push_back(&e); }
  size_t of(const dom::element& e) const {
    return static_cast<size_t>(std::count(asked.begin(), asked.end(), e.node()));
  }
  std::vector<const element_node*> asked;
};

TEST(ClockTest, TicksEverySecondWhileShownAndStopsOrRestartsWhenTold) {
  testing::stock_window w(page);
  redraws seen;
  w.doc.add_observer(&seen);
  const dom::element face = w["face"];
  ASSERT_EQ(w.in.next_timer_due(), 1000u);  // the hidden clock keeps none
  w.in.advance_clock(1000);
  EXPECT_EQ(seen.of(face), 1u);
  w.in.advance_clock(2000);
  EXPECT_EQ(seen.of(face), 2u);
  EXPECT_EQ(w.in.next_timer_due(), 3000u);

  EXPECT_TRUE(face.send_event(event::timer_control, face, 0));
  EXPECT_FALSE(w.in.next_timer_due());
  w.in.advance_clock(5000);
  EXPECT_EQ(seen.of(face), 2u);

  face.send_event(event::timer_control, face, 1);
  EXPECT_EQ(w.in.next_timer_due(), 6000u);
  w.in.advance_clock(6000);
  EXPECT_EQ(seen.of(face), 3u);

  // A clock taken out of the page ticks no more.
  face.delete_element();
  w.in.advance_clock(7000);
  EXPECT_FALSE(w.in.next_timer_due());
  w.doc.remove_observer(&seen);
}

class recording_graphics : public graphics {
 public:
  struct line_drawn {
    point from, to;
    color c;
    int width;
  };
  void line(point from, point to, color c, int width) override {
    lines.push_back({from, to, c, width});
  }
  color text_color() const override { return {10, 20, 30, 255}; }
  std::vector<line_drawn> lines;
};

// The direction of a line in degrees clockwise from 12 o'clock, and its length.
double degrees_of(const recording_graphics::line_drawn& l) {
  double d = std::atan2(l.to.x - l.from.x, -(l.to.y - l.from.y)) * 180 / std::numbers::pi;
  return d < 0 ? d + 360 : d;
}
// How far apart two directions are, in degrees.
double gap(double a, double b) {
  double d = std::fmod(std::abs(a - b), 360);
  return std::min(d, 360 - d);
}
double length_of(const recording_graphics::line_drawn& l) {
  return std::hypot(l.to.x - l.from.x, l.to.y - l.from.y);
}

// A clock showing `now`, registered after the stock one so that the page
// finds it first.
struct fixed_clock : testing::stock_behaviors_registered {
  inline static clock_time now;
  clock face_clock{[] { return now; }};
};

struct clock_window : fixed_clock, testing::stock_window {
  clock_window() : stock_window(page) {}
  std::vector<recording_graphics::line_drawn> draw(rect area, uint32_t layer = 1,
                                                   bool* handled = nullptr) {
    recording_graphics g;
    draw_params params;
    params.cmd = layer;
    params.gfx = static_cast<graphics*>(&g);
    params.area = area;
    bool answer = element_proc(&face_clock, (*this)["face"], group::draw, &params);
    if (handled) *handled = answer;
    return g.lines;
  }
};

bool same_color(color a, color b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

TEST(ClockTest, HandsPointAtTheTimeFromTheCentreOfTheBox) {
  clock_window w;
  fixed_clock::now = {18, 15, 30};
  bool handled = false;
  // A box 200 x 120 at (10, 20): centre (110, 80), hands 120 / 2 - 12 = 48 long.
  auto lines = w.draw({10, 20, 210, 140}, 1, &handled);
  EXPECT_TRUE(handled);
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& l : lines) {
    EXPECT_EQ(l.from.x, 110);
    EXPECT_EQ(l.from.y, 80);
  }
  const auto& hour = lines[0];
  const auto& minute = lines[1];
  const auto& second = lines[2];
  EXPECT_LT(gap(degrees_of(hour), 187.5), 1.5);  // just past six
  EXPECT_LT(gap(degrees_of(minute), 90), 1.5);
  EXPECT_LT(gap(degrees_of(second), 180), 1.5);
  EXPECT_NEAR(length_of(minute), 48, 1);
  EXPECT_NEAR(length_of(second), 48, 1);
  EXPECT_LT(length_of(hour), length_of(minute) - 10);
  EXPECT_EQ(minute.width, 3);
  EXPECT_EQ(second.width, 1);
  EXPECT_GT(hour.width, minute.width);
  EXPECT_TRUE(same_color(minute.c, {10, 20, 30, 255}));
  EXPECT_TRUE(same_color(hour.c, {10, 20, 30, 255}));
  EXPECT_TRUE(same_color(second.c, {127, 0, 0, 255}));

  fixed_clock::now = {23, 59, 45};
  lines = w.draw({0, 0, 100, 100});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_LT(gap(degrees_of(lines[0]), 359.5), 1.5);
  EXPECT_LT(gap(degrees_of(lines[1]), 354), 1.5);
  EXPECT_LT(gap(degrees_of(lines[2]), 270), 1.5);
}

TEST(ClockTest, OnlyTheContentLayerOfABoxWithRoomForHandsIsDrawn) {
  clock_window w;
  fixed_clock::now = {3, 0, 0};
  bool handled = true;
  EXPECT_TRUE(w.draw({0, 0, 100, 100}, 0, &handled).empty());
  EXPECT_FALSE(handled);
  EXPECT_TRUE(w.draw({0, 0, 100, 100}, 2, &handled).empty());
  EXPECT_FALSE(handled);
  // Under 24 pixels the hands would come out backwards: none are drawn.
  EXPECT_TRUE(w.draw({0, 0, 200, 22}, 1, &handled).empty());
  EXPECT_TRUE(handled);
  EXPECT_EQ(w.draw({0, 0, 200, 26}).size(), 3u);
}

}  // namespace
}  // namespace htmlayout
