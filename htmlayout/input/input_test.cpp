// The input side on boxes placed by hand: the focus, keys and in-place editing, popups, menus, timers.
#include "htmlayout/input/input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/input/timer_queue.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::recorder;
using testing::test_window;
using Lines = std::vector<std::string>;
constexpr uint32_t main_button = mouse::main_button;

// A table that edits its cell in place the way the program's tag list does: F2 starts (marking the table
// "start_editing" so that the focus can pass into the cell), losing the focus commits; it logs focus events.
struct editing_grid : behavior {
  explicit editing_grid(Lines& log) : behavior(group::key | group::focus, "test-grid"), log_(log) {}
  bool on_key(const dom::element& table, const dom::element&, uint32_t code, uint32_t key_code,
              uint32_t) override {
    if (code != key::down || key_code != vk::f2) return false;
    table.set_attribute("editable", L"");
    table.set_attribute("start_editing", L"");
    table.select_first("div").set_state(state::focus);
    return true;
  }
  bool on_focus(const dom::element& table, const dom::element& target, uint32_t code) override {
    log_.push_back("table focus " + std::to_string(code) + " " + testing::name_of_element(target));
    if (code == (focus::lost | sinking) && table.has_attribute("editable") &&
        !table.has_attribute("start_editing")) {
      log_.push_back("commit " + *table.select_first("div").get_attribute_utf8("id"));
      table.remove_attribute("editable");
      table.select_first("div").set_state(0, state::focus);
      table.set_state(state::focus);
      return true;
    }
    if (code == focus::lost && table.has_attribute("start_editing"))
      table.remove_attribute("start_editing");
    return false;
  }
  Lines& log_;
};

TEST(FocusTest, F2MovesTheFocusIntoTheCellEditorAndClickingAwayCommitsOnce) {
  Lines log;
  recorder root(log, "test-focus-root", group::key | group::focus);
  editing_grid grid(log);
  test_window w(R"(<style>html { behavior: test-focus-root; } #tags { behavior: test-grid; }</style>
    <table id=tags><tr id=row><td id=td><div id=cell>old</div></td></tr></table>
    <button id=other>Other</button>)");
  w.place("tags", {0, 0, 200, 100});
  for (const char* id : {"row", "td", "cell"}) w.place(id, {0, 0, 200, 20});
  w.place("other", {0, 120, 100, 140});
  w.click("cell");
  EXPECT_EQ(w.doc.focused(), w["tags"]);
  log.clear();
  w.in.key_down(vk::f2, 0);
  // The key reaches the table through the root; inside its handler the focus passes to the cell:
  // lost in both phases without a commit (the table is start_editing), then got in both.
  EXPECT_THAT(log, ElementsAre("html key 8000 tags 113", "html focus 8000 cell",
                               "table focus 32768 cell", "table focus 0 cell", "html focus 0 cell",
                               "html focus 8001 tags", "table focus 32769 tags",
                               "table focus 1 tags", "html focus 1 tags"));
  EXPECT_EQ(w.doc.focused(), w["cell"]);
  ASSERT_TRUE(w.in.caret());
  EXPECT_EQ(w.in.caret()->offset, 3u);
  log.clear();
  w.click("other");
  // The loss reaches the table while sinking; its commit moves the focus to
  // the table, and the click's move goes on from there to the button.
  EXPECT_THAT(log, ElementsAre("html focus 8000 other", "table focus 32768 other", "commit cell",
      "html focus 8001 -", "table focus 32769 -", "table focus 1 -", "html focus 1 -",
      "html focus 8000 other", "table focus 32768 other", "table focus 0 other",
      "html focus 0 other", "html focus 8001 tags", "html focus 1 tags"));
  EXPECT_EQ(w.doc.focused(), w["other"]);
  EXPECT_FALSE((w["cell"].get_state() | w["tags"].get_state()) & state::focus);
  EXPECT_FALSE(w["tags"].has_attribute("editable"));
}

