#include "htmlayout/input/input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::recorder;
using testing::test_window;

constexpr uint32_t main_button = mouse::main_button;
constexpr uint32_t right_button = mouse::prop_button;

// Three nested elements; the middle one has two handlers.
constexpr const char* nested_page = R"(<html><head><style>
  #outer, #leaf { behavior: test-nested; }
  #middle { behavior: test-nested test-nested-second; }
</style></head><body>
<div id=outer><div id=middle><span id=leaf>x</span></div></div>
</body></html>)";

// The behaviours outlive the window's document, which calls them as it goes.
struct nested_window_behaviors {
  std::vector<std::string> log;
  recorder first{log, "test-nested", group::mouse | group::behavior_event};
  recorder second{log, "test-nested-second", group::mouse};
};

struct nested_window : nested_window_behaviors, test_window {
  nested_window() {
    second.label = "second";
    doc.load_html(nested_page);
    place("outer", {0, 0, 100, 100});
    place("middle", {10, 10, 90, 90});
    place("leaf", {20, 20, 40, 30});
  }
};

TEST(MouseDispatchTest, ClickOnNestedElementSinksFromRootThenBubblesBack) {
  nested_window w;
  w.in.mouse_move({25, 25}, 0, 0);
  w.log.clear();
  w.first.positions.clear();
  w.in.mouse_down({25, 25}, main_button, keyboard::control);
  EXPECT_THAT(w.log, ElementsAre("outer mouse 8004 leaf", "middle mouse 8004 leaf",
                                 "second:middle mouse 8004 leaf", "leaf mouse 8004 leaf",
                                 "leaf mouse 4 leaf", "middle mouse 4 leaf",
                                 "second:middle mouse 4 leaf", "outer mouse 4 leaf"));
  // Each handler sees the pointer relative to its own element.
  EXPECT_THAT(w.first.positions, ElementsAre("outer 25,25", "middle 15,15", "leaf 5,5", "leaf 5,5",
                                             "middle 15,15", "outer 25,25"));
  w.log.clear();
  w.in.mouse_up({26, 25}, main_button, 0);
  EXPECT_THAT(w.log, ElementsAre("outer mouse 8003 leaf", "middle mouse 8003 leaf",
                                 "second:middle mouse 8003 leaf", "leaf mouse 8003 leaf",
                                 "leaf mouse 3 leaf", "middle mouse 3 leaf",
                                 "second:middle mouse 3 leaf", "outer mouse 3 leaf"));
}

TEST(MouseDispatchTest, ButtonsAndKeysReachHandlers) {
  struct keeper : behavior {
    keeper() : behavior(group::mouse, "test-mouse-state") {}
    bool on_mouse(const dom::element&, const dom::element&, uint32_t code, int, int,
                  uint32_t buttons, uint32_t keys) override {
      seen.push_back({code, buttons, keys});
      return false;
    }
    struct entry {
      uint32_t code, buttons, keys;
      bool operator==(const entry&) const = default;
    };
    std::vector<entry> seen;
  } b;
  test_window w("<style>#box { behavior: test-mouse-state }</style><div id=box></div>");
  w.place("box", {0, 0, 50, 50});
  w.in.mouse_move({5, 5}, right_button, keyboard::shift);
  b.seen.clear();
  w.in.mouse_down({5, 5}, right_button, keyboard::control | keyboard::shift);
  w.in.mouse_move({6, 5}, right_button, 0);
  ASSERT_EQ(b.seen.size(), 4u);
  EXPECT_EQ(b.seen[1], (keeper::entry{mouse::down, right_button, 3}));
  EXPECT_EQ(b.seen[3], (keeper::entry{mouse::move, right_button, 0}));
}

