#include "shell/double_copy_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace pvl {
namespace {

using verdict = double_copy_rule::verdict;

TEST(DoubleCopyRuleTest, TwoCtrlPressesWithinTheWindowCaptureOnce) {
  double_copy_rule rule;
  EXPECT_EQ(rule.on_copy_key(10000, true), verdict::remembered);
  EXPECT_EQ(rule.on_copy_key(10241, true), verdict::capture);
  EXPECT_EQ(rule.remembered_time(), 10000u);
}

TEST(DoubleCopyRuleTest, TheWindowIsHalfOpen) {
  double_copy_rule rule;
  rule.on_copy_key(10000, true);
  EXPECT_EQ(rule.on_copy_key(10499, true), verdict::capture);
  EXPECT_EQ(rule.on_copy_key(10500, true), verdict::remembered);
  EXPECT_EQ(rule.remembered_time(), 10500u);
}

TEST(DoubleCopyRuleTest, PressesTooFarApartNeverCapture) {
  double_copy_rule rule;
  for (uint32_t time = 1000; time < 10000; time += 700) {
    EXPECT_EQ(rule.on_copy_key(time, true), verdict::remembered) << time;
  }
}

TEST(DoubleCopyRuleTest, AThirdPressCountsFromTheFirst) {
  double_copy_rule rule;
  rule.on_copy_key(5000, true);
  EXPECT_EQ(rule.on_copy_key(5200, true), verdict::capture);
  EXPECT_EQ(rule.on_copy_key(5450, true), verdict::capture);     // 450 ms after the first
  EXPECT_EQ(rule.on_copy_key(5650, true), verdict::remembered);  // 650 ms after the first
  EXPECT_EQ(rule.on_copy_key(5900, true), verdict::capture);     // 250 ms after that one
}

TEST(DoubleCopyRuleTest, APressWithoutCtrlIsIgnored) {
  // "c" typed, then Ctrl+C 100 ms later: a first press, passed on.
  double_copy_rule rule;
  EXPECT_EQ(rule.on_copy_key(2000, false), verdict::ignored);
  EXPECT_FALSE(rule.remembered_time());
  EXPECT_EQ(rule.on_copy_key(2100, true), verdict::remembered);
  // A plain press inside the window leaves the remembered time as it is.
  EXPECT_EQ(rule.on_copy_key(2400, false), verdict::ignored);
  EXPECT_EQ(rule.on_copy_key(2550, true), verdict::capture);  // 450 ms after the first
  EXPECT_EQ(rule.remembered_time(), 2100u);
}

TEST(DoubleCopyRuleTest, TheFirstPressEverNeverCapturesWhateverTheServerTime) {
  // The server's clock starts near zero; an early first press must not be
  // mistaken for a second one.
  for (uint32_t time : {0u, 1u, 399u, 4294967196u, 4294967295u}) {
    double_copy_rule rule;
    EXPECT_EQ(rule.on_copy_key(time, true), verdict::remembered) << time;
  }
}

TEST(DoubleCopyRuleTest, TheServerClockWrapsAround) {
  double_copy_rule rule;
  rule.on_copy_key(4294967000u, true);
  EXPECT_EQ(rule.on_copy_key(100, true), verdict::capture);     // 396 ms later
  EXPECT_EQ(rule.on_copy_key(300, true), verdict::remembered);  // 596 ms later
}

TEST(DoubleCopyRuleTest, AnOlderTimeDoesNotCapture) {
  // Times from the server only grow; one that went backwards is read as
  // almost 2^32 ms later and so as a new first press.
  double_copy_rule rule;
  rule.on_copy_key(8000, true);
  EXPECT_EQ(rule.on_copy_key(7990, true), verdict::remembered);
}

TEST(DoubleCopyRuleTest, TerminalsKeepCtrlCAndCopyWithCtrlShiftCOrCtrlInsert) {
  using key = double_copy_rule::copy_key;
  struct step {
    uint32_t time;
    key pressed;
    bool shift;
    bool in_terminal;
    verdict expected;
  };
  struct {
    const char* name;
    std::vector<step> steps;
  } cases[] = {
      {"Ctrl+C twice in a terminal is two interrupts",
       {{1000, key::c, false, true, verdict::ignored}, {1200, key::c, false, true, verdict::ignored}}},
      {"Ctrl+Shift+C twice in a terminal",
       {{1000, key::c, true, true, verdict::remembered}, {1200, key::c, true, true, verdict::capture}}},
      {"Ctrl+Insert twice in a terminal",
       {{1000, key::insert, false, true, verdict::remembered},
        {1200, key::insert, false, true, verdict::capture}}},
      {"an interrupt between two terminal copies changes nothing",
       {{1000, key::c, true, true, verdict::remembered}, {1100, key::c, false, true, verdict::ignored},
        {1200, key::insert, false, true, verdict::capture}}},
      {"an interrupt never arms the next copy",
       {{1000, key::c, false, true, verdict::ignored}, {1200, key::c, true, true, verdict::remembered}}},
      {"Ctrl+Shift+C twice elsewhere",
       {{1000, key::c, true, false, verdict::remembered}, {1200, key::c, true, false, verdict::capture}}},
      {"Ctrl+C then Ctrl+Shift+C elsewhere",
       {{1000, key::c, false, false, verdict::remembered},
        {1200, key::c, true, false, verdict::capture}}},
  };
  for (const auto& each : cases) {
    double_copy_rule rule;
    for (const step& s : each.steps) {
      EXPECT_EQ(rule.on_copy_key({s.time, s.pressed, true, s.shift, s.in_terminal}), s.expected)
          << each.name << " at " << s.time;
    }
  }
}

}  // namespace
}  // namespace pvl
