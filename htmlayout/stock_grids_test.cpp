// The stock "grid", "sortable-grid" and "splitter" on pages laid out by the
// real renderer, driven by presses, moves, releases and keys through the
// input side at the places the layout gives.
#include "htmlayout/stock_grids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fml/text.h"
#include "htmlayout/behavior.h"
#include "htmlayout/events.h"
#include "htmlayout/keys.h"
#include "htmlayout/render/headless_host.h"
#include "htmlayout/testing/pointer.h"

namespace htmlayout {
namespace {

using render::headless_host;

// Records the behaviour events that reach the body: "code:source id:reason".
struct event_log : behavior {
  event_log() : behavior(group::behavior_event, "test-event-log") {}
  bool on_event(const dom::element&, const dom::element& target, uint32_t code,
                uintptr_t reason) override {
    seen.push_back(std::to_string(code) + ":" + target.get_attribute_utf8("id").value_or("") + ":" +
                   std::to_string(reason));
    return false;
  }
  std::vector<std::string> seen;
};

const char kStyle[] =
    "<style>body { margin: 0; behavior: test-event-log; } table, tr { display: block; }"
    "tr { height: 20px; } td, th { display: inline-block; width: 60px; height: 20px; }"
    ".hidden { display: none; } #box { height: 100px; overflow: auto; }"
    "#frame { flow: horizontal; height: 50px; } #left { float: left; width: 150px; height: 50px; }"
    "#split { float: left; width: 6px; height: 50px; behavior: splitter; }"
    "#right { overflow: hidden; height: 50px; }</style>";

// Rows for a table in which they start at index `first`: the row at index
// i has the id "r<i>", the text texts[i - first] in its first cell and i in
// its second; those whose index is in `hidden` are not displayed.
std::string rows(const std::vector<std::string>& texts, const std::vector<int>& hidden = {},
                 int first = 0) {
  std::string html;
  for (int i = first; i < first + static_cast<int>(texts.size()); ++i) {
    bool is_hidden = false;
    for (int h : hidden) is_hidden |= h == i;
    html += "<tr id=r" + std::to_string(i) + (is_hidden ? " class=hidden" : "") + "><td>" +
            texts[i - first] + "</td><td>" + std::to_string(i) + "</td></tr>";
  }
  return html;
}

class StockGridsTest : public ::testing::Test {
 protected:
  StockGridsTest() {
    register_stock_grids();
    host_.doc().set_notification_callback([](notification& n) -> uint32_t {
      if (n.code == notification_code::attach_behavior)
        answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
      return 0;
    });
  }
  void load(const std::string& body) {
    ASSERT_TRUE(host_.load_html("<html><head>" + std::string(kStyle) + "</head><body>" + body +
                                "</body></html>"));
    log_.seen.clear();
  }
  dom::element by_id(const std::string& id) {
    return host_.doc().root().select_first("[id='" + id + "']");
  }
  dom::element row(int i) { return by_id("r" + std::to_string(i)); }
  // The indexes of the rows with `bits`, in order.
  std::vector<int> rows_with(uint32_t bits) {
    std::vector<int> found;
    dom::element table = by_id("t");
    for (size_t i = 0; i < table.children_count(); ++i)
      if ((table.child(i).get_state() & bits) == bits) found.push_back(static_cast<int>(i));
    return found;
  }
  void key(uint32_t code, uint32_t keys = 0) { host_.in().key_down(code, keys); }

