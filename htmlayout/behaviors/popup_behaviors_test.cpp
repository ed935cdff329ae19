// "dropdown" and "popup" through real presses and focus moves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* page = R"(<html><head><style>
  body { behavior: test-popup-log; }
  #dd { behavior: dropdown; }
  .popup { display: none; behavior: popup; }
</style></head><body>
<div id=dd>Choose
  <div class=popup id=pop><button id=one>One</button><span id=text>text</span>
    <a id=more href="more.htm">more</a></div></div>
<div id=away tabindex=0>away</div>
<div id=plain>no popup<div id=plain-inner></div></div>
</body></html>)";

struct logged {
  std::vector<std::string> log;
  testing::recorder body{log, "test-popup-log", group::behavior_event};
};

struct window : logged, testing::stock_window {
  window() : stock_window(page) {
    place("dd", {0, 0, 100, 20});
    // Where the host lays the popup out when it shows.
    place("pop", {0, 20, 100, 80});
    place("one", {0, 20, 100, 40});
    place("text", {0, 40, 100, 60});
    place("more", {0, 60, 100, 80});
    place("away", {0, 100, 100, 120});
  }
  std::vector<std::string> shown() {
    std::vector<std::string> out;
    for (const input::shown_popup& p : in.popups())
      out.push_back(testing::name_of_element(p.element) + " of " +
                    testing::name_of_element(p.owner) + " at " + std::to_string(p.position.x) +
                    "," + std::to_string(p.position.y));
    return out;
  }
};

TEST(DropdownTest, APressShowsItsPopupBelowItAndFocusesIt) {
  window w;
  w.click("dd");
  EXPECT_THAT(w.shown(), ElementsAre("pop of dd at 0,20"));
  EXPECT_EQ(w.doc.focused(), w["pop"]);
  EXPECT_TRUE(w["pop"].is_visible());
  // The mark is taken off again once the popup is shown.
  EXPECT_FALSE(w["dd"].has_attribute("popup-shown"));
}

TEST(PopupTest, ItsButtonsAndLinksWorkAndCloseIt) {
  window w;
  w.click("dd");
  w.click("one");
  EXPECT_THAT(w.log, Contains("body event 0 one"));
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_NE(w.doc.focused(), w["pop"]);

  w.log.clear();
  w.click("dd");
  w.click("more");
  EXPECT_THAT(w.log, Contains("body event 80 more"));
  EXPECT_THAT(w.shown(), IsEmpty());
}

TEST(PopupTest, AReleaseInsideClosesIt) {
  window w;
  w.click("dd");
  w.in.mouse_move(w.center("text"), 0, 0);
  w.in.mouse_down(w.center("text"), mouse::main_button, 0);
  EXPECT_THAT(w.shown(), ElementsAre("pop of dd at 0,20"));
  w.in.mouse_up(w.center("text"), mouse::main_button, 0);
  EXPECT_THAT(w.shown(), IsEmpty());
}

TEST(PopupTest, TheFocusLeavingForAnElementOutsideClosesIt) {
  window w;
  w.click("dd");
  // Within the popup it stays.
  w.in.set_focus(w["one"]);
  EXPECT_THAT(w.shown(), ElementsAre("pop of dd at 0,20"));
  w.in.set_focus(w["away"]);
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_EQ(w.doc.focused(), w["away"]);

  // And so does losing it to nobody.
  w.click("dd");
  w.in.set_focus(dom::element());
  EXPECT_THAT(w.shown(), IsEmpty());
}

}  // namespace
}  // namespace htmlayout