TEST(MouseDispatchTest, TrueAnswerStopsTheRestAndTheEnginesOwnHandling) {
  const char* page = R"(<style>#outer, #btn { behavior: test-stop }</style>
    <div id=outer><button id=btn><span id=label>Go</span></button></div>)";
  std::vector<std::string> log;
  recorder rec(log, "test-stop", group::mouse | group::behavior_event);
  auto run = [&](const std::string& answered) {
    test_window w(page);
    w.place("outer", {0, 0, 100, 100});
    w.place("btn", {10, 10, 60, 30});
    w.place("label", {15, 15, 40, 25});
    w.in.mouse_move({20, 20}, 0, 0);
    log.clear();
    rec.react = [&](const dom::element&, const std::string& line) { return line == answered; };
    w.in.mouse_down({20, 20}, main_button, 0);
    w.in.mouse_up({20, 20}, main_button, 0);
    std::vector<std::string> seen = log;
    rec.react = nullptr;
    return seen;
  };
  // Answered in the sinking phase by the outer element: the button hears
  // nothing and is not pressed, so the release does not click it either.
  EXPECT_THAT(run("outer mouse 8004 label"),
              ElementsAre("outer mouse 8004 label", "outer mouse 8003 label",
                          "btn mouse 8003 label", "btn mouse 3 label", "outer mouse 3 label"));
  // Answered on the way up by the button: the outer element misses it.
  EXPECT_THAT(run("btn mouse 4 label"),
              ElementsAre("outer mouse 8004 label", "btn mouse 8004 label", "btn mouse 4 label",
                          "outer mouse 8003 label", "btn mouse 8003 label", "btn mouse 3 label",
                          "outer mouse 3 label"));
  // Unanswered: the button sends its press and, on the release inside it,
  // its click, each bubbling from the button.
  EXPECT_THAT(run(""),
              ElementsAre("outer mouse 8004 label", "btn mouse 8004 label", "btn mouse 4 label",
                          "outer mouse 4 label", "btn event 1 btn", "outer event 1 btn",
                          "outer mouse 8003 label", "btn mouse 8003 label", "btn mouse 3 label",
                          "outer mouse 3 label", "btn event 0 btn", "outer event 0 btn"));
}

TEST(MouseDispatchTest, DoubleClickSequence) {
  std::vector<std::string> log;
  recorder rec(log, "test-double", group::mouse | group::behavior_event);
  test_window w("<style>#btn { behavior: test-double }</style><button id=btn>Go</button>");
  w.place("btn", {0, 0, 40, 20});
  w.in.mouse_move({5, 5}, 0, 0);
  log.clear();
  w.in.mouse_down({5, 5}, main_button, 0);
  w.in.mouse_up({5, 5}, main_button, 0);
  w.in.mouse_double_click({5, 5}, main_button, 0);
  w.in.mouse_up({5, 5}, main_button, 0);
  EXPECT_THAT(log, ElementsAre("btn mouse 8004 btn", "btn mouse 4 btn", "btn event 1 btn",
                               "btn mouse 8003 btn", "btn mouse 3 btn", "btn event 0 btn",
                               "btn mouse 8005 btn", "btn mouse 5 btn", "btn event 1 btn",
                               "btn mouse 8003 btn", "btn mouse 3 btn", "btn event 0 btn"));
}

TEST(ControlTest, ButtonsAndLinksClickOnlyWhenReleasedInside) {
  std::vector<std::string> log;
  recorder rec(log, "test-controls", group::behavior_event);
  test_window w(R"(<style>body { behavior: test-controls }</style>
    <button id=btn>Go</button><a id=link href="page.html"><span id=text>link</span></a>
    <a id=plain>no href</a><button id=off disabled>Off</button><div id=away></div>)");
  w.place("btn", {0, 0, 50, 20});
  w.place("link", {0, 30, 50, 50});
  w.place("text", {5, 32, 45, 48});
  w.place("plain", {0, 60, 50, 80});
  w.place("off", {0, 90, 50, 110});
  w.place("away", {100, 0, 200, 200});
  w.click("text");
  w.click("plain");
  w.click("off");
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
  // The right button clicks nothing.
  log.clear();
  w.click("btn", right_button);
  EXPECT_THAT(log, IsEmpty());
}

TEST(ControlTest, TheClickMethodClicksButtonsAndLinksUnlessAHandlerTakesIt) {
  std::vector<std::string> log;
  recorder rec(log, "test-method", group::behavior_event | group::method_call);
  rec.react = [](const dom::element& he, const std::string& line) {
    return line == "own method 0" && he.has_attribute("takes");
  };
  test_window w(R"(<style>body, #own { behavior: test-method }</style>
    <button id=btn>Go</button><input id=box type=checkbox><a id=link href="x">x</a>
    <div id=own takes></div><div id=plain></div>)");
  method_params click;
  click.method_id = method::click;
  EXPECT_TRUE(w["btn"].call_behavior_method(click));
  EXPECT_TRUE(w["box"].call_behavior_method(click));
  EXPECT_TRUE(w["box"].get_state() & state::checked);
  EXPECT_TRUE(w["link"].call_behavior_method(click));
  EXPECT_TRUE(w["own"].call_behavior_method(click));
  EXPECT_FALSE(w["plain"].call_behavior_method(click));
  method_params other;
  other.method_id = 7;
  EXPECT_FALSE(w["btn"].call_behavior_method(other));
  EXPECT_THAT(log, ElementsAre("body event 0 btn", "body event 2 box", "body event 0 box",
                               "body event 80 link", "own method 0"));
}

