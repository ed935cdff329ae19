#include "htmlayout/render/locate.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

TEST(Locate, GivesEachAreaOfABlock) {
  test_page page(
      "<body><div id=box>x</div></body>",
      "body { margin: 0; padding: 10px; } #box { margin: 5px 6px; border: 2px solid black;"
      " padding: 3px 4px; height: 20px; }");
  auto box = page.find("#box");
  const litehtml::position margin = locate(box, box_area::margin);
  const litehtml::position border = locate(box, box_area::border);
  const litehtml::position padding = locate(box, box_area::padding);
  const litehtml::position content = locate(box, box_area::content);
  EXPECT_EQ(margin.x, 10);
  EXPECT_EQ(margin.y, 10);  // the body's padding keeps the margins from collapsing
  EXPECT_EQ(margin.width, 800 - 20);
  EXPECT_EQ(border.x, 16);
  EXPECT_EQ(border.y, 15);
  EXPECT_EQ(border.height, 20 + 6 + 4);
  EXPECT_EQ(padding.x, 18);
  EXPECT_EQ(padding.y, 17);
  EXPECT_EQ(content.x, 22);
  EXPECT_EQ(content.y, 20);
  EXPECT_EQ(content.width, 800 - 20 - 12 - 4 - 8);
  EXPECT_EQ(content.height, 20);
  EXPECT_EQ(find_text(page.paint(), "x")->box.x, content.x);
}

TEST(Locate, BoundsInlineElementsByTheirLines) {
  test_page page("<body><p id=p>aaaa <span id=s>bb cc dd ee</span> ff</p></body>",
                 "body { margin: 0; } p { margin: 0; width: 100px; } #s { padding: 0 2px; }");
  // 8px per character: "aaaa bb cc dd" would be 104px, so the span wraps after "cc".
  const litehtml::position span = locate(page.find("#s"));
  const auto& painted = page.paint();
  const paint_op* bb = find_text(painted, "bb");
  const paint_op* ee = find_text(painted, "ee");
  ASSERT_TRUE(bb && ee);
  EXPECT_GT(ee->box.y, bb->box.y);
  EXPECT_EQ(span.y, bb->box.y);
  EXPECT_EQ(span.bottom(), ee->box.bottom());
  EXPECT_LE(span.x, ee->box.x - 2);
  EXPECT_GE(span.right(), bb->box.right());
}

TEST(Locate, PlacesTableRowsAndCellsOnTheirGrid) {
  test_page page(
      "<body><table id=t><caption>title</caption><tr><td>a</td></tr>"
      "<tr id=second><td id=c>b</td><td>c</td></tr></table></body>",
      "table { border-spacing: 0; } td { padding: 0; height: 20px; }");
  // litehtml shifts rows by the caption's height on every layout; lay out again.
  page.render();
  page.render();
  const auto& painted = page.paint();
  const paint_op* b = find_text(painted, "b");
  const paint_op* c = find_text(painted, "c");
  ASSERT_TRUE(b && c);
  const litehtml::position cell = locate(page.find("#c"));
  EXPECT_EQ(cell.y + 2, b->box.y);  // a 16px line centred in the 20px cell
  EXPECT_EQ(cell.x, b->box.x);
  const litehtml::position row = locate(page.find("#second"));
  EXPECT_EQ(row.y, cell.y);
  EXPECT_EQ(row.height, 20);
  EXPECT_EQ(row.x, cell.x);
  EXPECT_GE(row.right(), c->box.right());
}

TEST(Locate, FollowsScrolledBoxes) {
  std::string rows;
  for (int i = 0; i < 40; ++i)
    rows += "<div class=row id=r" + std::to_string(i) + ">row " + std::to_string(i) + "</div>";
  test_page page("<body><div id=outer><div id=gap></div><div id=inner>" + rows +
                     "</div><div id=tail>tail</div></div></body>",
                 "body { margin: 0; } .row { height: 20px; } #gap { height: 50px; }"
                 "#outer { height: 120px; overflow: auto; }"
                 "#inner { height: 100px; overflow: auto; }");
  scrollable* outer = as_scroll_box(page.find("#outer"));
  scrollable* inner = as_scroll_box(page.find("#inner"));
  ASSERT_TRUE(outer && inner);
  EXPECT_EQ(locate(page.find("#r10")).y, 50 + 200);
  inner->set_scroll_y(150);
  EXPECT_EQ(locate(page.find("#r10")).y, 50 + 200 - 150);
  outer->set_scroll_y(30);
  EXPECT_EQ(locate(page.find("#r10")).y, 50 + 200 - 150 - 30);
  EXPECT_EQ(locate(page.find("#inner")).y, 50 - 30);
  EXPECT_EQ(locate(page.find("#tail")).y, 150 - 30);
  // The row found there by hit testing is the row located there.
  const litehtml::position r10 = locate(page.find("#r10"));
  EXPECT_EQ(page.hit(5, r10.y + 3), page.find("#r10"));
  const paint_op* painted = find_text(page.paint(), "10");  // the run after "row" and a space
  ASSERT_TRUE(painted);
  EXPECT_EQ(painted->box.y, r10.y);
  EXPECT_TRUE(painted->visible());
}

TEST(Locate, GivesNothingForHiddenElements) {
  test_page page("<body><div style=\"display:none\"><p id=p>x</p></div><p id=q>y</p></body>");
  EXPECT_TRUE(locate(page.find("#p")).empty());
  EXPECT_FALSE(locate(page.find("#q")).empty());
}

}  // namespace
}  // namespace htmlayout::render