TEST(FocusTest, StatesMoveTheFocusWithEventsAndALostHandlerCanKeepIt) {
  struct keeper : behavior {
    keeper() : behavior(group::focus, "test-focus-keeper") {}
    bool handle_focus(const dom::element& he, focus_params& params) override {
      seen.push_back(params.cmd);
      if (params.cmd == focus::lost && he.has_attribute("keep")) params.cancel = true;
      return false;
    }
    std::vector<uint32_t> seen;
  } b;
  test_window w(R"(<style>div { behavior: test-focus-keeper }</style>
    <div id=a keep></div><div id=b></div>)");
  w["b"].set_state(state::focus);
  EXPECT_EQ(w.doc.focused(), w["b"]);
  EXPECT_THAT(b.seen, ElementsAre(focus::got | sinking, focus::got));
  b.seen.clear();
  w["b"].set_state(0, state::focus);  // nobody has it now
  EXPECT_FALSE(w.doc.focused());
  EXPECT_THAT(b.seen, ElementsAre(focus::lost | sinking, focus::lost));
  w["a"].set_state(state::focus | state::current);
  EXPECT_EQ(w.doc.focused(), w["a"]);
  EXPECT_TRUE(w["a"].get_state() & state::current);
  w.in.set_focus(w["b"]);
  EXPECT_EQ(w.doc.focused(), w["a"]);  // refused by its handler
  EXPECT_FALSE(w["b"].get_state() & state::focus);
}

TEST(KeyTest, KeysGoToTheFocusedElementSinkingThenBubblingAndPressAndClickButtons) {
  Lines log;
  recorder rec(log, "test-keys", group::key | group::behavior_event);
  test_window w(R"(<style>html, #list, #item { behavior: test-keys }</style>
    <div id=list tabindex=0><p id=item>x</p></div><button id=go>Go</button><a id=link href=x>x</a>)");
  // Without a focused element the root takes the keys.
  w.in.key_down(vk::f1, 0);
  EXPECT_THAT(log, ElementsAre("html key 8000 html 112", "html key 0 html 112"));
  log.clear();
  w["item"].set_state(state::focus);
  w.in.key_down(vk::key_c, keyboard::control);
  w.in.key_up(vk::key_c, keyboard::control);
  w.in.characters(L"é", 0);
  // Down, up and the character: each sinks from the root to the focus, then bubbles back.
  EXPECT_THAT(log, ElementsAre(
      "html key 8000 item 67", "list key 8000 item 67", "item key 8000 item 67", "item key 0 item 67",
      "list key 0 item 67", "html key 0 item 67", "html key 8001 item 67", "list key 8001 item 67",
      "item key 8001 item 67", "item key 1 item 67", "list key 1 item 67", "html key 1 item 67",
      "html key 8002 item 233", "list key 8002 item 233", "item key 8002 item 233",
      "item key 2 item 233", "list key 2 item 233", "html key 2 item 233"));
  log.clear();
  rec.react = [](const dom::element&, const std::string& line) { return line == "list key 8000 item 27"; };
  w.in.key_down(vk::escape, 0);
  EXPECT_THAT(log, ElementsAre("html key 8000 item 27", "list key 8000 item 27"));
  // Enter and Space on a focused button press and click it, Enter on a link.
  rec.react = nullptr;
  w["go"].set_state(state::focus);
  w.in.key_down(vk::enter, 0);
  w.in.key_down(vk::space, 0);
  w["link"].set_state(state::focus);
  w.in.key_down(vk::enter, 0);
  w.in.key_down('A', 0);
  Lines events;
  for (const std::string& line : log)
    if (line.find(" event ") != std::string::npos) events.push_back(line);
  EXPECT_THAT(events, ElementsAre("html event 1 go", "html event 0 go", "html event 1 go",
                                  "html event 0 go", "html event 80 link"));
}

