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
};

TEST(AccessKeysTest, EachKeyClicksTheFirstEnabledShownElementNamingItOrGoesOn) {
  constexpr uint32_t ctrl = keyboard::control, shift = keyboard::shift, alt = keyboard::alt;
  constexpr uint32_t f5 = vk::f1 + 4, f6 = vk::f1 + 5;
  // A key (or with `typed` a character typed with the keys given) and what
  // the body sees: the click taken at the root on the way down, or the key
  // going on to the focus and back up ("key").
  const struct {
    uint32_t key, keys;
    const wchar_t* typed;
    std::vector<std::string> seen;
  } cases[] = {
      // Ctrl makes a "^" name, no modifier a "!" name, Alt the character.
      {'S', ctrl, nullptr, {"body event 0 save"}},
      {'S', 0, nullptr, {"body event 0 plain"}},
      {0, alt, L"s", {"body event 0 alt"}},
      {vk::numpad_0 + 7, ctrl, nullptr, {"body event 0 keypad"}},
      {f5, 0, nullptr, {"body event 0 refresh"}},  // past the disabled and the hidden one
      // Characters that mean something in selectors match exactly; quotes
      // have no name.
      {0, alt, L"]", {"body event 0 bracket"}},
      {0, alt, L"\\", {"body event 0 backslash"}},
      {0, alt, L"'", {"body key 2 typing 39"}},
      // Shift gives no name, with or without Ctrl; neither do Alt itself, a
      // key pressed with Alt, or a character typed without Alt.
      {'S', shift | ctrl, nullptr, {"body key 0 typing 83"}},
      {vk::alt, alt, nullptr, {"body key 0 typing 18"}},
      {'S', alt, nullptr, {"body key 0 typing 83"}},
      {0, shift, L"S", {"body key 2 typing 83"}},
      {f5, ctrl, nullptr, {"body key 0 typing 116"}},  // "^F5" is nobody's
      // Nobody takes the paragraph: the body sees the offer, and the key goes on.
      {f6, 0, nullptr, {"body event 92 inert", "body key 0 typing 117"}},
  };
  window w;
  for (const auto& c : cases) {
    w.log.clear();
    if (c.typed)
      w.in.characters(c.typed, c.keys);
    else
      w.in.key_down(c.key, c.keys);
    std::vector<std::string> seen;
    for (const std::string& line : w.log)
      if (line.find(" 8000 ") == std::string::npos && line.find(" 8002 ") == std::string::npos)
        seen.push_back(line);
    EXPECT_EQ(seen, c.seen) << c.key << " " << c.keys;
  }
  w["refresh"].set_attribute("disabled", L"");
  w.log.clear();
  w.in.key_down(f5, 0);
  EXPECT_THAT(w.log, ElementsAre("body key 8000 typing 116", "body key 0 typing 116"));
}

TEST(AccessKeysTest, AnElementThatTakesNoClickIsOfferedToItsParent) {
  window w;
  w.in.key_down(vk::f1 + 1, 0);
  EXPECT_TRUE(w["t2"].get_state() & state::current);
  EXPECT_FALSE(w["t1"].get_state() & state::current);
  EXPECT_TRUE(w["p2"].get_state() & state::expanded);
  EXPECT_THAT(w.log, ElementsAre("body event 90 t1", "body event 91 t2"));
}

}  // namespace
}  // namespace htmlayout
