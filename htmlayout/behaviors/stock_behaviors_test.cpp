// The stock behaviours and dialogs through real presses, keys and focus moves on boxes placed
// by hand (grids, the splitter and scrolling on the renderer's layout).
#include "htmlayout/behaviors/stock_behaviors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "htmlayout/behaviors/clock.h"
#include "htmlayout/behaviors/dialog.h"
#include "htmlayout/behaviors/stock_grids.h"
#include "htmlayout/dom/document_observer.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/program_resources.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/testing/pointer.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using Lines = std::vector<std::string>;
constexpr uint32_t ctrl = keyboard::control, shift = keyboard::shift, alt = keyboard::alt;

// The body of every page logs its events and keys ("test-log").
struct logged {
  Lines log;
  testing::recorder body{log, "test-log", group::behavior_event | group::key};
};

struct window : logged, testing::stock_window {
  using stock_window::stock_window;
  // Places each element in a row of its own, `height` high, from the top.
  void stack(std::initializer_list<const char*> ids, int height = 10) {
    int top = 0;
    for (const char* id : ids) place(id, {0, top, 100, top += height});
  }
  // For each element, "id:" and c current, e expanded, x collapsed.
  std::string states(std::initializer_list<const char*> ids) {
    std::string out;
    for (const char* id : ids) {
      const uint32_t s = (*this)[id].get_state();
      out += std::string(id) + ":" + (s & state::current ? "c" : "") +
             (s & state::expanded ? "e" : "") + (s & state::collapsed ? "x" : "") + " ";
    }
    return out;
  }
  // The ids of the elements given that have `bit`.
  std::string with(uint32_t bit, std::initializer_list<const char*> ids) {
    std::string out;
    for (const char* id : ids)
      if ((*this)[id].get_state() & bit) out += id;
    return out;
  }
  // The ids of the element children of `list`, joined.
  std::string ids_in(const char* list) {
    std::string ids;
    for (size_t i = 0; i < (*this)[list].children_count(); ++i)
      ids += testing::name_of_element((*this)[list].child(i));
    return ids;
  }
  void drag(const char* from, const char* to) {
    in.mouse_move(center(from), 0, 0);
    in.mouse_down(center(from), mouse::main_button, 0);
    in.mouse_move(center(to), mouse::main_button, 0);
    in.mouse_up(center(to), mouse::main_button, 0);
  }
};

// Records the behaviour events that reach the body: "code:source id:reason".
struct event_log : behavior {
  event_log() : behavior(group::behavior_event, "test-event-log") {}
  bool on_event(const dom::element&, const dom::element& target, uint32_t code, uintptr_t reason) override {
    seen.push_back(std::to_string(code) + ":" + target.get_attribute_utf8("id").value_or("") + ":" +
                   std::to_string(reason));
    return false;
  }
  std::vector<std::string> seen;
};

constexpr const char* access_page = R"(<style>html { behavior: accesskeys; } body { behavior: test-log; }
  .gone { display: none; } #strip { behavior: tabs; }</style>
<button id=save accesskey="^S">Save</button><button id=plain accesskey="!S">S</button>
<button id=alt accesskey="s">s</button><button id=shifted accesskey="!S" disabled>never</button>
<button id=off accesskey="!F5" disabled>off</button>
<div class=gone><button id=hidden accesskey="!F5">hidden</button></div>
<button id=refresh accesskey-alt="!F5">refresh</button><button id=bracket accesskey="]">]</button>
<button id=backslash accesskey="\">\</button><button id=quote accesskey="'">'</button>
<button id=keypad accesskey="^NUMPAD7">7</button><p id=inert accesskey="!F6">takes no click</p>
<div id=typing tabindex=0>where the keys go</div>
<div id=strip><span id=t1 panel=one selected>One</span><span id=t2 panel=two accesskey="!F2">Two</span>
  <div name=one id=p1>1</div><div name=two id=p2>2</div></div>)";

