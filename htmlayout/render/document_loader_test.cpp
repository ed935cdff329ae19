#include "htmlayout/render/document_loader.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;

// The extra sheet wins over the page's rules of the same weight; print styles are left out; the
// kept sheets (the second pass, after a restyle) style the page the same way.
TEST(DocumentLoader, StylesWithTheDefaultSheetThePagesStyleElementsThenTheExtraSheet) {
  test_support::test_page page(
      "<html><head><title>caption</title><style>p { color: #ff0000; } .b { font-weight: bold; }"
      "i { color: #ff0000; }</style><style media=\"print\">p { color: #00ff00; }</style></head>"
      "<body><script>var code = 1;</script><div hidden>secret</div>"
      "<input type=\"hidden\" value=\"x\"><noscript>fallback</noscript>"
      "<p class=b>para</p><div>div</div><i>i</i><style>div { color: #0000ff; }</style>"
      "<p>three <b>four</b></p><h1>big</h1><h3>mid</h3>"
      "<ul><li>apple</li><li>pear</li></ul><ol><li>first</li></ol>"
      "<table border=1><tr><td>a1</td><td>b1</td></tr><tr><td>a2</td><td>b2</td></tr></table>"
      "<button>Manage...</button> <input id=box type=checkbox checked></body></html>",
      "div { font-size: 20px; } i { color: #0000ff; }");
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    const auto& painted = page.paint();
    auto style_of = [&](const char* text) {  // red, green, blue, size, weight
      const paint_op* op = find_text(painted, text);
      return op ? std::vector<int>{op->color.red, op->color.green, op->color.blue, op->font_size,
                                   op->font_weight}
                : std::vector<int>{};
    };
    const std::pair<const char*, std::vector<int>> styles[] = {
        {"para", {255, 0, 0, 16, 700}}, {"div", {0, 0, 255, 20, 400}}, {"i", {0, 0, 255, 16, 400}},
        {"four", {255, 0, 0, 16, 700}}, {"big", {0, 0, 0, 32, 700}}, {"mid", {0, 0, 0, 19, 700}},
        {"three", {255, 0, 0, 16, 400}}};
    for (const auto& [text, style] : styles) EXPECT_EQ(style_of(text), style) << text;
    for (const char* hidden : {"caption", "var", "secret", "fallback", "p {"})
      for (const auto& op : painted) EXPECT_EQ(op.text.find(hidden), std::string::npos) << hidden;
    EXPECT_TRUE(locate(page.find("div[hidden]")).empty());
    // List markers: two bullets and a number, items indented by the list's 40px padding.
    const auto table = locate(page.find("table"));
    const auto button = locate(page.find("button"));
    int bullets = 0, bordered = 0, button_background = 0, button_border = 0;
    for (const auto& op : painted) {
      bullets += op.what == paint_op::kind::list_marker;
      bordered += op.what == paint_op::kind::borders && op.borders.left.width == 1 &&
                  op.borders.left.style != litehtml::border_style_none && op.box.y >= table.y &&
                  op.box.bottom() <= table.bottom();
      button_background += op.what == paint_op::kind::background && op.border_box.x == button.x;
      button_border += op.what == paint_op::kind::borders && op.box.x == button.x;
    }
    EXPECT_EQ(bullets, 2);
    ASSERT_TRUE(find_text(painted, "1.") && find_text(painted, "first"));
    EXPECT_LT(find_text(painted, "1.")->box.right(), find_text(painted, "first")->box.x);
    EXPECT_EQ(find_text(painted, "apple")->box.x, 8 + 40);
    EXPECT_EQ(bordered, 5);  // the table and its four cells
    EXPECT_TRUE(button_background && button_border);
    EXPECT_EQ(locate(page.find("#box")).width, 13);  // an 11px check box with a 1px border
    restyle(page.document()->root(), page.sheets());
    page.render();
  }
}

}  // namespace
}  // namespace htmlayout::render
