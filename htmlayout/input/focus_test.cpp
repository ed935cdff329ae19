// The focus, keys and in-place editing through the input side.
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
using testing::recorder;
using testing::test_window;


// A table that edits its rows' cells in place the way the program's tag
// list does: F2 starts (marking the table "start_editing" so that the focus
// can pass into the cell), the loss of the focus commits, and it
// records every focus event it sees.
class editing_grid : public behavior {
 public:
  explicit editing_grid(std::vector<std::string>& log)
      : behavior(group::key | group::focus, "test-editing-grid"), log_(log) {}

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
      commit(table);
      return true;
    }
    if (code == focus::lost && table.has_attribute("start_editing"))
      table.remove_attribute("start_editing");
    return false;
  }

 private:
  void commit(const dom::element& table) {
    log_.push_back("commit " +
                   std::string(table.select_first("div").get_attribute_utf8("id").value()));
    table.remove_attribute("editable");
    table.remove_attribute("start_editing");
    table.select_first("div").set_state(0, state::focus);
    table.set_state(state::focus);
  }
  std::vector<std::string>& log_;
};

constexpr const char* grid_page = R"(<html><head><style>
  html { behavior: test-focus-root; }
  #tags { behavior: test-editing-grid; }
</style></head><body>
<table id=tags><tr id=row><td id=td><div id=cell>old</div></td></tr></table>
<button id=other>Other</button>
</body></html>)";

// The behaviours outlive the window's document, which calls them as it goes.
struct grid_window_behaviors {
  std::vector<std::string> log;
  recorder root{log, "test-focus-root", group::key | group::focus};
  editing_grid grid{log};
};

struct grid_window : grid_window_behaviors, test_window {
  grid_window() {
    doc.load_html(grid_page);
    place("tags", {0, 0, 200, 100});
    place("row", {0, 0, 200, 20});
    place("td", {0, 0, 200, 20});
    place("cell", {0, 0, 200, 20});
    place("other", {0, 120, 100, 140});
  }
};

TEST(FocusTest, F2MovesTheFocusIntoTheCellEditorAndClickingAwayCommitsOnce) {
  grid_window w;
  w.click("cell");
  EXPECT_EQ(w.doc.focused(), w["tags"]);
  w.log.clear();
  w.in.key_down(vk::f2, 0);
  // The key reaches the table through the root; then, inside the table's
  // handler, the focus passes to the cell: lost in both phases, with the
  // cell as target, without a commit (the table marked start_editing), then
  // got in both phases with the table as target.
  EXPECT_THAT(
      w.log, ElementsAre("html key 8000 tags 113", "html focus 8000 cell", "table focus 32768 cell",
                         "table focus 0 cell", "html focus 0 cell", "html focus 8001 tags",
                         "table focus 32769 tags", "table focus 1 tags", "html focus 1 tags"));
  EXPECT_EQ(w.doc.focused(), w["cell"]);
  ASSERT_TRUE(w.in.caret());
  EXPECT_EQ(w.in.caret()->offset, 3u);
  w.log.clear();
  w.click("other");
  // The loss reaches the table while sinking; its commit moves the focus to
  // the table, and the click's move goes on from there to the button.
  EXPECT_THAT(
      w.log,
      ElementsAre("html focus 8000 other", "table focus 32768 other", "commit cell",
                  "html focus 8001 -", "table focus 32769 -", "table focus 1 -", "html focus 1 -",
                  "html focus 8000 other", "table focus 32768 other", "table focus 0 other",
                  "html focus 0 other", "html focus 8001 tags", "html focus 1 tags"));
  EXPECT_EQ(w.doc.focused(), w["other"]);
  EXPECT_FALSE(w["cell"].get_state() & state::focus);
  EXPECT_FALSE(w["tags"].get_state() & state::focus);
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
  std::vector<std::string> log;
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
  EXPECT_THAT(
      log, ElementsAre("html key 8000 item 67", "list key 8000 item 67", "item key 8000 item 67",
                       "item key 0 item 67", "list key 0 item 67", "html key 0 item 67",
                       "html key 8001 item 67", "list key 8001 item 67", "item key 8001 item 67",
                       "item key 1 item 67", "list key 1 item 67", "html key 1 item 67",
                       "html key 8002 item 233", "list key 8002 item 233", "item key 8002 item 233",
                       "item key 2 item 233", "list key 2 item 233", "html key 2 item 233"));
  log.clear();
  rec.react = [](const dom::element&, const std::string& line) {
    return line == "list key 8000 item 27";
  };
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
  std::vector<std::string> events;
  for (const std::string& line : log)
    if (line.find(" event ") != std::string::npos) events.push_back(line);
  EXPECT_THAT(events, ElementsAre("html event 1 go", "html event 0 go", "html event 1 go",
                                  "html event 0 go", "html event 80 link"));
}