TEST(AccessKeysTest, EachKeyClicksTheFirstEnabledShownElementNamingItOrGoesOn) {
  constexpr uint32_t f5 = vk::f1 + 4, f6 = vk::f1 + 5;
  // A key (or with `typed` a character typed with the keys given) and what the body sees: the
  // click taken at the root on the way down, or the key going on to the focus and back up.
  const struct { uint32_t key, keys; const wchar_t* typed; Lines seen; } cases[] = {
      // Ctrl makes a "^" name, no modifier a "!" name, Alt the character; F5 passes over
      // the disabled and the hidden button.
      {'S', ctrl, nullptr, {"body event 0 save"}}, {'S', 0, nullptr, {"body event 0 plain"}},
      {0, alt, L"s", {"body event 0 alt"}}, {vk::numpad_0 + 7, ctrl, nullptr, {"body event 0 keypad"}},
      {f5, 0, nullptr, {"body event 0 refresh"}},
      // Characters that mean something in selectors match exactly; quotes have no name.
      {0, alt, L"]", {"body event 0 bracket"}}, {0, alt, L"\\", {"body event 0 backslash"}},
      {0, alt, L"'", {"body key 2 typing 39"}},
      // Shift gives no name, with or without Ctrl; neither do Alt itself, a
      // key pressed with Alt, a character typed without Alt, or "^F5" (nobody's).
      {'S', shift | ctrl, nullptr, {"body key 0 typing 83"}},
      {vk::alt, alt, nullptr, {"body key 0 typing 18"}}, {'S', alt, nullptr, {"body key 0 typing 83"}},
      {0, shift, L"S", {"body key 2 typing 83"}}, {f5, ctrl, nullptr, {"body key 0 typing 116"}},
      // Nobody takes the paragraph: the body sees the offer, and the key goes on.
      {f6, 0, nullptr, {"body event 92 inert", "body key 0 typing 117"}}};
  window w(access_page);
  w.in.set_focus(w["typing"]);
  for (const auto& c : cases) {
    w.log.clear();
    if (c.typed)
      w.in.characters(c.typed, c.keys);
    else
      w.in.key_down(c.key, c.keys);
    Lines seen;
    for (const std::string& line : w.log)
      if (line.find(" 8000 ") == std::string::npos && line.find(" 8002 ") == std::string::npos)
        seen.push_back(line);
    EXPECT_EQ(seen, c.seen) << c.key << " " << c.keys;
  }
  w["refresh"].set_attribute("disabled", L"");
  w.log.clear();
  w.in.key_down(f5, 0);
  EXPECT_THAT(w.log, ElementsAre("body key 8000 typing 116", "body key 0 typing 116"));
  // A tab takes no click: it is offered to its strip, which selects it.
  w.log.clear();
  w.in.key_down(vk::f1 + 1, 0);
  EXPECT_EQ(w.states({"t1", "t2", "p2"}), "t1: t2:c p2:e ");
  EXPECT_THAT(w.log, ElementsAre("body event 90 t1", "body event 91 t2"));
}

constexpr const char* clock_page = R"(<style>#face, #hidden-face { behavior: clock; } .gone { display: none; }
</style><div id=face></div><div class=gone><div id=hidden-face></div></div>)";

// A clock showing `now`, registered after the stock one so that the page finds it first.
struct fixed_clock : testing::stock_behaviors_registered {
  inline static clock_time now;
  clock face_clock{[] { return now; }};
};

// The clock ticks every second while shown and stops or restarts when told;
// its hands point at the time from the centre, on the content layer only.
TEST(ClockTest, TicksAndHands) {
  struct redraws : document_observer {
    void update_requested(const element_node&, bool) override { ++count; }
    int count = 0;
  } seen;
  // Writes each line as "x,y>x,y wWIDTH RED".
  struct recording_graphics : graphics {
    void line(point from, point to, color c, int width) override {
      lines.push_back(std::to_string(from.x) + "," + std::to_string(from.y) + ">" +
                      std::to_string(to.x) + "," + std::to_string(to.y) + " w" +
                      std::to_string(width) + " " + std::to_string(c.red));
    }
    color text_color() const override { return {10, 20, 30, 255}; }
    Lines lines;
  };
  fixed_clock fixed;
  window w(clock_page);
  w.doc.add_observer(&seen);
  const dom::element face = w["face"];
  ASSERT_EQ(w.in.next_timer_due(), 1000u);  // the hidden clock keeps none
  for (uint64_t t : {1000, 2000}) w.in.advance_clock(t);
  EXPECT_EQ(seen.count, 2);
  EXPECT_TRUE(face.send_event(event::timer_control, face, 0));
  EXPECT_FALSE(w.in.next_timer_due());
  w.in.advance_clock(5000);
  face.send_event(event::timer_control, face, 1);
  EXPECT_EQ(w.in.next_timer_due(), 6000u);
  w.in.advance_clock(6000);
  EXPECT_EQ(seen.count, 3);
  const struct { clock_time time; rect area; uint32_t layer; bool handled; Lines lines; } cases[] = {
      // A box 200 x 120 at (10, 20): centre (110, 80), hands 120 / 2 - 12 = 48
      // long, the hour hand 0.6 of that; the second hand red.
      {{18, 15, 30}, {10, 20, 210, 140}, 1, true,
       {"110,80>106,109 w4 10", "110,80>158,80 w3 10", "110,80>110,128 w1 127"}},
      {{23, 59, 45}, {0, 0, 100, 100}, 1, true,
       {"50,50>50,27 w4 10", "50,50>46,12 w3 10", "50,50>12,50 w1 127"}},
      {{3, 0, 0}, {0, 0, 100, 100}, 0, false, {}}, {{3, 0, 0}, {0, 0, 100, 100}, 2, false, {}},
      // Under 24 pixels the hands would come out backwards: none are drawn.
      {{3, 0, 0}, {0, 0, 200, 22}, 1, true, {}}};
  for (const auto& c : cases) {
    fixed_clock::now = c.time;
    recording_graphics g;
    draw_params params{c.layer, static_cast<graphics*>(&g), c.area};
    EXPECT_EQ(element_proc(&fixed.face_clock, w["face"], group::draw, &params), c.handled);
    EXPECT_EQ(g.lines, c.lines) << c.time.hour;
  }
  face.delete_element();  // a clock taken out of the page ticks no more
  w.in.advance_clock(7000);
  EXPECT_FALSE(w.in.next_timer_due());
}