TEST(InlineEditingTest, TypingChangesTheCellsTextAndOuterHtml) {
  Lines log;
  recorder table(log, "test-edit-keys", group::key);
  test_window w(R"(<style>#tags { behavior: test-edit-keys; }</style>
    <table id=tags editable><tr><td><div id=cell>ab</div></td></tr></table>
    <table id=fixed><tr><td><div id=still>ab</div></td></tr></table>)");
  w["cell"].set_state(state::focus);
  ASSERT_TRUE(w.in.caret());
  EXPECT_EQ(w.in.caret()->offset, 2u);
  w.in.characters(L"c<&>\u00e9\u6f22\U0001F600", 0);
  EXPECT_EQ(w["cell"].html(true), "<div id=\"cell\">abc&lt;&amp;&gt;\u00e9\u6f22\U0001F600</div>");
  // A key, or with `typed` characters typed with the keys given, then the cell's text and the caret;
  // Back at the start, Del at the end, control characters and shortcuts change nothing.
  const wchar_t *all = L"abc<&>\u00e9\u6f22\U0001F600", *cut = L"ac<&>\u00e9\u6f22\U0001F600";
  const struct { uint32_t key, keys; const wchar_t *typed, *text; size_t caret; } steps[] = {
      {vk::home, 0, nullptr, all, 0}, {vk::back, 0, nullptr, all, 0}, {vk::right, 0, nullptr, all, 1},
      {vk::del, 0, nullptr, cut, 1}, {vk::end, 0, nullptr, cut, 8},
      {vk::back, 0, nullptr, L"ac<&>\u00e9\u6f22", 7}, {vk::left, 0, nullptr, L"ac<&>\u00e9\u6f22", 6},
      {vk::back, 0, nullptr, L"ac<&>\u6f22", 5}, {vk::del, 0, nullptr, L"ac<&>", 5},
      {vk::del, 0, nullptr, L"ac<&>", 5}, {vk::right, 0, nullptr, L"ac<&>", 5},
      {0, 0, L"\x01\t", L"ac<&>", 5}, {0, keyboard::control, L"z", L"ac<&>", 5}};
  for (const auto& step : steps) {
    if (step.typed)
      w.in.characters(step.typed, step.keys);
    else
      w.in.key_down(step.key, step.keys);
    EXPECT_EQ(w["cell"].text(), step.text) << step.key;
    EXPECT_EQ(w.in.caret() ? w.in.caret()->offset : SIZE_MAX, step.caret) << step.key;
  }
  EXPECT_EQ(w["cell"].html(true), "<div id=\"cell\">ac&lt;&amp;&gt;</div>");
  // A table without "editable" edits nothing.
  w["still"].set_state(state::focus);
  EXPECT_FALSE(w.in.caret());
  w.in.characters(L"x", 0);
  EXPECT_EQ(w["still"].text(), L"ab");
}

// The behaviours outlive the window's document, which calls them as it goes.
struct menu_behaviors {
  Lines log;
  recorder rec{log, "test-menus", group::behavior_event};
  recorder body{log, "test-menus-body", group::behavior_event | group::key};
};

