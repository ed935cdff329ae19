#include "htmlayout/render/default_style.h"

#include <gtest/gtest.h>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

TEST(DefaultStyle, HidesWhatIsNotContentAndStylesHeadingsListsTablesAndControls) {
  test_page page(
      "<html><head><title>caption</title><style>p{}</style></head><body>"
      "<script>var code = 1;</script><div hidden>secret</div>"
      "<input type=\"hidden\" value=\"x\"><noscript>fallback</noscript>"
      "<p>three <b>four</b></p><h1>big</h1><h3>mid</h3>"
      "<ul><li>apple</li><li>pear</li></ul><ol><li>first</li></ol>"
      "<table border=1><tr><td>a1</td><td>b1</td></tr><tr><td>a2</td><td>b2</td></tr></table>"
      "<button>Manage...</button> <input id=box type=checkbox checked></body></html>");
  const auto& painted = page.paint();
  for (const char* hidden : {"caption", "var", "secret", "fallback", "p{}"}) {
    for (const auto& op : painted)
      EXPECT_EQ(op.text.find(hidden), std::string::npos) << hidden;
  }
  EXPECT_TRUE(locate(page.find("div[hidden]")).empty());
  EXPECT_EQ(find_text(painted, "four")->font_weight, 700);
  EXPECT_EQ(find_text(painted, "big")->font_size, 32);
  EXPECT_EQ(find_text(painted, "big")->font_weight, 700);
  EXPECT_GT(find_text(painted, "mid")->font_size, 16);
  EXPECT_EQ(find_text(painted, "three")->font_size, 16);
  EXPECT_EQ(find_text(painted, "three")->font_weight, 400);
  // List markers: two bullets and a number, items indented by the list's 40px padding.
  const auto table = locate(page.find("table"));
  int bullets = 0, bordered = 0;
  for (const auto& op : painted) {
    bullets += op.what == paint_op::kind::list_marker;
    bordered += op.what == paint_op::kind::borders && op.borders.left.width == 1 &&
                op.borders.left.style != litehtml::border_style_none && op.box.y >= table.y &&
                op.box.bottom() <= table.bottom();
  }
  EXPECT_EQ(bullets, 2);
  ASSERT_TRUE(find_text(painted, "1.") && find_text(painted, "first"));
  EXPECT_LT(find_text(painted, "1.")->box.right(), find_text(painted, "first")->box.x);
  EXPECT_EQ(find_text(painted, "apple")->box.x, 8 + 40);
  EXPECT_EQ(bordered, 5);  // the table and its four cells
  // A button has a background and a border; a check box is an 11px box with a 1px border.
  const auto button = locate(page.find("button"));
  bool background = false, border = false;
  for (const auto& op : painted) {
    background =
        background || (op.what == paint_op::kind::background && op.border_box.x == button.x);
    border = border || (op.what == paint_op::kind::borders && op.box.x == button.x);
  }
  EXPECT_TRUE(background && border);
  EXPECT_EQ(locate(page.find("#box")).width, 13);
}

}  // namespace
}  // namespace htmlayout::render
