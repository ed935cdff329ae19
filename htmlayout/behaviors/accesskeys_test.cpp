// "accesskeys" on the root of a page, driven by real key presses and typed
// characters.
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
  html { behavior: accesskeys; }
  body { behavior: test-access-log; }
  .gone { display: none; }
  #strip { behavior: tabs; }
</style></head><body>
<button id=save accesskey="^S">Save</button>
<button id=plain accesskey="!S">S</button>
<button id=alt accesskey="s">s</button>
<button id=shifted accesskey="!S" disabled>never</button>
<button id=off accesskey="!F5" disabled>off</button>
<div class=gone><button id=hidden accesskey="!F5">hidden</button></div>
<button id=refresh accesskey-alt="!F5">refresh</button>
<button id=bracket accesskey="]">]</button>
<button id=backslash accesskey="\">\</button>
<button id=quote accesskey="'">'</button>
<button id=keypad accesskey="^NUMPAD7">7</button>
<p id=inert accesskey="!F6">takes no click</p>
<div id=typing tabindex=0>where the keys go</div>
<div id=strip><span id=t1 panel=one selected>One</span>
  <span id=t2 panel=two accesskey="!F2">Two</span>
  <div name=one id=p1>1</div><div name=two id=p2>2</div></div>
</body></html>)";

struct logged {
  std::vector<std::string> log;
  testing::recorder body{log, "test-access-log", group::behavior_event | group::key};
};

struct window : logged, testing::stock_window {
  window() : stock_window(page) { in.set_focus((*this)["typing"]); }
  // The behaviour events the body saw, and nothing else.
  std::vector<std::string> events() {
    std::vector<std::string> seen;
    for (const std::string& line : log)
      if (line.find(" event ") != std::string::npos) seen.push_back(line);
    return seen;
  }
};

constexpr uint32_t ctrl = keyboard::control;
constexpr uint32_t shift = keyboard::shift;
constexpr uint32_t alt = keyboard::alt;
constexpr uint32_t f2 = vk::f1 + 1, f5 = vk::f1 + 4, f6 = vk::f1 + 5;

TEST(AccessKeysTest, CtrlMakesACaretNameNoModifierABangAndAltTheCharacter) {
  window w;
  w.in.key_down('S', ctrl);
  // Taken at the root on the way down: the key goes no further.
  EXPECT_THAT(w.log, ElementsAre("body event 0 save"));
  w.log.clear();
  w.in.key_down('S', 0);
  w.in.characters(L"s", alt);
  w.in.key_down(vk::numpad_0 + 7, ctrl);
  EXPECT_THAT(w.log, ElementsAre("body event 0 plain", "body event 0 alt", "body event 0 keypad"));

  // Shift gives no name, with or without Ctrl; neither do Alt itself, a key
  // pressed with Alt, or a character typed without Alt.
  w.log.clear();
  w.in.key_down('S', shift);
  w.in.key_down('S', shift | ctrl);
  w.in.key_down(vk::alt, alt);
  w.in.key_down('S', alt);
  w.in.characters(L"S", shift);
  EXPECT_THAT(w.events(), IsEmpty());
  EXPECT_EQ(w.log.size(), 10u);  // each went on down to the focus and back up
}

TEST(AccessKeysTest, DisabledAndHiddenMatchesArePassedOverForTheNext) {
  window w;
  w.in.key_down(f5, 0);
  EXPECT_THAT(w.events(), ElementsAre("body event 0 refresh"));

  w.log.clear();
  w["refresh"].set_attribute("disabled", L"");
  w.in.key_down(f5, 0);
  EXPECT_THAT(w.events(), IsEmpty());
  EXPECT_THAT(w.log, ElementsAre("body key 8000 typing 116", "body key 0 typing 116"));
  w.in.key_down(f5, ctrl);  // "^F5" is nobody's
  EXPECT_THAT(w.events(), IsEmpty());
}

TEST(AccessKeysTest, CharactersThatMeanSomethingInSelectorsMatchExactly) {
  window w;
  w.in.characters(L"]", alt);
  w.in.characters(L"\\", alt);
  EXPECT_THAT(w.events(), ElementsAre("body event 0 bracket", "body event 0 backslash"));
  // The quote characters have no name.
  w.log.clear();
  w.in.characters(L"'", alt);
  w.in.characters(L"\"", alt);
  EXPECT_THAT(w.events(), IsEmpty());
}

TEST(AccessKeysTest, AnElementThatTakesNoClickIsOfferedToItsParent) {
  window w;
  ASSERT_TRUE(w["t1"].get_state() & state::current);
  w.in.key_down(f2, 0);
  EXPECT_TRUE(w["t2"].get_state() & state::current);
  EXPECT_FALSE(w["t1"].get_state() & state::current);
  EXPECT_TRUE(w["p2"].get_state() & state::expanded);
  EXPECT_TRUE(w["p1"].get_state() & state::collapsed);
  EXPECT_THAT(w.events(), ElementsAre("body event 90 t1", "body event 91 t2"));

  // Nobody takes the paragraph: the body sees the offer, and the key goes on.
  w.log.clear();
  w.in.key_down(f6, 0);
  EXPECT_THAT(w.log, ElementsAre("body event 92 inert", "body key 8000 typing 117",
                                 "body key 0 typing 117"));
}

}  // namespace
}  // namespace htmlayout
