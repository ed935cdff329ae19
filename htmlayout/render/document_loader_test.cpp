#include "htmlayout/render/document_loader.h"

#include <gtest/gtest.h>

#include "htmlayout/render/restyle.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

// The page's style elements (not those for print), then the extra sheet,
// whose rules win over the page's of the same weight.
TEST(DocumentLoader, StylesFromThePagesStyleElementsThenTheExtraSheet) {
  test_page page(
      "<html><head><style>p { color: #ff0000; } .b { font-weight: bold; } i { color: #ff0000; }"
      "</style><style media=\"print\">p { color: #00ff00; }</style></head>"
      "<body><p class=b>para</p><div>div</div><i>i</i><style>div { color: #0000ff; }</style>"
      "</body></html>",
      "div { font-size: 20px; } i { color: #0000ff; }");
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    const auto& painted = page.paint();
    ASSERT_TRUE(find_text(painted, "para") && find_text(painted, "div") && find_text(painted, "i"));
    EXPECT_EQ(find_text(painted, "para")->color.red, 255);
    EXPECT_EQ(find_text(painted, "para")->color.green, 0);
    EXPECT_EQ(find_text(painted, "para")->font_weight, 700);
    EXPECT_EQ(find_text(painted, "div")->color.blue, 255);
    EXPECT_EQ(find_text(painted, "div")->font_size, 20);
    EXPECT_EQ(find_text(painted, "i")->color.blue, 255);
    // The sheets kept beside the document style it the same way again.
    restyle(page.document()->root(), page.sheets());
    page.render();
  }
}

}  // namespace
}  // namespace htmlayout::render
