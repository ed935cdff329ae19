#include "htmlayout/render/default_style.h"

#include <gtest/gtest.h>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

TEST(DefaultStyle, HidesHeadScriptsAndHiddenElements) {
  test_page page(
      "<html><head><title>caption</title><style>p{}</style></head><body>"
      "<script>var code = 1;</script><p>shown</p><div hidden>secret</div>"
      "<input type=\"hidden\" value=\"x\"><noscript>fallback</noscript></body></html>");
  const auto& painted = page.paint();
  EXPECT_TRUE(find_text(painted, "shown"));
  for (const char* hidden : {"caption", "var", "secret", "fallback", "p{}"})
    EXPECT_FALSE(test_support::painted_text_containing(painted, hidden)) << hidden;
  EXPECT_TRUE(locate(page.find("div")).empty());
}

TEST(DefaultStyle, BlocksStackAndInlinesFlow) {
  test_page page(
      "<body><div id=a>one</div><div id=b>two</div>"
      "<p><span id=c>three</span> <b id=d>four</b></p></body>");
  const auto a = locate(page.find("#a"));
  const auto b = locate(page.find("#b"));
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.bottom(), b.y);
  EXPECT_EQ(a.width, 800 - 2 * 8);  // body margin 8px on both sides
  const auto c = locate(page.find("#c"));
  const auto d = locate(page.find("#d"));
  EXPECT_EQ(c.y, d.y);
  EXPECT_LT(c.right(), d.x);
  // The paragraph's 1em top margin: 16px below the second div.
  EXPECT_EQ(locate(page.find("p")).y, b.bottom() + 16);
}

TEST(DefaultStyle, HeadingsAreLargeAndBold) {
  test_page page("<body><h1>big</h1><h3>mid</h3><p>body</p></body>");
  const auto& painted = page.paint();
  ASSERT_TRUE(find_text(painted, "big") && find_text(painted, "mid") && find_text(painted, "body"));
  EXPECT_EQ(find_text(painted, "big")->font_size, 32);
  EXPECT_EQ(find_text(painted, "big")->font_weight, 700);
  EXPECT_GT(find_text(painted, "mid")->font_size, 16);
  EXPECT_EQ(find_text(painted, "body")->font_size, 16);
  EXPECT_EQ(find_text(painted, "body")->font_weight, 400);
}

TEST(DefaultStyle, ListsPaintMarkers) {
  test_page page("<body><ul><li>apple</li><li>pear</li></ul><ol><li>first</li></ol></body>");
  const auto& painted = page.paint();
  int bullets = 0;
  for (const auto& op : painted) bullets += op.what == paint_op::kind::list_marker;
  EXPECT_EQ(bullets, 2);
  ASSERT_TRUE(find_text(painted, "1.") && find_text(painted, "first"));
  EXPECT_LT(find_text(painted, "1.")->box.right(), find_text(painted, "first")->box.x);
  // Items are indented by the list's 40px padding.
  EXPECT_EQ(find_text(painted, "apple")->box.x, 8 + 40);
}

TEST(DefaultStyle, TablesLayCellsInRowsAndColumns) {
  test_page page(
      "<body><table border=1><tr><td>a1</td><td>b1</td></tr>"
      "<tr><td>a2</td><td>b2</td></tr></table></body>");
  const auto& painted = page.paint();
  const paint_op* a1 = find_text(painted, "a1");
  const paint_op* b1 = find_text(painted, "b1");
  const paint_op* a2 = find_text(painted, "a2");
  ASSERT_TRUE(a1 && b1 && a2);
  EXPECT_EQ(a1->box.y, b1->box.y);
  EXPECT_LT(a1->box.right(), b1->box.x);
  EXPECT_EQ(a1->box.x, a2->box.x);
  EXPECT_GT(a2->box.y, a1->box.bottom());
  int bordered = 0;
  for (const auto& op : painted) {
    if (op.what == paint_op::kind::borders && op.borders.left.width == 1 &&
        op.borders.left.style != litehtml::border_style_none)
      ++bordered;
  }
  EXPECT_EQ(bordered, 5);  // the table and its four cells
}

TEST(DefaultStyle, ButtonsLookLikeControls) {
  test_page page("<body><button>Manage...</button> <input type=checkbox checked></body>");
  const auto button = locate(page.find("button"));
  bool background = false, border = false;
  for (const auto& op : page.paint()) {
    if (op.what == paint_op::kind::background && op.border_box.x == button.x) background = true;
    if (op.what == paint_op::kind::borders && op.box.x == button.x) border = true;
  }
  EXPECT_TRUE(background);
  EXPECT_TRUE(border);
  EXPECT_EQ(locate(page.find("input")).width, 13);  // 11px box and its 1px border
}

}  // namespace
}  // namespace htmlayout::render
