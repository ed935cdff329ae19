#include "shell/double_copy_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace pvl {
namespace {

using verdict = double_copy_rule::verdict;
using key = double_copy_rule::copy_key;
constexpr verdict kIgnored = verdict::ignored, kFirst = verdict::remembered,
                  kCapture = verdict::capture;

// Each row is one rule fed its presses in order; a press is Ctrl+C in an
// ordinary window unless it says otherwise. The end-to-end tests press the
// keys in terminals and elsewhere; these rows hold the times they cannot.
TEST(DoubleCopyRuleTest, EachPressGetsItsVerdict) {
  struct step {
    uint32_t time;
    verdict expected;
    bool ctrl = true;
    key pressed = key::c;
    bool shift = false;
    bool in_terminal = false;
  };
  const struct {
    const char* name;
    std::vector<step> steps;
    std::optional<uint32_t> remembered;
  } cases[] = {
      {"two within the window", {{10000, kFirst}, {10241, kCapture}}, 10000},
      {"the window is half open", {{10000, kFirst}, {10499, kCapture}, {10500, kFirst}}, 10500},
      {"too far apart", {{1000, kFirst}, {1700, kFirst}, {2400, kFirst}, {3100, kFirst}}, 3100},
      {"a third counts from the first",
       {{5000, kFirst}, {5200, kCapture}, {5450, kCapture}, {5650, kFirst}, {5900, kCapture}},
       5650},
      // "c" typed never arms a capture, nor moves the remembered time.
      {"without Ctrl", {{2000, kIgnored, false}}, std::nullopt},
      {"c between",
       {{2000, kIgnored, false}, {2100, kFirst}, {2400, kIgnored, false}, {2550, kCapture}},
       2100},
      // The server's clock starts near zero and wraps around.
      {"first at 0", {{0, kFirst}}, 0},
      {"first at 399", {{399, kFirst}}, 399},
      {"first at the end of the clock", {{4294967295u, kFirst}}, 4294967295u},
      {"the clock wraps", {{4294967000u, kFirst}, {100, kCapture}, {300, kFirst}}, 300},
      // A time that went back reads as almost 2^32 ms later: a new first.
      {"an older time", {{8000, kFirst}, {7990, kFirst}}, 7990},
      {"an interrupt between two terminal copies changes nothing",
       {{1000, kFirst, true, key::c, true, true}, {1100, kIgnored, true, key::c, false, true},
        {1200, kCapture, true, key::insert, false, true}}, 1000},
      {"Ctrl+C then Ctrl+Shift+C elsewhere", {{1000, kFirst}, {1200, kCapture, true, key::c, true}},
       1000},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    double_copy_rule rule;
    for (const step& s : each.steps) {
      EXPECT_EQ(rule.on_copy_key({s.time, s.pressed, s.ctrl, s.shift, s.in_terminal}), s.expected)
          << "at " << s.time;
    }
    EXPECT_EQ(rule.remembered_time(), each.remembered);
  }
  EXPECT_EQ(double_copy_rule().on_copy_key(1000, true), kFirst);
}

}  // namespace
}  // namespace pvl
