// Popups, menus and context menus through the input side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::recorder;
using testing::test_window;

constexpr uint32_t main_button = mouse::main_button;

constexpr const char* menu_page = R"(<html><head><style>
  menu { display: none; }
  #owner, #menu, #checks { behavior: test-menus; }
  body { behavior: test-menus-body; }
</style></head><body>
<div id=owner>Owner</div>
<div id=area><p id=inside>text</p></div>
<div id=elsewhere>elsewhere</div>
<menu id=menu><li id=copy>Copy</li><hr><li id=remove><span id=label>Remove</span></li>
  <li id=off disabled>Off</li></menu>
<menu id=checks><li type=check id=t1>one</li><li type=check id=t2>two</li></menu>
</body></html>)";

// The behaviours outlive the window's document, which calls them as it goes.
struct menu_window_behaviors {
  std::vector<std::string> log;
  recorder rec{log, "test-menus", group::behavior_event};
  recorder body{log, "test-menus-body", group::behavior_event | group::key};
};

struct menu_window : menu_window_behaviors, test_window {
  menu_window() {
    doc.load_html(menu_page);
    place("owner", {0, 0, 100, 20});
    place("area", {0, 30, 100, 60});
    place("inside", {0, 30, 100, 40});
    place("elsewhere", {0, 70, 100, 90});
    // Where the host would lay the menus out when shown.
    place("menu", {0, 20, 150, 100});
    place("copy", {0, 24, 150, 44});
    place("remove", {0, 50, 150, 70});
    place("label", {10, 52, 60, 68});
    place("off", {0, 74, 150, 94});
    place("checks", {0, 20, 150, 80});
    place("t1", {0, 24, 150, 44});
    place("t2", {0, 50, 150, 70});
  }
  std::vector<std::string> shown() {
    std::vector<std::string> ids;
    for (const input::shown_popup& p : in.popups())
      ids.push_back(testing::name_of_element(p.element) + " of " +
                    testing::name_of_element(p.owner) + " at " + std::to_string(p.position.x) +
                    "," + std::to_string(p.position.y));
    return ids;
  }
};

TEST(PopupTest, APopupShownBelowItsAnchorIsDisplayedUntilHidden) {
  menu_window w;
  EXPECT_FALSE(w["menu"].is_visible());
  EXPECT_FALSE(w.layout.element_at({5, 30}) == w["copy"]);
  EXPECT_TRUE(show_popup(w["menu"], w["owner"], placement::below));
  EXPECT_THAT(w.shown(), ElementsAre("menu of owner at 0,20"));
  EXPECT_TRUE(w["menu"].get_state() & state::popup);
  EXPECT_TRUE(w["copy"].is_visible());
  EXPECT_EQ(w["menu"].get_style_attribute("display"), L"block");
  EXPECT_TRUE(hide_popup(w["menu"]));
  EXPECT_FALSE(hide_popup(w["menu"]));
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_FALSE(w["menu"].is_visible());
  // Elements outside the document cannot be shown.
  dom::element loose = dom::element::create("menu");
  EXPECT_FALSE(show_popup(loose, w["owner"], placement::below));
  EXPECT_FALSE(w.in.show_popup(w["menu"], loose, placement::below));
  // Losing the keyboard hides them and ends a press; other methods than a
  // click are not the engine's.
  show_popup(w["menu"], w["owner"], placement::below);
  w.in.mouse_down(w.center("owner"), main_button, 0);
  w.in.view_deactivated();
  EXPECT_THAT(w.shown(), IsEmpty());
  method_params other;
  other.method_id = 7;
  EXPECT_FALSE(w["copy"].call_behavior_method(other));
}