constexpr const char* list_page = R"(<style>#open { behavior: expandable-list; }
  #fold { behavior: collapsible-list; } #node, #upper { behavior: collapsible-by-icon; }</style>
<ul id=open><li id=i1><span class=caption id=c1>One</span><p id=body1>the text of one</p></li>
  <li id=i2 default><span class=caption id=c2>Two</span></li>
  <li id=i3 default><span class=caption id=c3><b id=c3b>Three</b></span></li></ul>
<ul id=fold><li id=f1><span class=caption id=fc1>One</span></li>
  <li id=f2><span class=caption id=fc2>Two</span></li></ul>
<div id=node><span class=icon id=icon><img id=img></span><span id=label>node</span></div>
<div id=upper state=CLOSE><span class=icon id=upper-icon>+</span></div>)";

// "expandable-list": the last default item opens first, then the pressed captions or the keys;
// "collapsible-list" closes the open item when it is selected again; "collapsible-by-icon" toggles
// its state on a press on the icon.
TEST(ListBehaviorsTest, ExpandableCollapsibleAndCollapsibleByIcon) {
  window w(list_page);
  // Each in a row of its own, inner ones after their holders.
  w.stack({"i1", "c1", "body1", "i2", "c2", "i3", "c3", "c3b", "fc1", "fc2", "node", "icon", "img",
           "label", "upper-icon"});
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
      {vk::up, "i1:ce i2:x i3:x "}, {vk::up, "i1:ce i2:x i3:x "}, {vk::down, "i1:x i2:ce i3:x "}};
  for (auto [key, states] : keys) {
    w.in.key_down(key, 0);
    EXPECT_EQ(w.states({"i1", "i2", "i3"}), states);
  }
  // A closed current item loses only its current state.
  const std::pair<const char*, const char*> folds[] = {{"fc1", "f1:ce f2:x "}, {"fc1", "f1:cx f2:x "},
      {"fc1", "f1:ce f2:x "}, {"fc2", "f1:x f2:ce "}, {"fc2", "f1:x f2:cx "}, {"fc1", "f1:ce f2:x "}};
  for (auto [id, states] : folds) {
    w.click(id);
    EXPECT_EQ(w.states({"f1", "f2"}), states);
  }
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

constexpr const char* dropdown_page = R"(<style>body { behavior: test-log; } #dd { behavior: dropdown; }
  .popup { display: none; behavior: popup; }</style>
<div id=dd>Choose<div class=popup id=pop><button id=one>One</button><span id=text>text</span>
  <a id=more href="more.htm">more</a></div></div> <div id=away tabindex=0>away</div>)";

TEST(DropdownTest, ItsPopupClosesOnItsButtonsLinksAReleaseInsideOrTheFocusLeaving) {
  window w(dropdown_page);
  // Where the host lays the popup out when it shows: below the dropdown.
  w.stack({"dd", "one", "text", "more"}, 20);
  w.place("pop", {0, 20, 100, 80});
  w.place("away", {0, 100, 100, 120});
  // Checks that the popup was closed, presses the dropdown and checks that it shows below it, focused.
  auto open = [&] {
    EXPECT_TRUE(w.in.popups().empty());
    w.click("dd");
    ASSERT_EQ(w.in.popups().size(), 1u);
    const input::shown_popup shown = w.in.popups()[0];
    EXPECT_TRUE(shown.element == w["pop"] && shown.owner == w["dd"] && shown.position.y == 20);
    EXPECT_EQ(w.doc.focused(), w["pop"]);
    EXPECT_FALSE(w["dd"].has_attribute("popup-shown"));  // taken off once shown
  };
  open();
  w.click("one");
  EXPECT_THAT(w.log, Contains("body event 0 one"));
  EXPECT_NE(w.doc.focused(), w["pop"]);
  open();
  w.click("more");
  EXPECT_THAT(w.log, Contains("body event 80 more"));
  open();
  w.in.mouse_move(w.center("text"), 0, 0);
  w.in.mouse_down(w.center("text"), mouse::main_button, 0);
  EXPECT_EQ(w.in.popups().size(), 1u);
  w.in.mouse_up(w.center("text"), mouse::main_button, 0);
  open();
  w.in.set_focus(w["one"]);  // within the popup it stays
  EXPECT_EQ(w.in.popups().size(), 1u);
  w.in.set_focus(w["away"]);
  EXPECT_EQ(w.doc.focused(), w["away"]);
  open();
  w.in.set_focus(dom::element());  // and losing it to nobody
  EXPECT_TRUE(w.in.popups().empty());
}

constexpr const char* buddy_page = R"(<style>#buddy { behavior: select-buddy; }</style><div id=buddy>
<select id=src role=source multiple><option id=a>A<option id=b>B<option id=c>C<option id=d>D
  <option id=e>E</select> <select id=dst role=destination multiple><option id=z>Z</select>
