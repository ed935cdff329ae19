// "tabs" through real presses and keys: selecting tabs and their panels, the
// events posted, and strips nested in a panel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* page = R"(<html><head><style>
  body { behavior: test-tabs-log; }
  #outer, #inner { behavior: tabs; }
  .gone { display: none; }
</style></head><body>
<div id=outer>
  <div id=bar><span id=t1 panel=one selected>One</span>
    <span id=t2 panel="it's &quot;two&quot;">Two</span>
    <span id=t3 panel=three disabled>Three</span><span id=t4 panel=four>Four</span>
    <span id=t5 panel=five class=gone>Five</span></div>
  <div id=p1 name=one><a id=inside href="#x">a link in the panel</a>
    <div id=inner><span id=n1 panel=one selected>Inner one</span>
      <span id=n2 panel=two>Inner two</span>
      <div id=np1 name=one>inner 1</div><div id=np2 name=two>inner 2</div></div></div>
  <div id=p2 name="it's &quot;two&quot;">2</div><div id=p3 name=three>3</div>
  <div id=p4 name=four>4</div>
</div></body></html>)";

struct logged {
  std::vector<std::string> log;
  testing::recorder body{log, "test-tabs-log", group::behavior_event};
};

struct window : logged, testing::stock_window {
  window() : stock_window(page) {
    place("outer", {0, 0, 400, 300});
    place("bar", {0, 0, 400, 20});
    int left = 0;
    for (const char* tab : {"t1", "t2", "t3", "t4"}) {
      place(tab, {left, 0, left + 50, 20});
      left += 60;
    }
    place("p1", {0, 20, 400, 300});
    place("inside", {0, 20, 100, 40});
    place("inner", {0, 50, 400, 300});
    place("n1", {0, 50, 50, 70});
    place("n2", {60, 50, 110, 70});
  }
  // The ids of the outer strip's current tabs.
  std::string current_tab() {
    std::string ids;
    for (const char* id : {"t1", "t2", "t3", "t4", "t5"})
      if ((*this)[id].get_state() & state::current) ids += id;
    return ids;
  }
  bool has(const char* id, uint32_t bit) { return ((*this)[id].get_state() & bit) != 0; }
};

TEST(TabsTest, APressSelectsATabAndItsPanelAndPostsTheChangeOnce) {
  window w;
  EXPECT_EQ(w.current_tab(), "t1");
  EXPECT_TRUE(w.has("p1", state::expanded));
  EXPECT_FALSE(w.has("p2", state::expanded));

  w.click("t2");
  EXPECT_EQ(w.current_tab(), "t2");
  EXPECT_FALSE(w["t1"].has_attribute("selected"));
  EXPECT_TRUE(w["t2"].has_attribute("selected"));
  EXPECT_TRUE(w.has("p1", state::collapsed));
  EXPECT_FALSE(w.has("p1", state::expanded));
  EXPECT_FALSE(w["p1"].has_attribute("selected"));
  // The panel whose name holds quotes is found by its exact name.
  EXPECT_TRUE(w.has("p2", state::expanded));
  EXPECT_FALSE(w.has("p2", state::collapsed));
  EXPECT_TRUE(w["p2"].has_attribute("selected"));
  EXPECT_THAT(w.log, ElementsAre("body event 90 t1", "body event 91 t2"));

  // The selected tab again, and a disabled one: nothing happens.
  w.log.clear();
  w.click("t2");
  w.in.mouse_double_click(w.center("t2"), mouse::main_button, 0);
  w.click("t3");
  EXPECT_THAT(w.log, IsEmpty());
  EXPECT_EQ(w.current_tab(), "t2");
  EXPECT_TRUE(w.has("p2", state::expanded));
}

TEST(TabsTest, KeysMoveAlongTheStripPassingOverDisabledAndHiddenTabs) {
  window w;
  w.click("t1");  // the strip takes the focus
  ASSERT_EQ(w.doc.focused(), w["outer"]);
  w.in.key_down(vk::right, 0);
  EXPECT_EQ(w.current_tab(), "t2");
  w.in.key_down(vk::right, 0);
  EXPECT_EQ(w.current_tab(), "t4");
  w.in.key_down(vk::right, 0);  // the last stays
  EXPECT_EQ(w.current_tab(), "t4");
  EXPECT_TRUE(w.has("p4", state::expanded));
  w.in.key_down(vk::home, 0);
  EXPECT_EQ(w.current_tab(), "t1");
  w.in.key_down(vk::left, 0);
  EXPECT_EQ(w.current_tab(), "t1");
  w.in.key_down(vk::end, 0);
  EXPECT_EQ(w.current_tab(), "t4");
  // Ctrl+Tab and Ctrl+Shift+Tab go round.
  w.in.key_down(vk::tab, keyboard::control);
  EXPECT_EQ(w.current_tab(), "t1");
  w.in.key_down(vk::tab, keyboard::control | keyboard::shift);
  EXPECT_EQ(w.current_tab(), "t4");
  w.in.key_down(vk::tab, keyboard::control | keyboard::shift);
  EXPECT_EQ(w.current_tab(), "t2");
  w.in.key_down(vk::tab, 0);  // Tab alone is not the strip's
  EXPECT_EQ(w.current_tab(), "t2");
  EXPECT_TRUE(w.has("p2", state::expanded));
  EXPECT_TRUE(w.has("p4", state::collapsed));
}

TEST(TabsTest, ArrowsInsideAPanelAreLeftToItsContentButCtrlTabIsNot) {
  window w;
  w.click("inside");
  ASSERT_EQ(w.doc.focused(), w["inside"]);
  w.in.key_down(vk::right, 0);
  w.in.key_down(vk::end, 0);
  EXPECT_EQ(w.current_tab(), "t1");
  w.in.key_down(vk::tab, keyboard::control);
  EXPECT_EQ(w.current_tab(), "t2");
}

TEST(TabsTest, AStripInsideAPanelKeepsItsOwnTabsAndPanels) {
  window w;
  // Both strips have a tab "one" selected; each found its own panel.
  EXPECT_TRUE(w.has("n1", state::current));
  EXPECT_TRUE(w.has("np1", state::expanded));
  EXPECT_TRUE(w.has("p1", state::expanded));

  w.click("n2");
  EXPECT_TRUE(w.has("n2", state::current));
  EXPECT_TRUE(w.has("np2", state::expanded));
  EXPECT_TRUE(w.has("np1", state::collapsed));
  EXPECT_EQ(w.current_tab(), "t1");
  EXPECT_TRUE(w.has("p1", state::expanded));
  EXPECT_THAT(w.log, ElementsAre("body event 90 n1", "body event 91 n2"));

  // The outer strip's keys pass over the inner tabs, and its change of
  // panels leaves the inner expanded panel alone.
  w.log.clear();
  w.click("t1");
  w.in.key_down(vk::right, 0);
  EXPECT_EQ(w.current_tab(), "t2");
  EXPECT_TRUE(w.has("n2", state::current));
  EXPECT_TRUE(w.has("np2", state::expanded));
  EXPECT_FALSE(w.has("np2", state::collapsed));
  EXPECT_THAT(w.log, ElementsAre("body event 90 t1", "body event 91 t2"));
}

}  // namespace
}  // namespace htmlayout
