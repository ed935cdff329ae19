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

constexpr const char* page = R"(<html><head><style>
  body { behavior: test-popup-log; }
  #dd { behavior: dropdown; }
  .popup { display: none; behavior: popup; }
</style></head><body>
<div id=dd>Choose
  <div class=popup id=pop><button id=one>One</button><span id=text>text</span>
    <a id=more href="more.htm">more</a></div></div>
<div id=away tabindex=0>away</div>
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
  // Presses the dropdown and checks that its popup shows below it, focused.
  void open() {
    click("dd");
    ASSERT_EQ(in.popups().size(), 1u);
    EXPECT_EQ(in.popups()[0].element, (*this)["pop"]);
    EXPECT_EQ(in.popups()[0].owner, (*this)["dd"]);
    EXPECT_EQ(in.popups()[0].position.y, 20);
    EXPECT_EQ(doc.focused(), (*this)["pop"]);
    EXPECT_FALSE((*this)["dd"].has_attribute("popup-shown"));  // taken off once shown
  }
};

TEST(DropdownTest, ItsPopupClosesOnItsButtonsLinksAReleaseInsideOrTheFocusLeaving) {
  window w;
  w.open();
  w.click("one");
  EXPECT_THAT(w.log, Contains("body event 0 one"));
  EXPECT_TRUE(w.in.popups().empty());
  EXPECT_NE(w.doc.focused(), w["pop"]);
  w.open();
  w.click("more");
  EXPECT_THAT(w.log, Contains("body event 80 more"));
  EXPECT_TRUE(w.in.popups().empty());

  w.open();
  w.in.mouse_move(w.center("text"), 0, 0);
  w.in.mouse_down(w.center("text"), mouse::main_button, 0);
  EXPECT_EQ(w.in.popups().size(), 1u);
  w.in.mouse_up(w.center("text"), mouse::main_button, 0);
  EXPECT_TRUE(w.in.popups().empty());

  w.open();
  w.in.set_focus(w["one"]);  // within the popup it stays
  EXPECT_EQ(w.in.popups().size(), 1u);
  w.in.set_focus(w["away"]);
  EXPECT_TRUE(w.in.popups().empty());
  EXPECT_EQ(w.doc.focused(), w["away"]);
  w.open();
  w.in.set_focus(dom::element());  // and losing it to nobody
  EXPECT_TRUE(w.in.popups().empty());
}

}  // namespace
}  // namespace htmlayout