<button id=select-all action=select-all>all</button><button id=clear-all action=clear-all>none</button>
<button id=move-all action=move-all>&gt;&gt;</button><button id=move-selected action=move-selected>></button>
<button id=revoke-all action=revoke-all>&lt;&lt;</button>
<button id=revoke-selected action=revoke-selected>&lt;</button> </div>)";

TEST(SelectBuddyTest, MovedOptionsComeBackToTheirFormerPlaces) {
  window w(buddy_page);
  w.stack({"select-all", "clear-all", "move-all", "move-selected", "revoke-all", "revoke-selected"});
  w.click("select-all");
  EXPECT_EQ(w.doc.root().select_all("option:checked").size(), 5u);
  w.click("clear-all");
  EXPECT_TRUE(w.doc.root().select_all("option:checked").empty());
  // The button clicked with the options given checked (unchecked again after),
  // and the sources and destinations after it.
  const struct { const char* button; std::initializer_list<const char*> checked;
                 const char *source, *destination; } steps[] = {
      // c stands where b stood, at index 1; back one at a time, in an order unlike the one they
      // left in; z never stood in the source: it goes to its end.
      {"move-selected", {"b", "d"}, "ace", "zbd"}, {"move-selected", {"c"}, "ae", "zbdc"},
      {"move-selected", {"a"}, "e", "zbdca"}, {"revoke-selected", {"c"}, "ce", "zbda"},
      {"revoke-selected", {"d"}, "cde", "zba"}, {"revoke-all", {}, "abcdez", ""},
      {"move-selected", {"c"}, "abdez", "c"}, {"move-all", {}, "", "cabdez"},
      {"revoke-selected", {"d", "a"}, "ad", "cbez"}, {"revoke-all", {}, "abcdez", ""}};
  for (const auto& step : steps) {
    for (const char* id : step.checked) w[id].set_state(state::checked);
    w.click(step.button);
    for (const char* id : step.checked) w[id].set_state(0, state::checked);
    EXPECT_EQ(w.ids_in("src"), step.source) << step.button;
    EXPECT_EQ(w.ids_in("dst"), step.destination) << step.button;
  }
  EXPECT_TRUE(w.doc.root().select_all("[-srcindex]").empty());
}

constexpr const char* checkmark_page = R"(<style>#tree { behavior: select-checkmark; }</style><div id=tree>
<options id=all><span class=caption id=c-all>All</span>
  <option id=x check=on><span class=caption id=c-x>X</span></option>
  <options id=g><span class=caption id=c-g>G</span>
    <option id=g1 check=off><span class=caption id=c-g1>g1</span></option>
    <option id=g2 check=off><span class=caption id=c-g2>g2</span><span id=g2-note>note</span></option>
  </options> </options></div>)";

TEST(SelectCheckmarkTest, ACaptionOrSpaceTogglesItsOptionWithEverythingBelowAndTheGroupsAbove) {
  window w(checkmark_page);
  w.stack({"c-all", "c-x", "c-g", "c-g1", "c-g2", "g2-note"});
  auto checks = [&] {
    std::string out;
    for (const char* id : {"all", "x", "g", "g1", "g2"})
      out += w[id].get_attribute_utf8("check").value_or("-") + " ";
    return out;
  };
  // Groups show what their children are from the start.
  EXPECT_EQ(checks(), "mixed on off off off ");
  // Outside a caption nothing changes, and nothing is current for Space.
  w.click("g2-note");
  ASSERT_EQ(w.doc.focused(), w["tree"]);
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(checks(), "mixed on off off off ");
  // A mixed group turns on as a whole, then off as a whole.
  const std::pair<const char*, const char*> clicks[] = {{"c-g1", "mixed on mixed on off "},
      {"c-g2", "on on on on on "}, {"c-x", "mixed off on on on "},
      {"c-g1", "mixed off mixed off on "}, {"c-all", "on on on on on "},
      {"c-all", "off off off off off "}, {"c-g", "mixed off on on on "}};
  for (auto [id, after] : clicks) {
    w.click(id);
    EXPECT_EQ(checks(), after) << id;
  }
  EXPECT_EQ(w.with(state::current, {"g", "g1"}), "g");
  w.in.key_down(vk::space, 0);
  EXPECT_EQ(checks(), "off off off off off ");
}

constexpr const char* editable_page = R"(<style>#editor { behavior: editable-select; }</style><div id=editor>
<select id=list><option id=o1>one</option><option id=o2>two</option><option id=o3>three</option>
</select><button id=edit action=edit-list>Modify</button>
<button id=early-save action=save-list>Save</button></div>)";

