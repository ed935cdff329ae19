#include "htmlayout/input/timer_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Divs keep their timers ticking unless they carry "once". The behaviours
// outlive the window's document, which calls them as it goes.
struct timer_window_behaviors {
  std::vector<std::string> log;
  testing::recorder rec{log, "test-timers", group::timer};
};

struct timer_window : timer_window_behaviors, testing::test_window {
  timer_window() {
    doc.load_html(R"(<style>div { behavior: test-timers }</style>
      <div id=a></div><div id=b></div><p id=none></p>)");
    rec.react = [](const dom::element& he, const std::string&) {
      return !he.has_attribute("once");
    };
  }
};

TEST(TimerTest, TimersFireInTheOrderTheyFallDueAndRepeatUntilDeclined) {
  timer_window w;
  EXPECT_FALSE(w.in.next_timer_due());
  EXPECT_TRUE(set_timer(w["a"], 100));
  EXPECT_TRUE(set_timer(w["b"], 30));
  EXPECT_EQ(w.in.next_timer_due(), 30u);
  w.in.advance_clock(29);
  EXPECT_THAT(w.log, IsEmpty());
  for (uint64_t t = 30; t <= 120; t += 30) w.in.advance_clock(t);
  EXPECT_THAT(w.log, ElementsAre("b timer", "b timer", "b timer", "a timer", "b timer"));
  EXPECT_EQ(w.in.next_timer_due(), 150u);

  // A handler that declines stops its timer, as does an element without one.
  w.log.clear();
  w["a"].set_attribute("once", L"");
  set_timer(w["a"], 10);
  set_timer(w["b"], 10);
  set_timer(w["none"], 5);
  for (uint64_t t : {130, 140, 1000}) w.in.advance_clock(t);
  EXPECT_THAT(w.log, ElementsAre("a timer", "b timer", "b timer", "b timer"));
  // A clock that jumps fires once and keeps the rhythm from then.
  EXPECT_EQ(w.in.next_timer_due(), 1010u);
  w.in.advance_clock(500);  // time never runs backwards
  EXPECT_EQ(w.log.size(), 4u);
  // Zero stops a timer, and an element taken out of the page loses its own.
  set_timer(w["a"], 10);
  set_timer(w["a"], 0);
  dom::element b = w["b"];
  b.detach();
  w.in.advance_clock(2000);
  EXPECT_EQ(w.log.size(), 4u);
  EXPECT_FALSE(w.in.next_timer_due());
  EXPECT_FALSE(set_timer(b, 10));
}

// Starts a timer of 100 ms as it is attached, as a clock does.
struct starts_timer : behavior {
  starts_timer() : behavior(group::timer, "test-starts-timer") {}
  int ticks = 0;
  void attached(const dom::element& he) override { set_timer(he, 100); }
  bool on_timer(const dom::element&) override { return ++ticks < 3; }
};

TEST(TimerTest, TimersSetBeforeTheInputExistsAreKeptForIt) {
  starts_timer behaviour;
  document doc;
  doc.set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
  doc.load_html(R"(<style>.clock { behavior: test-starts-timer }</style>
    <div class=clock id=kept></div><div class=clock id=gone></div>)");
  doc.root().select_first("#gone").delete_element();

  testing::fixed_layout layout;
  input in(doc, layout);
  int changes = 0;
  in.set_timers_changed([&] { ++changes; });
  EXPECT_EQ(in.next_timer_due(), 100u);
  in.advance_clock(99);
  EXPECT_EQ(behaviour.ticks, 0);
  in.advance_clock(100);
  EXPECT_EQ(behaviour.ticks, 1);  // only the element still in the page
  in.advance_clock(200);
  in.advance_clock(300);
  EXPECT_EQ(behaviour.ticks, 3);  // and it stopped
  EXPECT_FALSE(in.next_timer_due());
  // Later timers reach the input and tell the host.
  set_timer(doc.root().select_first("#kept"), 50);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(in.next_timer_due(), 350u);
}

}  // namespace
}  // namespace htmlayout