struct menu_window : menu_behaviors, test_window {
  menu_window() : test_window(R"(<html><head><style>
  menu { display: none; } #owner, #menu, #checks { behavior: test-menus; }
  body { behavior: test-menus-body; }
</style></head><body><div id=owner>Owner</div><div id=area><p id=inside>text</p></div>
<div id=elsewhere>elsewhere</div>
<menu id=menu><li id=copy>Copy</li><hr><li id=remove><span id=label>Remove</span></li>
  <li id=off disabled>Off</li></menu>
<menu id=checks><li type=check id=t1>one</li><li type=check id=t2>two</li></menu>
</body></html>)") {
    // The menus where the host would lay them out when shown.
    for (auto [id, box] : {std::pair{"owner", rect{0, 0, 100, 20}}, {"area", {0, 30, 100, 60}},
             {"inside", {0, 30, 100, 40}}, {"elsewhere", {0, 70, 100, 90}}, {"menu", {0, 20, 150, 100}},
             {"checks", {0, 20, 150, 80}}, {"label", {10, 52, 60, 68}}, {"off", {0, 74, 150, 94}},
             {"copy", {0, 24, 150, 44}}, {"t1", {0, 24, 150, 44}}, {"remove", {0, 50, 150, 70}},
             {"t2", {0, 50, 150, 70}}})
      place(id, box);
  }
  Lines shown() {
    Lines ids;
    for (const input::shown_popup& p : in.popups())
      ids.push_back(testing::name_of_element(p.element) + " of " +
                    testing::name_of_element(p.owner) + " at " + std::to_string(p.position.x) +
                    "," + std::to_string(p.position.y));
    return ids;
  }
  // Shows `menu` below `owner`, with the log cleared first.
  void show(const char* menu, const char* owner = "owner") {
    log.clear();
    show_popup((*this)[menu], (*this)[owner], placement::below);
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
  // Losing the keyboard hides them and ends a press; other methods than a click are not the engine's.
  w.show("menu");
  w.in.mouse_down(w.center("owner"), main_button, 0);
  w.in.view_deactivated();
  EXPECT_THAT(w.shown(), IsEmpty());
  method_params other{7};
  EXPECT_FALSE(w["copy"].call_behavior_method(other));
}