TEST(EditableSelectTest, EditAddSaveAndTheKeysBetweenOptions) {
  window w(editable_page);
  w.stack({"edit", "early-save"}, 20);
  w.click("early-save");  // saving when not editing keeps every option
  EXPECT_EQ(w.ids_in("list"), "o1o2o3");
  w.click("edit");
  EXPECT_TRUE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text() + L" " + *w["edit"].get_attribute("action"), L"Save save-list");
  dom::element add_new = w.doc.root().select_first("text > button[action='add-new']");
  EXPECT_EQ(add_new.text(), L"Add new item here...");
  EXPECT_EQ(w.ids_in("list"), "o1o2o3text");
  w.layout.place(add_new, {0, 60, 100, 80});
  w.click_at({50, 70});
  EXPECT_EQ(w.ids_in("list"), "o1o2o3optiontext");
  EXPECT_EQ(w.doc.focused(), w["list"].child(3));
  EXPECT_TRUE(w["list"].child(3).get_state() & state::current);
  w.click("edit");
  EXPECT_FALSE(w["list"].has_attribute("editable"));
  EXPECT_EQ(w["edit"].text() + L" " + *w["edit"].get_attribute("action"), L"Modify edit-list");
  EXPECT_EQ(w.ids_in("list"), "o1o2o3option");
  // Up, Down and Enter move the focus and the current option; the ends stay.
  w["o1"].set_state(state::focus);
  EXPECT_TRUE(w["o1"].get_state() & state::current);
  const std::pair<uint32_t, const char*> keys[] = {{vk::down, "o2"}, {vk::enter, "o3"},
      {vk::down, "option"}, {vk::down, "option"}, {vk::up, "o3"}};
  for (auto [key, focused] : keys) {
    w.in.key_down(key, 0);
    EXPECT_EQ(testing::name_of_element(w.doc.focused()), focused);
  }
  EXPECT_EQ(w.with(state::current, {"o1", "o3"}), "o3");
}

constexpr const char* tabs_page = R"(<style>body { behavior: test-log; } #outer, #inner { behavior: tabs; }
  .gone { display: none; }</style><div id=outer> <div id=bar><span id=t1 panel=one selected>One</span>
    <span id=t2 panel="it's &quot;two&quot;">Two</span>
    <span id=t3 panel=three disabled>Three</span><span id=t4 panel=four>Four</span>
    <span id=t5 panel=five class=gone>Five</span></div>
  <div id=p1 name=one><a id=inside href="#x">a link in the panel</a>
    <div id=inner><span id=n1 panel=one selected>Inner one</span><span id=n2 panel=two>Inner two</span>
      <div id=np1 name=one>inner 1</div><div id=np2 name=two>inner 2</div></div></div>
  <div id=p2 name="it's &quot;two&quot;">2</div><div id=p3 name=three>3</div>
  <div id=p4 name=four>4</div> </div>)";

TEST(TabsTest, KeysMoveAlongTheStripPassingOverDisabledAndHiddenTabs) {
  window w(tabs_page);
  int left = 0;
  for (const char* tab : {"t1", "t2", "t3", "t4"}) w.place(tab, {left, 0, left += 50, 20});
  for (auto [id, box] : {std::pair{"p1", rect{0, 20, 400, 300}}, {"inside", {0, 20, 100, 40}},
           {"n1", {0, 50, 50, 70}}, {"n2", {60, 50, 110, 70}}})
    w.place(id, box);
  auto current_tab = [&] { return w.with(state::current, {"t1", "t2", "t3", "t4", "t5"}); };
  w.click("t1");  // the strip takes the focus
  ASSERT_EQ(w.doc.focused(), w["outer"]);
  w.click("t3");  // disabled
  w.in.mouse_double_click(w.center("t2"), mouse::main_button, 0);
  w.click("t1");
  // Ctrl+Tab and Ctrl+Shift+Tab go round; Tab alone is not the strip's.
  const struct { uint32_t key, keys; const char* current; } steps[] = {
      {vk::right, 0, "t2"}, {vk::right, 0, "t4"}, {vk::right, 0, "t4"}, {vk::home, 0, "t1"},
      {vk::left, 0, "t1"}, {vk::end, 0, "t4"}, {vk::tab, ctrl, "t1"}, {vk::tab, ctrl | shift, "t4"},
      {vk::tab, ctrl | shift, "t2"}, {vk::tab, 0, "t2"}};
  for (const auto& step : steps) {
    w.in.key_down(step.key, step.keys);
    EXPECT_EQ(current_tab(), step.current) << step.key;
  }
  EXPECT_EQ(w.with(state::expanded, {"p1", "p2", "p4"}), "p2");
  // Inside a panel the arrows are its content's, but Ctrl+Tab is not.
  w.click("inside");
  ASSERT_EQ(w.doc.focused(), w["inside"]);
  w.in.key_down(vk::right, 0);
  w.in.key_down(vk::end, 0);
  EXPECT_EQ(current_tab(), "t2");
  w.in.key_down(vk::tab, ctrl);
  EXPECT_EQ(current_tab(), "t4");
}

