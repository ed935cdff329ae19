#include "htmlayout/render/locate.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::box_text;
using test_support::find_text;
using test_support::test_page;

TEST(Locate, GivesTheAreasOfBlocksAndBoundsInlinesAndTableRowsByTheirBoxes) {
  test_page page(
      "<body><div id=box>x</div><p id=p>aaaa <span id=s>bb cc dd ee</span> ff</p>"
      "<table><caption>title</caption><tr><td>a</td></tr><tr id=second><td id=c>b</td>"
      "<td>c</td></tr></table><div style=\"display:none\"><p id=hidden>x</p></div></body>",
      "body { margin: 0; padding: 10px; } #box { margin: 5px 6px; border: 2px solid black;"
      " padding: 3px 4px; height: 20px; } p { margin: 0; width: 100px; } #s { padding: 0 2px; }"
      "table { border-spacing: 0; } td { padding: 0; height: 20px; }");
  // litehtml shifts table rows by the caption's height on every layout; lay out again.
  page.render();
  page.render();
  for (const auto& [area, expected] : {std::pair{box_area::margin, "10,10 780x40"},  // body padding
                                       {box_area::border, "16,15 768x30"},
                                       {box_area::padding, "18,17 764x26"},
                                       {box_area::content, "22,20 756x20"}})
    EXPECT_EQ(box_text(locate(page.find("#box"), area)), expected);
  const auto& painted = page.paint();
  EXPECT_EQ(find_text(painted, "x")->box.x, 22);
  // 8px per character: "aaaa bb cc dd" would be 104px, so the span wraps after "cc".
  const litehtml::position span = locate(page.find("#s"));
  const paint_op *bb = find_text(painted, "bb"), *ee = find_text(painted, "ee");
  ASSERT_TRUE(bb && ee);
  EXPECT_GT(ee->box.y, bb->box.y);
  EXPECT_EQ(span.y, bb->box.y);
  EXPECT_EQ(span.bottom(), ee->box.bottom());
  EXPECT_LE(span.x, ee->box.x - 2);
  EXPECT_GE(span.right(), bb->box.right());
  // A row spans its cells.
  const paint_op* b = find_text(painted, "b");
  const litehtml::position cell = locate(page.find("#c"));
  const litehtml::position row = locate(page.find("#second"));
  ASSERT_TRUE(b && find_text(painted, "c"));
  EXPECT_EQ(cell.y + 2, b->box.y);  // a 16px line centred in the 20px cell
  EXPECT_EQ(cell.x, b->box.x);
  EXPECT_EQ(std::pair(row.x, row.y), std::pair(cell.x, cell.y));
  EXPECT_EQ(row.height, 20);
  EXPECT_GE(row.right(), find_text(painted, "c")->box.right());
  EXPECT_TRUE(locate(page.find("#hidden")).empty());
}

}  // namespace
}  // namespace htmlayout::render
