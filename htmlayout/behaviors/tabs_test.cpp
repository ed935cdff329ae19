// "tabs" through real presses and keys, with a strip nested in a panel.
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
    int left = 0;
    for (const char* tab : {"t1", "t2", "t3", "t4"}) place(tab, {left, 0, left += 50, 20});
    place("p1", {0, 20, 400, 300});
    place("inside", {0, 20, 100, 40});
    place("n1", {0, 50, 50, 70});
    place("n2", {60, 50, 110, 70});
  }
  // The ids of the elements given that have `bit`.
  std::string with(uint32_t bit, std::initializer_list<const char*> ids) {
    std::string out;
    for (const char* id : ids)
      if ((*this)[id].get_state() & bit) out += id;
    return out;
  }
  std::string current_tab() { return with(state::current, {"t1", "t2", "t3", "t4", "t5"}); }
};

TEST(TabsTest, KeysMoveAlongTheStripPassingOverDisabledAndHiddenTabs) {
  window w;
  w.click("t1");  // the strip takes the focus
  ASSERT_EQ(w.doc.focused(), w["outer"]);
  w.click("t3");  // disabled
  w.in.mouse_double_click(w.center("t2"), mouse::main_button, 0);
  w.click("t1");
  const struct {
    uint32_t key, keys;
    const char* current;
  } steps[] = {
      {vk::right, 0, "t2"},
      {vk::right, 0, "t4"},
      {vk::right, 0, "t4"},
      {vk::home, 0, "t1"},
      {vk::left, 0, "t1"},
      {vk::end, 0, "t4"},
      // Ctrl+Tab and Ctrl+Shift+Tab go round; Tab alone is not the strip's.
      {vk::tab, keyboard::control, "t1"},
      {vk::tab, keyboard::control | keyboard::shift, "t4"},
      {vk::tab, keyboard::control | keyboard::shift, "t2"},
      {vk::tab, 0, "t2"},
  };
  for (const auto& step : steps) {
    w.in.key_down(step.key, step.keys);
    EXPECT_EQ(w.current_tab(), step.current) << step.key;
  }
  EXPECT_EQ(w.with(state::expanded, {"p1", "p2", "p4"}), "p2");

  // Inside a panel the arrows are its content's, but Ctrl+Tab is not.
  w.click("inside");
  ASSERT_EQ(w.doc.focused(), w["inside"]);
  w.in.key_down(vk::right, 0);
  w.in.key_down(vk::end, 0);
  EXPECT_EQ(w.current_tab(), "t2");
  w.in.key_down(vk::tab, keyboard::control);
  EXPECT_EQ(w.current_tab(), "t4");
}

}  // namespace
}  // namespace htmlayout