TEST(StockGridsTest, RowsAreSelectedHeaderPressesSortOnceAndTheSplitterDragsTheBorder) {
  register_stock_grids();
  event_log log;
  render::headless_host host(400, 300);
  testing::pointer pointer(host.in(), host.geometry());
  host.doc().set_notification_callback(testing::attach_behaviors);
  ASSERT_TRUE(host.load_html("<style>body { margin: 0; behavior: test-event-log; }"
      "table, tr { display: block; } tr { height: 20px; }"
      "td, th { display: inline-block; width: 60px; } #frame { flow: horizontal; }"
      "#left { float: left; width: 150px; } #split { float: left; width: 6px; height: 20px; "
      "behavior: splitter; } #right { overflow: hidden; }</style>"
      "<table id=empty style='behavior: grid' multiple></table>"
      "<table id=heads style='behavior: grid' fixedrows=9><tr><td>x</td></tr></table>"
      "<table id=t multiple fixedrows=1 style='behavior: sortable-grid'>"
      "<tr id=head><th id=name>name</th><th id=num>n</th></tr><tr id=r1><td>b</td><td>0</td></tr>"
      "<tr id=r2><td>B</td><td>1</td></tr><tr id=r3><td>a</td><td>2</td></tr>"
      "<tr id=r4><td>c</td><td>3</td></tr><tr id=r5><td>d</td><td>4</td></tr></table>"
      "<div id=frame><div id=left>left</div><div id=split></div><div id=right>right</div></div>"));
  auto by_id = [&](const std::string& id) { return host.doc().root().select_first("#" + id); };
  auto row = [&](int i) { return by_id("r" + std::to_string(i)); };
  dom::element table = by_id("t");
  auto rows_with = [&](uint32_t bits) {
    std::vector<int> found;
    for (size_t i = 0; i < table.children_count(); ++i)
      if ((table.child(i).get_state() & bits) == bits) found.push_back(static_cast<int>(i));
    return found;
  };
  auto first_column = [&] {
    std::string letters;
    for (size_t i = 1; i < table.children_count(); ++i)
      letters += static_cast<char>(table.child(i).child(0).text()[0]);
    return letters;
  };
  // Tables without rows to move over take keys harmlessly.
  for (const char* table : {"empty", "heads"}) {
    host.in().set_focus(by_id(table));
    for (uint32_t k : {vk::up, vk::down, vk::home, vk::end, vk::page_up, vk::page_down})
      host.in().key_down(k, 0);
    host.in().key_down(vk::key_a, keyboard::control);
  }
  pointer.click(by_id("heads").child(0));  // a header press between cells
  pointer.press(row(2));
  EXPECT_EQ(rows_with(state::checked | state::current | state::anchor), std::vector<int>{2});
  pointer.release();
  pointer.press(row(5), keyboard::shift);
  EXPECT_EQ(rows_with(state::checked), (std::vector<int>{2, 3, 4, 5}));
  pointer.release(keyboard::shift);
  pointer.click(by_id("name"));
  EXPECT_EQ(first_column(), "Babcd");
  EXPECT_TRUE(by_id("name").get_state() & state::checked);
  EXPECT_EQ(rows_with(state::checked).size(), 4u);  // the selection goes with its rows
  by_id("t").insert(row(5), 1);
  pointer.click(by_id("name"));  // the sorted column again: no sort
  EXPECT_EQ(first_column(), "dBabc");
  pointer.click(by_id("num"));
  EXPECT_EQ(first_column(), "bBacd");
  EXPECT_EQ(log.seen, (std::vector<std::string>{"129:heads:0", "130:r2:2", "130:r5:5", "129:name:0",
                                                  "129:name:0", "129:num:1"}));
  auto width = [&] { return host.geometry().location(by_id("left")).value_or(rect{}).right; };
  pointer.move_to(pointer.center_of(by_id("split")));
  pointer.move_by(-10, 0);  // no press, no drag
  EXPECT_EQ(width(), 150);
  pointer.press(by_id("split"));
  EXPECT_EQ(host.in().capture(), by_id("split"));
  pointer.move_by(-10, 0);
  EXPECT_EQ(by_id("left").get_style_attribute("width"), L"140px");
  pointer.move_by(25, 0);  // the capture keeps the moves coming, each counted once
  EXPECT_EQ(width(), 165);
  pointer.release();
  EXPECT_FALSE(host.in().capture());
  pointer.move_by(30, 0);
  EXPECT_EQ(width(), 165);
}

constexpr const char* link_page = R"(<style>body { behavior: test-event-log; }
  #link, #a-link, #long { behavior: hyperlink; }</style><div id=away>elsewhere</div>
<span id=link href="next.htm" target="_blank">next</span>
<a id=a-link href="http://example.org/x">example</a><span id=long>long</span>)";

