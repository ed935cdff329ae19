#include "htmlayout/input/input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using testing::recorder;
using testing::test_window;

TEST(WheelTest, ScrollsTheInnermostOverflowingBoxUnderThePointerUnlessAHandlerTakesIt) {
  std::vector<std::string> log;
  recorder rec(log, "test-wheel", group::mouse);
  test_window w(R"(<style>#other { behavior: test-wheel }</style>
    <div id=outer style="overflow: auto"><div id=inner style="overflow: scroll">
    <p id=text>text</p></div></div><div id=plain style="overflow: auto"><p id=other>x</p></div>)");
  w.place("outer", {0, 0, 100, 100});
  w.place("inner", {0, 0, 100, 50});
  w.place("text", {0, 0, 100, 20});
  w.place("plain", {0, 100, 100, 200});
  w.place("other", {0, 100, 100, 120});
  w.layout.set_scroll_limit(w["outer"], 300);
  w.layout.set_scroll_limit(w["plain"], 300);
  auto positions = [&] {
    return std::to_string(w.layout.scroll_position(w["outer"])) + " " +
           std::to_string(w.layout.scroll_position(w["inner"])) + " " +
           std::to_string(w.layout.scroll_position(w["plain"]));
  };
  w.in.wheel({5, 5}, 40, 0);  // the inner box has nothing to scroll: the outer one moves
  EXPECT_EQ(positions(), "40 0 0");
  w.layout.set_scroll_limit(w["inner"], 30);
  w.in.wheel({5, 5}, 40, 0);
  EXPECT_EQ(positions(), "40 30 0");  // clamped at its end
  w.in.wheel({5, 5}, -100, 0);
  EXPECT_EQ(positions(), "40 0 0");
  w.in.wheel({5, 250}, 40, 0);  // outside any box nothing scrolls
  EXPECT_EQ(positions(), "40 0 0");
  rec.react = [](const dom::element&, const std::string& line) {
    return line == "other mouse 6 other";
  };
  w.in.wheel({5, 105}, 40, 0);
  EXPECT_EQ(positions(), "40 0 0");
  EXPECT_THAT(log, ::testing::Contains("other mouse 6 other"));
}

}  // namespace
}  // namespace htmlayout
