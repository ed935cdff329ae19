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

TEST(StockGridsTest, RowsAreSelectedHeaderPressesSortOnceAndTheSplitterDragsTheBorder) {
  register_stock_grids();
  event_log log;
  render::headless_host host(400, 300);
  testing::pointer pointer(host.in(), host.geometry());
  host.doc().set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
  // Rows r1 .. r5 of the sortable grid hold b B a c d in their first column.
  std::string rows;
  for (int i = 0; i < 5; ++i)
    rows += "<tr id=r" + std::to_string(i + 1) + "><td>" + "bBacd"[i] + "</td><td>" +
            std::to_string(i) + "</td></tr>";
  ASSERT_TRUE(host.load_html(
      "<html><head><style>body { margin: 0; behavior: test-event-log; }"
      "table, tr { display: block; } tr { height: 20px; }"
      "td, th { display: inline-block; width: 60px; } #frame { flow: horizontal; }"
      "#left { float: left; width: 150px; } #split { float: left; width: 6px; height: 20px; "
      "behavior: splitter; } #right { overflow: hidden; }</style></head><body>"
      "<table id=empty style='behavior: grid' multiple></table>"
      "<table id=heads style='behavior: grid' fixedrows=9><tr><td>x</td></tr></table>"
      "<table id=t multiple fixedrows=1 style='behavior: sortable-grid'>"
      "<tr id=head><th id=name>name</th><th id=num>n</th></tr>" + rows + "</table>"
      "<div id=frame><div id=left>left</div><div id=split></div><div id=right>right</div></div>"
      "</body></html>"));
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

}  // namespace
}  // namespace htmlayout
