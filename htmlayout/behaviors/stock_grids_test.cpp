// The stock "grid", "sortable-grid" and "splitter" on pages laid out by the
// real renderer, driven by presses, moves, releases and keys through the
// input side. (Navigation and the selection rule they share with the
// program's grids are tested there, view/grids_test.cpp.)
#include "htmlayout/behaviors/stock_grids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/testing/pointer.h"

namespace htmlayout {
namespace {

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
  // Rows r<first> on hold the letters of `texts`; `body` goes after them.
  void load(const char* table, const std::string& texts, int first, const std::string& body = "") {
    std::string rows;
    for (size_t i = 0; i < texts.size(); ++i)
      rows += "<tr id=r" + std::to_string(first + static_cast<int>(i)) + "><td>" + texts[i] +
              "</td><td>" + std::to_string(i) + "</td></tr>";
    ASSERT_TRUE(host_.load_html(
        "<html><head><style>body { margin: 0; behavior: test-event-log; }"
        "table, tr { display: block; } tr { height: 20px; }"
        "td, th { display: inline-block; width: 60px; } #frame { flow: horizontal; }"
        "#left { float: left; width: 150px; } #split { float: left; width: 6px; height: 20px; "
        "behavior: splitter; } #right { overflow: hidden; }</style></head><body>" +
        std::string(table) + rows + "</table>" + body + "</body></html>"));
  }
  dom::element by_id(const std::string& id) {
    return host_.doc().root().select_first("[id='" + id + "']");
  }
  dom::element row(int i) { return by_id("r" + std::to_string(i)); }
  std::vector<int> rows_with(uint32_t bits) {
    std::vector<int> found;
    dom::element table = by_id("t");
    for (size_t i = 0; i < table.children_count(); ++i)
      if ((table.child(i).get_state() & bits) == bits) found.push_back(static_cast<int>(i));
    return found;
  }
  std::string first_column() {
    std::string letters;
    dom::element table = by_id("t");
    for (size_t i = 1; i < table.children_count(); ++i)
      letters += static_cast<char>(table.child(i).child(0).text()[0]);
    return letters;
  }
  event_log log_;
  render::headless_host host_{400, 300};
  testing::pointer pointer_{host_.in(), host_.geometry()};
};

TEST_F(StockGridsTest, RowsAreSelectedHeaderPressesSortOnceAndTheSplitterDragsTheBorder) {
  load(
      "<table id=empty style='behavior: grid' multiple></table>"
      "<table id=heads style='behavior: grid' fixedrows=9><tr><td>x</td></tr></table>"
      "<table id=t multiple fixedrows=1 style='behavior: sortable-grid'>"
      "<tr id=head><th id=name>name</th><th id=num>n</th></tr>",
      "bBacd", 1,
      "<div id=frame><div id=left>left</div><div id=split></div><div id=right>right</div></div>");
  // Tables without rows to move over take keys harmlessly.
  for (const char* table : {"empty", "heads"}) {
    host_.in().set_focus(by_id(table));
    for (uint32_t k : {vk::up, vk::down, vk::home, vk::end, vk::page_up, vk::page_down})
      host_.in().key_down(k, 0);
    host_.in().key_down(vk::key_a, keyboard::control);
  }
  pointer_.click(by_id("heads").child(0));  // a header press between cells
  pointer_.press(row(2));
  EXPECT_EQ(rows_with(state::checked | state::current | state::anchor), std::vector<int>{2});
  pointer_.release();
  pointer_.press(row(5), keyboard::shift);
  EXPECT_EQ(rows_with(state::checked), (std::vector<int>{2, 3, 4, 5}));
  pointer_.release(keyboard::shift);
  pointer_.click(by_id("name"));
  EXPECT_EQ(first_column(), "Babcd");
  EXPECT_TRUE(by_id("name").get_state() & state::checked);
  EXPECT_EQ(rows_with(state::checked).size(), 4u);  // the selection goes with its rows
  by_id("t").insert(row(5), 1);
  pointer_.click(by_id("name"));  // the sorted column again: no sort
  EXPECT_EQ(first_column(), "dBabc");
  pointer_.click(by_id("num"));
  EXPECT_EQ(first_column(), "bBacd");
  EXPECT_EQ(log_.seen, (std::vector<std::string>{"129:heads:0", "130:r2:2", "130:r5:5", "129:name:0",
                                                  "129:name:0", "129:num:1"}));
  auto width = [&] { return host_.geometry().location(by_id("left")).value_or(rect{}).right; };
  pointer_.move_to(pointer_.center_of(by_id("split")));
  pointer_.move_by(-10, 0);  // no press, no drag
  EXPECT_EQ(width(), 150);
  pointer_.press(by_id("split"));
  EXPECT_EQ(host_.in().capture(), by_id("split"));
  pointer_.move_by(-10, 0);
  EXPECT_EQ(by_id("left").get_style_attribute("width"), L"140px");
  pointer_.move_by(25, 0);  // the capture keeps the moves coming, each counted once
  EXPECT_EQ(width(), 165);
  pointer_.release();
  EXPECT_FALSE(host_.in().capture());
  pointer_.move_by(30, 0);
  EXPECT_EQ(width(), 165);
}

}  // namespace
}  // namespace htmlayout
