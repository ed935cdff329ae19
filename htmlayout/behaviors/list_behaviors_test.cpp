// "expandable-list", "collapsible-list" and "collapsible-by-icon" through
// real presses and keys.
#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

constexpr const char* page = R"(<html><head><style>
  #open { behavior: expandable-list; }
  #fold { behavior: collapsible-list; }
  #node, #upper { behavior: collapsible-by-icon; }
</style></head><body>
<ul id=open>
  <li id=i1><span class=caption id=c1>One</span><p id=body1>the text of one</p></li>
  <li id=i2 default><span class=caption id=c2>Two</span></li>
  <li id=i3 default><span class=caption id=c3><b id=c3b>Three</b></span></li>
</ul>
<ul id=fold>
  <li id=f1><span class=caption id=fc1>One</span></li>
  <li id=f2><span class=caption id=fc2>Two</span></li>
</ul>
<div id=node><span class=icon id=icon><img id=img></span><span id=label>node</span></div>
<div id=upper state=CLOSE><span class=icon id=upper-icon>+</span></div>
</body></html>)";

struct window : testing::stock_window {
  window() : stock_window(page) {
    int top = 0;  // each in a row of its own, inner ones after their holders
    for (const char* id : {"i1", "c1", "body1", "i2", "c2", "i3", "c3", "c3b", "fc1", "fc2", "node",
                           "icon", "img", "label", "upper-icon"})
      place(id, {0, top, 100, top += 10});
  }
  // "c" current, "e" expanded, "x" collapsed, for each item.
  std::string states(std::initializer_list<const char*> ids) {
    std::string out;
    for (const char* id : ids) {
      uint32_t s = (*this)[id].get_state();
      out += std::string(id) + ":" + ((s & state::current) ? "c" : "") +
             ((s & state::expanded) ? "e" : "") + ((s & state::collapsed) ? "x" : "") + " ";
    }
    return out;
  }
};

TEST(ExpandableListTest, TheLastDefaultItemOpensFirstThenThePressedCaptionsOrTheKeys) {
  window w;
  EXPECT_EQ(w.states({"i1", "i2", "i3", "f1", "f2"}), "i1:x i2:x i3:ce f1:x f2:x ");
  // A caption, or inside one, opens its item; the item's other content, the
  // right button and the open item again change nothing.
  const std::pair<const char*, const char*> presses[] = {
      {"c1", "i1:ce i2:x i3:x "}, {"c3b", "i1:x i2:x i3:ce "}, {"body1", "i1:x i2:x i3:ce "}};
  for (auto [id, states] : presses) {
    w.click(id);
    EXPECT_EQ(w.states({"i1", "i2", "i3"}), states) << id;
  }
  w.click("c2", mouse::prop_button);
  w.in.mouse_double_click(w.center("c3"), mouse::main_button, 0);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
  ASSERT_EQ(w.doc.focused(), w["open"]);
  const std::pair<uint32_t, const char*> keys[] = {{vk::up, "i1:x i2:ce i3:x "},
                                                   {vk::up, "i1:ce i2:x i3:x "},
                                                   {vk::up, "i1:ce i2:x i3:x "},
                                                   {vk::down, "i1:x i2:ce i3:x "}};
  for (auto [key, states] : keys) {
    w.in.key_down(key, 0);
    EXPECT_EQ(w.states({"i1", "i2", "i3"}), states);
  }
}

TEST(CollapsibleListTest, SelectingTheOpenItemAgainClosesItAndItStaysCurrent) {
  window w;
  const std::pair<const char*, const char*> presses[] = {
      {"fc1", "f1:ce f2:x "},
      {"fc1", "f1:cx f2:x "},
      {"fc1", "f1:ce f2:x "},
      {"fc2", "f1:x f2:ce "},
      {"fc2", "f1:x f2:cx "},
      {"fc1", "f1:ce f2:x "}};  // a closed current item loses only its current state
  for (auto [id, states] : presses) {
    w.click(id);
    EXPECT_EQ(w.states({"f1", "f2"}), states);
  }
}

TEST(CollapsibleByIconTest, APressOnTheIconTogglesTheStateAttribute) {
  window w;
  EXPECT_FALSE(w["node"].has_attribute("state"));
  w.click("icon");
  EXPECT_EQ(w["node"].get_attribute("state"), L"close");
  w.click("img");  // inside the icon
  EXPECT_EQ(w["node"].get_attribute("state"), L"open");
  w.in.mouse_double_click(w.center("icon"), mouse::main_button, 0);
  w.click("label");
  EXPECT_EQ(w["node"].get_attribute("state"), L"close");
  w.click("upper-icon");  // "close" in any case opens
  EXPECT_EQ(w["upper"].get_attribute("state"), L"open");
}

}  // namespace
}  // namespace htmlayout