TEST(MouseDispatchTest, HoverFollowsThePointerWithLeaveAndEnter) {
  nested_window w;
  w.in.mouse_move({25, 25}, 0, 0);
  EXPECT_THAT(
      w.log,
      ElementsAre("outer mouse 8000 leaf", "middle mouse 8000 leaf",
                  "second:middle mouse 8000 leaf", "leaf mouse 8000 leaf", "leaf mouse 0 leaf",
                  "middle mouse 0 leaf", "second:middle mouse 0 leaf", "outer mouse 0 leaf",
                  "outer mouse 8002 leaf", "middle mouse 8002 leaf",
                  "second:middle mouse 8002 leaf", "leaf mouse 8002 leaf", "leaf mouse 2 leaf",
                  "middle mouse 2 leaf", "second:middle mouse 2 leaf", "outer mouse 2 leaf"));
  for (const char* id : {"outer", "middle", "leaf"})
    EXPECT_TRUE(w[id].get_state() & state::hover) << id;
  EXPECT_TRUE(w.doc.root().get_state() & state::hover);
  EXPECT_EQ(w.in.hovered(), w["leaf"]);

  // Within the same element only moves are sent.
  w.log.clear();
  w.in.mouse_move({30, 25}, 0, 0);
  EXPECT_EQ(w.log.size(), 8u);
  EXPECT_EQ(w.log.front(), "outer mouse 8002 leaf");

  w.log.clear();
  w.in.mouse_move({5, 5}, 0, 0);
  EXPECT_THAT(std::vector<std::string>(w.log.begin(), w.log.begin() + 4),
              ElementsAre("outer mouse 8001 leaf", "middle mouse 8001 leaf",
                          "second:middle mouse 8001 leaf", "leaf mouse 8001 leaf"));
  EXPECT_EQ(w.log[8], "outer mouse 8000 outer");
  EXPECT_EQ(w.log.back(), "outer mouse 2 outer");
  EXPECT_TRUE(w["outer"].get_state() & state::hover);
  EXPECT_FALSE(w["middle"].get_state() & state::hover);
  EXPECT_FALSE(w["leaf"].get_state() & state::hover);

  w.log.clear();
  w.in.mouse_leave();
  EXPECT_THAT(w.log, ElementsAre("outer mouse 8001 outer", "outer mouse 1 outer"));
  EXPECT_FALSE(w["outer"].get_state() & state::hover);
  EXPECT_FALSE(w.doc.root().get_state() & state::hover);
  EXPECT_FALSE(w.in.hovered());
}

TEST(MouseDispatchTest, HoverLeavesAnElementThatIsDeletedUnderThePointer) {
  nested_window w;
  w.in.mouse_move({25, 25}, 0, 0);
  w["middle"].delete_element();
  w.log.clear();
  w.in.mouse_move({25, 26}, 0, 0);
  EXPECT_EQ(w.in.hovered(), w["outer"]);
  EXPECT_EQ(w.log.front(), "outer mouse 8000 outer");
}