TEST(HyperlinkTest, EnteringLeavingClickingAndKeysAreReportedButNotAPressThatLeftIt) {
  event_log log;
  window w(link_page, "file:///app/res/main.htm");
  w.stack({"away", "link", "a-link"}, 20);
  // Each report to the host as "kind element action href target".
  auto described = [&] {
    Lines out;
    for (const behavior_notify_notification& r : w.reports)
      out.push_back(std::to_string(r.kind) + " " + testing::name_of_element(r.element) + " " +
                    std::to_string(r.action) + " " + std::string(r.href.begin(), r.href.end()) +
                    " " + std::string(r.target.begin(), r.target.end()));
    return out;
  };
  w.in.mouse_move(w.center("link"), 0, 0);
  w.in.mouse_move(w.center("away"), 0, 0);
  w.click("link");
  w.drag("link", "away");
  w.drag("away", "link");
  w.click("link", mouse::prop_button);
  EXPECT_THAT(log.seen, ElementsAre("128:link:0"));
  const std::string link = " file:///app/res/next.htm _blank";
  EXPECT_THAT(described(), ElementsAre("2 link 1" + link, "2 link 2" + link, "2 link 1" + link,
                                         "2 link 3" + link, "2 link 2" + link, "2 link 1" + link));
  EXPECT_FALSE(w["link"].get_state() & state::current);
  // Space or Enter on the focused link activates it, with its href cut.
  w.reports.clear();
  log.seen.clear();
  method_params click{method::click};
  EXPECT_TRUE(w["a-link"].call_behavior_method(click));  // only gives it the focus
  EXPECT_EQ(w.doc.focused(), w["a-link"]);
  for (uint32_t key : {vk::enter, vk::space, uint32_t('A')}) {
    w.in.key_down(key, 0);
    w.in.key_up(key, 0);
  }
  EXPECT_THAT(log.seen, ElementsAre("128:a-link:1", "128:a-link:1"));
  EXPECT_THAT(described(),
              ElementsAre("2 a-link 3 http://example.org/x ", "2 a-link 3 http://example.org/x "));
  // Hrefs and targets are cut to 2048 characters.
  w.reports.clear();
  const std::string href = "http://example.org/" + std::string(3000, 'h');
  w["long"].set_attribute_utf8("href", href);
  w["long"].set_attribute("target", std::wstring(2100, L't'));
  w["long"].set_state(state::focus);
  w.in.key_up(vk::enter, 0);
  ASSERT_EQ(w.reports.size(), 1u);
  EXPECT_EQ(w.reports[0].href, std::wstring(href.begin(), href.begin() + 2048));
  EXPECT_EQ(w.reports[0].target, std::wstring(2048, L't'));
}

// A link to a place in a scrolling list, on the renderer's real layout.
TEST(HyperlinkTest, AnHrefToANameInThePageScrollsItToTheTopOfItsBox) {
  register_stock_behaviors();
  render::headless_host host(400, 300);
  int reports = 0;
  host.doc().set_notification_callback([&](notification& n) -> uint32_t {
    testing::attach_behaviors(n);
    reports += n.code == notification_code::behavior_notify;
    return 0;
  });
  std::string html = "<html><head><style>body { margin: 0; } #head { height: 30px; }"
      "#box { height: 200px; overflow: auto; } .row { height: 20px; }"
      ".go { behavior: hyperlink; }</style><div id=head>"
      "<span class=go id=to-row href='#r150'>row 150</span>"
      "<span class=go id=to-name href=\"#it's\">named</span>"
      "<span class=go id=to-nothing href='#nowhere'>nowhere</span></div><div id=box>";
  for (int i = 0; i < 200; ++i)
    html += "<div class=row id=r" + std::to_string(i) + (i == 40 ? " name=\"it's\"" : "") + ">row</div>";
  host.load_html(html + "</div></body></html>");
  auto top_of = [&](const std::string& id) {
    return host.geometry().location(host.doc().root().select_first("#" + id)).value_or(rect{}).top;
  };
  const int box_top = top_of("box");
  for (auto [link, row] : {std::pair{"to-row", "r150"}, {"to-name", "r40"}, {"to-nothing", "r40"}}) {
    host.doc().root().select_first(std::string("#") + link).set_state(state::focus);
    host.in().key_up(vk::enter, 0);
    EXPECT_EQ(top_of(row), box_top) << link;
  }
  EXPECT_EQ(reports, 0);  // nothing of this goes to the host
}

// Runs dialogs in a headless window loaded as the Qt runner loads it; `script_` plays the user.
// The answer is the code the dialog ended with, or -1 when it did not end.
class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    set_dialog_runner([this](dialog& d, std::string_view html) {
      testing::test_window w;
      int code = -1;
      w.doc.set_notification_callback([&](notification& n) { return d.handle_notification(n); });
      d.begin_run(w.doc, [&](int c) { code = c; });
      w.doc.load_html(html);
      w.doc.root().attach_event_handler(element_proc, &d, d.subscribed_to);
      if (script_) script_(w);
      d.end_run();
      return code;
    });
  }
  ~DialogTest() override {
    set_dialog_runner({});
    set_url_opener({});
  }
  // Holds `html` as resource `id` of type 23 and shows it.
  int show(uint32_t id, const std::string& html) {
    pages_.push_back(html);
    add_program_resource("23", std::to_string(id), pages_.back());
    return d_.show(id);
  }
  static void click(testing::test_window& w, const char* selector) {
    method_params params{method::click};
    w.doc.root().select_first(selector).call_behavior_method(params);
  }
  dialog d_;
  std::function<void(testing::test_window&)> script_;
  std::vector<std::string> pages_;  // resources keep pointing into these
};

