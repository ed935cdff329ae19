#include "htmlayout/render/document_loader.h"

#include <gtest/gtest.h>

#include "htmlayout/render/restyle.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

TEST(DocumentLoader, StylesFromThePagesStyleElementsThenTheExtraSheet) {
  test_page page(
      "<html><head><style>p { color: #ff0000; } .b { font-weight: bold; }</style>"
      "<style media=\"print\">p { color: #00ff00; }</style></head>"
      "<body><p class=b>para</p><div>div</div><style>div { color: #0000ff; }</style></body>"
      "</html>",
      "div { font-size: 20px; }");
  auto check = [&] {
    const auto& painted = page.paint();
    ASSERT_TRUE(find_text(painted, "para") && find_text(painted, "div"));
    EXPECT_EQ(find_text(painted, "para")->color.red, 255);  // not the print sheet's green
    EXPECT_EQ(find_text(painted, "para")->color.green, 0);
    EXPECT_EQ(find_text(painted, "para")->font_weight, 700);
    EXPECT_EQ(find_text(painted, "div")->color.blue, 255);
    EXPECT_EQ(find_text(painted, "div")->font_size, 20);
  };
  check();
  // The sheets kept beside the document style it the same way again.
  restyle(page.document()->root(), page.sheets());
  page.render();
  check();
}

TEST(DocumentLoader, LaterRulesWinOverEarlierOnesOfTheSameWeight) {
  test_page page("<html><head><style>p { color: #ff0000; }</style></head><body><p>x</p></body>",
                 "p { color: #0000ff; }");
  EXPECT_EQ(find_text(page.paint(), "x")->color.blue, 255);
}

}  // namespace
}  // namespace htmlayout::render
