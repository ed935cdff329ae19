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
    place("open", {0, 0, 200, 100});
    place("i1", {0, 0, 200, 30});
    place("c1", {0, 0, 100, 10});
    place("body1", {0, 10, 200, 30});
    place("i2", {0, 30, 200, 60});
    place("c2", {0, 30, 100, 40});
    place("i3", {0, 60, 200, 100});
    place("c3", {0, 60, 100, 70});
    place("c3b", {0, 60, 50, 70});
    place("fold", {0, 100, 200, 140});
    place("fc1", {0, 100, 100, 120});
    place("fc2", {0, 120, 100, 140});
    place("node", {0, 150, 200, 170});
    place("icon", {0, 150, 20, 170});
    place("img", {2, 152, 18, 168});
    place("label", {30, 150, 200, 170});
    place("upper", {0, 180, 200, 200});
    place("upper-icon", {0, 180, 20, 200});
  }
  // "c" current, "e" expanded, "x" collapsed, for each item given.
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

TEST(ExpandableListTest, TheLastDefaultItemOpensFirstThenTheItemWhoseCaptionIsPressed) {
  window w;
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:x f2:x ");

  w.click("c1");
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:ce i2:x i3:x ");
  // Inside a caption counts; the item's other content, and the right
  // button, do not.
  w.click("c3b");
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
  w.click("body1");
  w.click("c2", mouse::prop_button);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
  // Selecting the open item again keeps it open.
  w.in.mouse_double_click(w.center("c3"), mouse::main_button, 0);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
}

TEST(ExpandableListTest, UpAndDownOpenTheNeighbourAndStopAtTheEnds) {
  window w;
  w.click("c1");  // the list takes the focus
  ASSERT_EQ(w.doc.focused(), w["open"]);
  w.in.key_down(vk::down, 0);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:ce i3:x ");
  w.in.key_down(vk::down, 0);
  w.in.key_down(vk::down, 0);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:x i2:x i3:ce ");
  w.in.key_down(vk::up, 0);
  w.in.key_down(vk::up, 0);
  w.in.key_down(vk::up, 0);
  EXPECT_EQ(w.states({"i1", "i2", "i3"}), "i1:ce i2:x i3:x ");
}

TEST(CollapsibleListTest, SelectingTheOpenItemAgainClosesItAndItStaysCurrent) {
  window w;
  w.click("fc1");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:ce f2:x ");
  w.click("fc1");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:cx f2:x ");
  w.click("fc1");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:ce f2:x ");
  w.click("fc2");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:x f2:ce ");
  // A closed current item loses only its current state to the next one.
  w.click("fc2");
  w.click("fc1");
  EXPECT_EQ(w.states({"f1", "f2"}), "f1:ce f2:x ");
}

TEST(CollapsibleByIconTest, APressOnTheIconTogglesTheStateAttribute) {
  window w;
  EXPECT_FALSE(w["node"].has_attribute("state"));
  w.click("icon");
  EXPECT_EQ(w["node"].get_attribute("state"), L"close");
  w.click("img");  // inside the icon
  EXPECT_EQ(w["node"].get_attribute("state"), L"open");
  w.in.mouse_double_click(w.center("icon"), mouse::main_button, 0);
  EXPECT_EQ(w["node"].get_attribute("state"), L"close");
  w.click("label");
  EXPECT_EQ(w["node"].get_attribute("state"), L"close");
  // "close" in any case opens.
  w.click("upper-icon");
  EXPECT_EQ(w["upper"].get_attribute("state"), L"open");
}

}  // namespace
}  // namespace htmlayout