TEST_F(DialogTest, ButtonNamesAndTheEnterAndEscapeRolesEndTheDialog) {
  const std::string page = "<button id=lower name=ok>a</button><button id=mixed name=Ok>b</button>"
      "<button id=abort name=ABORT>c</button><button id=abort-blank name='abort '>d</button>"
      "<button id=retry name=retry>e</button><button id=help name=HELP>f</button>"
      "<button id=plain>g</button>";
  // Names ignore case but not their blanks; other names leave the click to the page, the dialog goes on.
  for (auto [id, code] : {std::pair{"#lower", int(dialog_result::ok)}, {"#mixed", dialog_result::ok},
           {"#abort-blank", dialog_result::abort}, {"#help", dialog_result::help}, {"#abort", -1},
           {"#retry", -1}, {"#plain", -1}}) {
    script_ = [&](testing::test_window& w) { click(w, id); };
    EXPECT_EQ(show(201, page), code) << id;
  }
  const std::string roles = "<button name=cancel role=cancel-button>x</button><button name=yes "
      "role=default-button>y</button>";
  script_ = [](testing::test_window& w) { w.in.key_down(vk::enter, 0); };
  EXPECT_EQ(show(202, roles), dialog_result::yes);
  EXPECT_EQ(show(204, "<button name=ok>ok</button><p id=text>text</p>"), -1);  // no default
  script_ = [](testing::test_window& w) { w.in.key_down(vk::escape, 0); };
  EXPECT_EQ(show(203, roles), dialog_result::cancel);
  // Nothing shows without a page, with an empty one or without a runner.
  EXPECT_EQ(d_.show(9999), 0);
  EXPECT_EQ(show(208, ""), 0);
  set_dialog_runner({});
  EXPECT_EQ(show(209, "<button name=ok>ok</button>"), 0);
  EXPECT_FALSE(d_.end(dialog_result::ok));  // not running
}

TEST_F(DialogTest, ValuesFillTheControlsAndComeBackOnOkButNotOnNo) {
  const std::string page = "<div><input type=radio name=size id=s0><input type=radio name=size id=s1>"
      "<input type=radio name=size id=s2></div><input type=checkbox name=wrap id=wrap checked>"
      "<input type=text name=title id=title value=old><textarea name=notes id=notes>n</textarea>"
      "<button name=ok id=ok>OK</button><button name=no id=no>No</button>";
  dialog_values values{{L"size", 2}, {L"wrap", false}, {L"title", std::wstring(L"new")},
                       {L"notes", std::wstring(L"written")}};
  d_.values = &values;
  std::string seen;
  script_ = [&](testing::test_window& w) {
    for (const char* id : {"s0", "s1", "s2", "wrap"})
      seen += w[id].get_state() & state::checked ? "on " : "off ";
    seen += w["title"].get_attribute_utf8("value").value_or("?") + " " + w["notes"].html(false);
    click(w, "#s0");  // the user changes a few
    click(w, "#wrap");
    w["title"].set_attribute("value", L"typed");
    click(w, "#ok");
  };
  EXPECT_EQ(show(205, page), dialog_result::ok);
  EXPECT_EQ(seen, "off off on off new written");
  EXPECT_EQ(values, (dialog_values{{L"size", 0}, {L"wrap", true}, {L"title", std::wstring(L"typed")},
                                   {L"notes", std::wstring(L"written")}, {L"ok", std::wstring(L"OK")},
                                   {L"no", std::wstring(L"No")}}));
  values = {{L"size", 1}};
  script_ = [&](testing::test_window& w) { click(w, "#s2"); click(w, "#no"); };
  EXPECT_EQ(show(205, page), dialog_result::no);
  EXPECT_EQ(values, (dialog_values{{L"size", 1}}));
}

TEST_F(DialogTest, PagesFindTheProgramsResourcesBehavioursAndLinks) {
  struct marker : behavior {
    marker() : behavior(group::mouse, "test-dialog-marker") {}
    std::vector<std::wstring> attached_to;
    void attached(const dom::element& he) override { attached_to.push_back(he.text()); }
  } marked;
  const std::string css = ".mark { behavior: test-dialog-marker }";
  add_program_resource("CSS", "dialogstyle", css);
  std::vector<std::string> sheets;
  script_ = [&](testing::test_window& w) {
    for (const document::style_sheet& s : w.doc.style_sheets()) sheets.push_back(s.text);
  };
  show(206, "<link rel=stylesheet href='dialogstyle.css'><p class=mark>marked</p>");
  EXPECT_EQ(sheets, std::vector<std::string>{css});
  EXPECT_EQ(marked.attached_to, std::vector<std::wstring>{L"marked"});
  // Links open with the desktop and the click goes on.
  std::vector<std::wstring> opened;
  set_url_opener([&](const std::wstring& url) { opened.push_back(url); });
  script_ = [&](testing::test_window& w) { click(w, "#link"); };
  EXPECT_EQ(show(207, "<a id=link href='https://example.org/'>site</a>"), -1);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.org/"});
}

}  // namespace
}  // namespace htmlayout