TEST(PopupTest, AMenuItemChosenReachesTheOwnerWithTheItemAsTargetACheckItemItsMenu) {
  menu_window w;
  w.show("menu");
  // Up and Down pass over the disabled item and stop at the ends; Enter chooses.
  const std::pair<uint32_t, const char*> keys[] = {{vk::down, "copy"}, {vk::down, "remove"},
      {vk::down, "remove"}, {vk::up, "copy"}, {vk::down, "remove"}};
  for (auto [key, current] : keys) {
    w.in.key_down(key, 0);
    EXPECT_EQ(testing::name_of_element(w["menu"].select_first(":current")), current);
  }
  w.in.key_down(vk::enter, 0);
  EXPECT_THAT(w.log, ElementsAre("owner event b remove", "body event b remove"));
  EXPECT_THAT(w.shown(), IsEmpty());
  // A click does the same.
  w.show("menu");
  w.click("label");
  EXPECT_THAT(w.log, ElementsAre("owner event b remove", "body event b remove"));
  EXPECT_THAT(w.shown(), IsEmpty());
  // A disabled item, and the separator, do nothing and keep the menu open.
  w.show("menu");
  w.click("off");
  w.in.mouse_down({5, 47}, main_button, 0);
  w.in.mouse_up({5, 47}, main_button, 0);
  EXPECT_THAT(w.log, IsEmpty());
  EXPECT_THAT(w.shown(), ElementsAre("menu of owner at 0,20"));
  // Clicking an item through the behaviour method works the same.
  method_params click{method::click};
  EXPECT_TRUE(w["copy"].call_behavior_method(click));
  EXPECT_THAT(w.log, ElementsAre("owner event b copy", "body event b copy"));
  EXPECT_THAT(w.shown(), IsEmpty());
  EXPECT_FALSE(w["copy"].call_behavior_method(click));  // no longer in a shown menu
  // A check item toggles and tells its menu, which stays open.
  w.show("checks");
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
  Lines mouse_log;
  recorder mouse_rec(mouse_log, "test-outside", group::mouse);
  menu_window w;
  w["elsewhere"].attach_event_handler(element_proc, &mouse_rec, group::mouse);
  w.show("checks");
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
  EXPECT_THAT(mouse_log, ElementsAre("elsewhere mouse 8004 elsewhere", "elsewhere mouse 4 elsewhere"));
  w.in.mouse_up(w.center("elsewhere"), main_button, 0);
  // Escape hides the top popup and gives the focus back to the element that
  // had it when the popup was shown; nobody sees that key.
  w["owner"].set_attribute("tabindex", L"0");
  w["owner"].set_state(state::focus);
  w.show("menu");
  w.show("checks", "area");
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

TEST(TimerTest, TimersFireInTheOrderTheyFallDueAndRepeatUntilDeclined) {
  // Divs keep their timers ticking unless they carry "once".
  Lines log;
  recorder rec(log, "test-timers", group::timer);
  rec.react = [](const dom::element& he, const std::string&) { return !he.has_attribute("once"); };
  test_window w(R"(<style>div { behavior: test-timers }</style>
    <div id=a></div><div id=b></div><p id=none></p>)");
  EXPECT_FALSE(w.in.next_timer_due());
  EXPECT_TRUE(set_timer(w["a"], 100));
  EXPECT_TRUE(set_timer(w["b"], 30));
  EXPECT_EQ(w.in.next_timer_due(), 30u);
  w.in.advance_clock(29);
  EXPECT_THAT(log, IsEmpty());
  for (uint64_t t = 30; t <= 120; t += 30) w.in.advance_clock(t);
  EXPECT_THAT(log, ElementsAre("b timer", "b timer", "b timer", "a timer", "b timer"));
  EXPECT_EQ(w.in.next_timer_due(), 150u);
  // A handler that declines stops its timer, as does an element without one.
  log.clear();
  w["a"].set_attribute("once", L"");
  for (const char* id : {"a", "b"}) set_timer(w[id], 10);
  set_timer(w["none"], 5);
  for (uint64_t t : {130, 140, 1000}) w.in.advance_clock(t);
  EXPECT_THAT(log, ElementsAre("a timer", "b timer", "b timer", "b timer"));
  // A clock that jumps fires once and keeps the rhythm from then.
  EXPECT_EQ(w.in.next_timer_due(), 1010u);
  w.in.advance_clock(500);  // time never runs backwards
  EXPECT_EQ(log.size(), 4u);
  // Zero stops a timer, and an element taken out of the page loses its own.
  set_timer(w["a"], 10);
  set_timer(w["a"], 0);
  dom::element b = w["b"];
  b.detach();
  w.in.advance_clock(2000);
  EXPECT_EQ(log.size(), 4u);
  EXPECT_FALSE(w.in.next_timer_due());
  EXPECT_FALSE(set_timer(b, 10));
}

// Starts a timer of 100 ms as it is attached, as a clock does.
struct starts_timer : behavior {
  starts_timer() : behavior(group::timer, "test-starts-timer") {}
  int ticks = 0;
  void attached(const dom::element& he) override { set_timer(he, 100); }
  bool on_timer(const dom::element&) override { return ++ticks < 3; }
};

TEST(TimerTest, TimersSetBeforeTheInputExistsAreKeptForIt) {
  starts_timer behaviour;
  document doc;
  doc.set_notification_callback(testing::attach_behaviors);
  doc.load_html(R"(<style>.clock { behavior: test-starts-timer }</style>
    <div class=clock id=kept></div><div class=clock id=gone></div>)");
  doc.root().select_first("#gone").delete_element();
  testing::fixed_layout layout;
  input in(doc, layout);
  int changes = 0;
  in.set_timers_changed([&] { ++changes; });
  EXPECT_EQ(in.next_timer_due(), 100u);
  in.advance_clock(99);
  EXPECT_EQ(behaviour.ticks, 0);
  in.advance_clock(100);
  EXPECT_EQ(behaviour.ticks, 1);  // only the element still in the page
  for (uint64_t t : {200, 300}) in.advance_clock(t);
  EXPECT_EQ(behaviour.ticks, 3);  // and it stopped
  EXPECT_FALSE(in.next_timer_due());
  // Later timers reach the input and tell the host.
  set_timer(doc.root().select_first("#kept"), 50);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(in.next_timer_due(), 350u);
}

}  // namespace
}  // namespace htmlayout