  event_log log_;
  headless_host host_{400, 300};
  testing::pointer pointer_{host_.in(), host_.geometry()};
};

TEST_F(StockGridsTest, SelectionIsAppliedAtThePressAndHeaderPressesSort) {
  load(
      "<table id=t multiple fixedrows=1 style='behavior: sortable-grid'>"
      "<tr id=head><th id=name>name</th><th id=num>n</th></tr>" +
      rows({"b", "B", "a", "c", "d", "e"}, {5}, 1) + "</table>");
  pointer_.press(row(2));
  EXPECT_EQ(rows_with(state::checked | state::current | state::anchor), std::vector<int>{2});
  pointer_.release();
  pointer_.press(row(6), keyboard::shift);
  EXPECT_EQ(rows_with(state::checked), (std::vector<int>{2, 3, 4, 6}));  // r5 is hidden
  EXPECT_EQ(rows_with(state::anchor), std::vector<int>{2});
  pointer_.release(keyboard::shift);
  pointer_.click(row(3), keyboard::control);
  EXPECT_EQ(rows_with(state::checked), (std::vector<int>{2, 4, 6}));
  EXPECT_EQ(rows_with(state::anchor), std::vector<int>{3});
  EXPECT_EQ(log_.seen, (std::vector<std::string>{"130:r2:2", "130:r6:6", "130:r3:3"}));

  // A press on the header sorts by the column under the pointer; the
  // current row stays current wherever it goes.
  log_.seen.clear();
  dom::element table = by_id("t");
  auto first_column = [&] {
    std::vector<std::string> texts;
    for (size_t i = 1; i < table.children_count(); ++i)
      texts.push_back(fml::wchar2utf8(table.child(i).child(0).text()));
    return texts;
  };
  pointer_.click(by_id("name"));
  EXPECT_EQ(first_column(), (std::vector<std::string>{"B", "a", "b", "c", "d", "e"}));
  EXPECT_EQ(log_.seen, std::vector<std::string>{"129:name:0"});
  EXPECT_TRUE(by_id("name").get_state() & state::checked);
  EXPECT_TRUE(row(3).get_state() & state::current);
  // Pressed again, the sorted column neither sorts nor reverses.
  table.insert(row(6), 1);
  pointer_.click(by_id("name"));
  EXPECT_EQ(row(6).index(), 1u);
  // Another column sorts by its own text.
  pointer_.click(by_id("num"));
  EXPECT_EQ(row(1).index(), 1u);
  EXPECT_EQ(row(6).index(), 6u);
  EXPECT_FALSE(by_id("name").get_state() & state::checked);
  EXPECT_EQ(log_.seen.back(), "129:num:1");
}

TEST_F(StockGridsTest, KeysMoveOverShownRowsAndKeepTheCurrentOneInView) {
  std::vector<std::string> texts;
  for (int i = 0; i < 30; ++i) texts.push_back("row" + std::to_string(i));
  load("<div id=box><table id=t multiple fixedrows=1 style='behavior: grid'>" +
       rows(texts, {1, 2, 14, 29}) + "</table></div>");
  dom::element box = by_id("box");
  auto current = [&] { return rows_with(state::current); };
  auto shows = [&](int i) {
    std::optional<rect> r = host_.geometry().location(row(i));
    std::optional<rect> b = host_.geometry().location(box);
    return r && b && r->top >= b->top && r->bottom <= b->bottom;
  };
  pointer_.click(row(3));
  key(vk::up);  // rows 1 and 2 are hidden, row 0 is the header
  EXPECT_EQ(current(), std::vector<int>{3});
  key(vk::home);
  EXPECT_EQ(current(), std::vector<int>{3});
  key(vk::end);
  EXPECT_EQ(current(), std::vector<int>{28});
  EXPECT_TRUE(shows(28));
  key(vk::home);
  EXPECT_TRUE(shows(3));
  // A page is the box's height, five rows: from row 3 down to the last row
  // wholly within 100 pixels of its top.
  key(vk::page_down);
  EXPECT_EQ(current(), std::vector<int>{7});
  key(vk::page_down);
  EXPECT_EQ(current(), std::vector<int>{11});
  key(vk::page_down);  // over hidden row 14, which takes no room
  EXPECT_EQ(current(), std::vector<int>{16});
  EXPECT_TRUE(shows(16));
  key(vk::page_up);
  EXPECT_EQ(current(), std::vector<int>{11});
  for (int i = 0; i < 3; ++i) key(vk::down, keyboard::shift);
  EXPECT_EQ(rows_with(state::checked), (std::vector<int>{11, 12, 13, 15}));
  key(vk::key_a, keyboard::control);
  EXPECT_EQ(rows_with(state::checked).size(), 30u - 5u);
  EXPECT_FALSE(row(0).get_state() & state::checked);
}

TEST_F(StockGridsTest, TablesWithoutRowsOrWithTooManyHeaderRowsIgnoreKeysAndPresses) {
  load(
      "<table id=empty style='behavior: grid' multiple></table>"
      "<table id=t style='behavior: grid' fixedrows=9>" +
      rows({"a", "b"}) + "</table>");
  host_.in().set_focus(by_id("empty"));
  for (uint32_t k : {vk::up, vk::down, vk::home, vk::end, vk::page_up, vk::page_down}) key(k);
  key(vk::key_a, keyboard::control);
  host_.in().set_focus(by_id("t"));
  key(vk::down);
  key(vk::end);
  pointer_.click(row(1));
  EXPECT_TRUE(rows_with(state::current).empty());
  EXPECT_EQ(log_.seen, std::vector<std::string>{"129:t:0"});  // a header click, between cells
}

TEST_F(StockGridsTest, APressOnTheSplitterStartsADragThatMovesTheBorder) {
  load("<div id=frame><div id=left>left</div><div id=split></div><div id=right>right</div></div>");
  auto width = [&](const char* id) {
    std::optional<rect> box = host_.geometry().location(by_id(id));
    return box ? box->right - box->left : -1;
  };
  const int before = width("left");
  // Moves over the splitter without its press do nothing.
  pointer_.move_to(pointer_.center_of(by_id("split")));
  pointer_.move_by(-10, 0);
  EXPECT_EQ(width("left"), before);

  pointer_.press(by_id("split"));
  EXPECT_EQ(host_.in().capture(), by_id("split"));
  pointer_.move_by(-10, 0);
  EXPECT_EQ(width("left"), before - 10);
  EXPECT_EQ(by_id("left").get_style_attribute("width"), L"140px");
  EXPECT_EQ(by_id("right").get_style_attribute("width"), L"100%");
  pointer_.move_by(25, 0);  // the capture keeps the moves coming
  EXPECT_EQ(width("left"), before + 15);
  pointer_.release();
  EXPECT_FALSE(host_.in().capture());
  pointer_.move_by(30, 0);
  EXPECT_EQ(width("left"), before + 15);
}

}  // namespace
}  // namespace htmlayout