TEST(MouseDispatchTest, CaptureKeepsEventsOnTheCapturingElement) {
  std::vector<std::string> log;
  recorder rec(log, "test-capture", group::mouse);
  rec.react = [](const dom::element& he, const std::string& line) {
    if (line == "bar mouse 4 bar") return set_capture(he);
    if (line == "bar mouse 3 bar") return release_capture(he);
    return false;
  };
  test_window w(R"(<style>#bar, #pane { behavior: test-capture }</style>
    <div id=pane></div><div id=bar></div>)");
  w.place("pane", {0, 0, 100, 100});
  w.place("bar", {100, 0, 110, 100});
  w.in.mouse_move({105, 50}, 0, 0);
  w.in.mouse_down({105, 50}, main_button, 0);
  EXPECT_EQ(w.in.capture(), w["bar"]);
  log.clear();
  rec.positions.clear();

  // Over the pane, the events still go to the bar, relative to the bar.
  w.in.mouse_move({40, 50}, main_button, 0);
  w.in.mouse_move({30, 60}, main_button, 0);
  EXPECT_THAT(log, ElementsAre("bar mouse 8002 bar", "bar mouse 2 bar", "bar mouse 8002 bar",
                               "bar mouse 2 bar"));
  EXPECT_THAT(rec.positions, ElementsAre("bar -60,50", "bar -60,50", "bar -70,60", "bar -70,60"));
  EXPECT_TRUE(w["bar"].get_state() & state::hover);
  EXPECT_FALSE(w["pane"].get_state() & state::hover);
  EXPECT_EQ(w.in.hovered(), w["bar"]);

  // The release goes to the bar too, which lets go; the pane then gets the
  // pointer it is under.
  log.clear();
  w.in.mouse_up({30, 60}, main_button, 0);
  EXPECT_FALSE(w.in.capture());
  EXPECT_THAT(log, ElementsAre("bar mouse 8003 bar", "bar mouse 3 bar", "bar mouse 8001 bar",
                               "bar mouse 1 bar", "pane mouse 8000 pane", "pane mouse 0 pane"));
  log.clear();
  w.in.mouse_move({31, 60}, 0, 0);
  EXPECT_THAT(log, ElementsAre("pane mouse 8002 pane", "pane mouse 2 pane"));
}

TEST(MouseDispatchTest, CaptureEndsWhenTheElementIsDeleted) {
  test_window w("<div id=bar></div><div id=pane></div>");
  w.place("bar", {0, 0, 10, 10});
  w.place("pane", {10, 0, 20, 10});
  w.in.set_capture(w["bar"]);
  w["bar"].delete_element();
  w.in.mouse_move({15, 5}, 0, 0);
  EXPECT_FALSE(w.in.capture());
  EXPECT_EQ(w.in.hovered(), w["pane"]);
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
  EXPECT_FALSE(w.in.capture());
  EXPECT_FALSE(w.in.hovered());
  EXPECT_TRUE(w.in.popups().empty());
  EXPECT_FALSE(w.in.next_timer_due());
}

TEST(WheelTest, ScrollsTheInnermostOverflowingBoxUnderThePointer) {
  test_window w(R"(<div id=outer style="overflow: auto"><div id=inner style="overflow: scroll">
    <p id=text>text</p></div></div><div id=plain><p id=other>x</p></div>)");
  w.place("outer", {0, 0, 100, 100});
  w.place("inner", {0, 0, 100, 50});
  w.place("text", {0, 0, 100, 20});
  w.place("plain", {0, 100, 100, 200});
  w.place("other", {0, 100, 100, 120});
  w.layout.set_scroll_limit(w["outer"], 300);

  // The inner box has nothing to scroll: the outer one moves.
  w.in.wheel({5, 5}, 40, 0);
  EXPECT_EQ(w.layout.scroll_position(w["outer"]), 40);
  EXPECT_EQ(w.layout.scroll_position(w["inner"]), 0);

  w.layout.set_scroll_limit(w["inner"], 30);
  w.in.wheel({5, 5}, 40, 0);
  EXPECT_EQ(w.layout.scroll_position(w["inner"]), 30);  // clamped at its end
  EXPECT_EQ(w.layout.scroll_position(w["outer"]), 40);
  w.in.wheel({5, 5}, -100, 0);
  EXPECT_EQ(w.layout.scroll_position(w["inner"]), 0);

  // Outside any scrolling box nothing scrolls.
  w.in.wheel({5, 110}, 40, 0);
  EXPECT_EQ(w.layout.scroll_position(w["outer"]), 40);
  EXPECT_EQ(w.layout.scroll_position(w["inner"]), 0);
}

TEST(WheelTest, AHandlerCanTakeTheWheel) {
  std::vector<std::string> log;
  recorder rec(log, "test-wheel", group::mouse);
  rec.react = [](const dom::element&, const std::string& line) {
    return line == "text mouse 6 text";
  };
  test_window w(R"(<style>#text { behavior: test-wheel }</style>
    <div id=box style="overflow: auto"><p id=text>text</p></div>)");
  w.place("box", {0, 0, 100, 100});
  w.place("text", {0, 0, 100, 20});
  w.layout.set_scroll_limit(w["box"], 300);
  w.in.wheel({5, 5}, 40, 0);
  EXPECT_EQ(w.layout.scroll_position(w["box"]), 0);
  EXPECT_THAT(log, ::testing::Contains("text mouse 6 text"));
}

}  // namespace
}  // namespace htmlayout
