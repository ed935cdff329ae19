#include "htmlayout/render/locate.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

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
  struct {
    box_area area;
    litehtml::position expected;
  } areas[] = {{box_area::margin, {10, 10, 780, 40}},  // the body's padding keeps margins apart
               {box_area::border, {16, 15, 768, 30}},
               {box_area::padding, {18, 17, 764, 26}},
               {box_area::content, {22, 20, 756, 20}}};
  for (const auto& a : areas) {
    const litehtml::position got = locate(page.find("#box"), a.area);
    SCOPED_TRACE(static_cast<int>(a.area));
    EXPECT_EQ(got.x, a.expected.x);
    EXPECT_EQ(got.y, a.expected.y);
    EXPECT_EQ(got.width, a.expected.width);
    EXPECT_EQ(got.height, a.expected.height);
  }
  const auto& painted = page.paint();
  EXPECT_EQ(find_text(painted, "x")->box.x, 22);
  // 8px per character: "aaaa bb cc dd" would be 104px, so the span wraps after "cc".
  const litehtml::position span = locate(page.find("#s"));
  const paint_op* bb = find_text(painted, "bb");
  const paint_op* ee = find_text(painted, "ee");
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
  EXPECT_EQ(row.y, cell.y);
  EXPECT_EQ(row.height, 20);
  EXPECT_EQ(row.x, cell.x);
  EXPECT_GE(row.right(), find_text(painted, "c")->box.right());
  EXPECT_TRUE(locate(page.find("#hidden")).empty());
}

}  // namespace
}  // namespace htmlayout::render