TEST(PopupTest, AMenuItemClickReachesTheOwnerWithTheItemAsTargetACheckItemItsMenu) {
  menu_window w;
  show_popup(w["menu"], w["owner"], placement::below);
  w.click("label");
  EXPECT_THAT(w.log, ElementsAre("owner event b remove", "body event b remove"));
  EXPECT_THAT(w.shown(), IsEmpty());

  // A disabled item, and the separator, do nothing and keep the menu open.
  w.log.clear();
  show_popup(w["menu"], w["owner"], placement::below);
  w.click("off");
  w.in.mouse_down({5, 47}, main_button, 0);
  w.in.mouse_up({5, 47}, main_button, 0);
  EXPECT_THAT(w.log, IsEmpty());
  EXPECT_THAT(w.shown(), ElementsAre("menu of owner at 0,20"));

  // Clicking an item through the behaviour method works the same.
  method_params click;
  click.method_id = method::click;
  EXPECT_TRUE(w["copy"].call_behavior_method(click));
  EXPECT_THAT(w.log, ElementsAre("owner event b copy", "body event b copy"));
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_FALSE(w["copy"].call_behavior_method(click));  // no longer in a shown menu

  // A check item toggles and tells its menu, which stays open.
  w.log.clear();
  show_popup(w["checks"], w["owner"], placement::below);
  w.click("t2");
  EXPECT_TRUE(w["t2"].get_state() & state::checked);
  EXPECT_FALSE(w["t1"].get_state() & state::checked);
  EXPECT_THAT(w.shown(), ElementsAre("checks of owner at 0,20"));
  w.click("t2");
  EXPECT_FALSE(w["t2"].get_state() & state::checked);
  EXPECT_THAT(w.log, ElementsAre("checks event 2 t2", "body event 2 t2", "checks event 2 t2",
                                 "body event 2 t2"));
}

TEST(PopupTest, PopupsHideOnAClickOutsideThemAndOnEscape) {
  std::vector<std::string> mouse_log;
  recorder mouse_rec(mouse_log, "test-outside", group::mouse);
  menu_window w;
  w["elsewhere"].attach_event_handler(element_proc, &mouse_rec, group::mouse);
  show_popup(w["checks"], w["owner"], placement::below);
  w["t1"].set_state(state::focus);
  // A press inside the popup keeps it, and the focus inside it.
  w.click_at({5, 47});
  EXPECT_THAT(w.shown(), ElementsAre("checks of owner at 0,20"));
  EXPECT_EQ(w.doc.focused(), w["t1"]);

  // The press outside hides it and still reaches the element it fell on.
  w.in.mouse_move(w.center("elsewhere"), 0, 0);
  mouse_log.clear();
  w.in.mouse_down(w.center("elsewhere"), main_button, 0);
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_FALSE(w["checks"].is_visible());
  EXPECT_THAT(mouse_log,
              ElementsAre("elsewhere mouse 8004 elsewhere", "elsewhere mouse 4 elsewhere"));
  w.in.mouse_up(w.center("elsewhere"), main_button, 0);

  // Escape hides the top popup and gives the focus back to the element that
  // had it when the popup was shown; nobody sees that key.
  w["owner"].set_attribute("tabindex", L"0");
  w["owner"].set_state(state::focus);
  show_popup(w["menu"], w["owner"], placement::below);
  show_popup(w["checks"], w["area"], placement::below);
  w["t1"].set_state(state::focus);
  w.log.clear();
  w.in.key_down(vk::escape, 0);
  EXPECT_THAT(w.shown(), ElementsAre("menu of owner at 0,20"));
  EXPECT_EQ(w.doc.focused(), w["owner"]);
  w.in.key_down(vk::escape, 0);
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_THAT(w.log, IsEmpty());
  // Without a popup the key goes its usual way.
  w.in.key_down(vk::escape, 0);
  EXPECT_THAT(w.log, ElementsAre("body key 8000 owner 27", "body key 0 owner 27"));
}

TEST(PopupTest, UpDownAndEnterChooseAMenuItem) {
  menu_window w;
  show_popup(w["menu"], w["owner"], placement::below);
  w.in.key_down(vk::down, 0);
  EXPECT_TRUE(w["copy"].get_state() & state::current);
  w.in.key_down(vk::down, 0);
  w.in.key_down(vk::down, 0);  // the disabled item is skipped; the last stays
  EXPECT_FALSE(w["copy"].get_state() & state::current);
  EXPECT_TRUE(w["remove"].get_state() & state::current);
  w.in.key_down(vk::up, 0);
  w.in.key_down(vk::down, 0);
  w.in.key_down(vk::enter, 0);
  EXPECT_THAT(w.log, ElementsAre("owner event b remove", "body event b remove"));
  EXPECT_THAT(w.shown(), IsEmpty());
}

}  // namespace
}  // namespace htmlayout