// ---- In-place editing ----

constexpr const char* editable_page = R"(<html><head><style>
  #tags { behavior: test-edit-keys; }
</style></head><body>
<table id=tags editable><tr><td><div id=cell>ab</div></td></tr></table>
<table id=fixed><tr><td><div id=still>ab</div></td></tr></table>
</body></html>)";

// The behaviours outlive the window's document, which calls them as it goes.
struct editing_window_behaviors {
  std::vector<std::string> log;
  recorder table{log, "test-edit-keys", group::key};
};

struct editing_window : editing_window_behaviors, test_window {
  editing_window() {
    doc.load_html(editable_page);
    (*this)["cell"].set_state(state::focus);
  }
  size_t caret() { return in.caret() ? in.caret()->offset : SIZE_MAX; }
};

TEST(InlineEditingTest, TypingChangesTheCellsTextAndOuterHtml) {
  editing_window w;
  ASSERT_TRUE(w.in.caret());
  EXPECT_EQ(w.caret(), 2u);
  w.in.characters(L"c<&>\u00e9\u6f22\U0001F600", 0);
  EXPECT_EQ(w["cell"].text(), L"abc<&>\u00e9\u6f22\U0001F600");
  EXPECT_EQ(w["cell"].html(true), "<div id=\"cell\">abc&lt;&amp;&gt;\u00e9\u6f22\U0001F600</div>");
  EXPECT_EQ(w.caret(), 9u);

  w.in.key_down(vk::home, 0);
  EXPECT_EQ(w.caret(), 0u);
  w.in.key_down(vk::back, 0);  // nothing before the caret
  w.in.key_down(vk::right, 0);
  w.in.key_down(vk::del, 0);
  EXPECT_EQ(w["cell"].text(), L"ac<&>\u00e9\u6f22\U0001F600");
  EXPECT_EQ(w.caret(), 1u);
  w.in.key_down(vk::end, 0);
  w.in.key_down(vk::back, 0);
  w.in.key_down(vk::left, 0);
  w.in.key_down(vk::back, 0);
  EXPECT_EQ(w["cell"].text(), L"ac<&>\u6f22");
  EXPECT_EQ(w.caret(), 5u);
  w.in.key_down(vk::del, 0);
  w.in.key_down(vk::del, 0);  // nothing after the caret
  w.in.key_down(vk::right, 0);
  EXPECT_EQ(w["cell"].html(true), "<div id=\"cell\">ac&lt;&amp;&gt;</div>");
  EXPECT_EQ(w.caret(), 5u);
  // Control characters and shortcuts type nothing; a table without
  // "editable" edits nothing.
  w.in.characters(L"\x01\t", 0);
  w.in.characters(L"z", keyboard::control);
  EXPECT_EQ(w["cell"].text(), L"ac<&>");
  w["still"].set_state(state::focus);
  EXPECT_FALSE(w.in.caret());
  w.in.characters(L"x", 0);
  EXPECT_EQ(w["still"].text(), L"ab");
}

}  // namespace
}  // namespace htmlayout
