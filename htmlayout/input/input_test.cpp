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

using ::testing::ElementsAre;
using testing::recorder;
using testing::test_window;

constexpr uint32_t main_button = mouse::main_button;
constexpr uint32_t right_button = mouse::prop_button;

TEST(ControlTest, ButtonsAndLinksClickWhenReleasedInsideOrByTheClickMethod) {
  std::vector<std::string> log;
  recorder rec(log, "test-controls", group::behavior_event | group::method_call);
  rec.react = [](const dom::element& he, const std::string& line) {
    return line == "own method 0" && he.has_attribute("takes");
  };
  test_window w(R"(<style>body, #own { behavior: test-controls }</style>
    <button id=btn>Go</button><a id=link href="page.html"><span id=text>link</span></a>
    <a id=plain>no href</a><button id=off disabled>Off</button><div id=away></div>
    <input id=box type=checkbox><div id=own takes></div>)");
  w.place("btn", {0, 0, 50, 20});
  w.place("link", {0, 30, 50, 50});
  w.place("text", {5, 32, 45, 48});
  w.place("plain", {0, 60, 50, 80});
  w.place("off", {0, 90, 50, 110});
  w.place("away", {100, 0, 200, 200});
  w.click("text");
  w.click("plain");
  w.click("off");
  w.click("btn", right_button);  // the right button clicks nothing
  EXPECT_THAT(log, ElementsAre("body event 80 link"));

  // Pressed, then released elsewhere: no click; :active only while pressed.
  log.clear();
  w.in.mouse_down(w.center("btn"), main_button, 0);
  EXPECT_TRUE(w["btn"].get_state() & state::active);
  w.in.mouse_move(w.center("away"), main_button, 0);
  w.in.mouse_up(w.center("away"), main_button, 0);
  EXPECT_FALSE(w["btn"].get_state() & state::active);
  w.in.mouse_down(w.center("link"), main_button, 0);
  w.in.mouse_up(w.center("away"), main_button, 0);
  EXPECT_THAT(log, ElementsAre("body event 1 btn"));

  log.clear();
  method_params click;
  click.method_id = method::click;
  for (const char* id : {"btn", "box", "link", "own"})
    EXPECT_TRUE(w[id].call_behavior_method(click)) << id;
  EXPECT_TRUE(w["box"].get_state() & state::checked);
  EXPECT_FALSE(w["away"].call_behavior_method(click));
  method_params other;
  other.method_id = 7;
  EXPECT_FALSE(w["btn"].call_behavior_method(other));
  EXPECT_THAT(log, ElementsAre("body event 0 btn", "body event 2 box", "body event 0 box",
                               "body event 80 link", "own method 0"));
}

TEST(MouseDispatchTest, ANewPageOrLosingTheKeyboardEndsGestures) {
  test_window w("<button id=btn>Go</button><div id=pane></div><menu id=m></menu>");
  w.place("btn", {0, 0, 10, 10});
  w.place("pane", {10, 0, 20, 10});
  w.in.mouse_move({5, 5}, 0, 0);
  w.in.mouse_down({5, 5}, main_button, 0);
  w.in.set_capture(w["pane"]);
  show_popup(w["m"], w["pane"], placement::below);
  w.in.view_deactivated();
  EXPECT_FALSE(w.in.capture());
  EXPECT_FALSE(w["btn"].get_state() & state::active);
  EXPECT_TRUE(w.in.popups().empty());

  w.in.set_capture(w["pane"]);
  show_popup(w["m"], w["pane"], placement::below);
  set_timer(w["pane"], 10);
  w.doc.load_html("<p id=p></p>");
  EXPECT_FALSE(w.in.capture() || w.in.hovered() || w.in.next_timer_due());
  EXPECT_TRUE(w.in.popups().empty());
}

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
