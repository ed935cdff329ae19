#include "shell/double_selection_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace pvl {
namespace {

TEST(DoubleSelectionRuleTest, TwoSelectionsOfOneTextWithinTheWindowCaptureOnce) {
  struct selection {
    int64_t time;
    const char* text;
    bool captures;
  };
  struct {
    const char* name;
    std::vector<selection> selections;
  } cases[] = {
      {"a double copy", {{1000, "a", false}, {1200, "a", true}}},
      {"the window is half open", {{1000, "a", false}, {1499, "a", true}, {1600, "b", false},
                                   {2100, "b", false}}},
      {"700 ms apart", {{1000, "a", false}, {1700, "a", false}, {2400, "a", false}}},
      {"two texts", {{1000, "a", false}, {1100, "b", false}, {1200, "a", false}}},
      {"a third copy starts anew", {{1000, "a", false}, {1100, "a", true}, {1200, "a", false},
                                    {1300, "a", true}}},
      {"no text between breaks the pair", {{1000, "a", false}, {1100, "", false},
                                           {1200, "a", false}}},
      {"a clock that went back", {{1000, "a", false}, {900, "a", false}}},
  };
  for (const auto& each : cases) {
    double_selection_rule rule;
    for (const selection& s : each.selections) {
      EXPECT_EQ(rule.on_selection(s.time, s.text), s.captures) << each.name << " at " << s.time;
    }
  }
}

}  // namespace
}  // namespace pvl
