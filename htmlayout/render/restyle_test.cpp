#include "htmlayout/render/restyle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

TEST(Restyle, KeepsAnonymousTableBoxesAndGeneratedContentAndRebuildsTables) {
  test_page page(
      "<body><div id=grid><div class=cell>left</div><div class=cell>right</div></div>"
      "<p id=note>note</p><table id=list><tr id=a><td>one</td></tr><tr><td>two</td></tr></table></body>",
      "#grid { display: table; } .cell { display: table-cell; padding: 4px; }"
      "#note::before { content: \"!\"; } p:checked { color: #ff0000; } .gone { display: none; }");
  const litehtml::position left = locate(page.find(".cell")), right = locate(page.find(".cell + .cell"));
  EXPECT_EQ(std::pair(right.x, right.y), std::pair(left.right(), left.y));
  const std::string right_before = test_support::box_text(right);
  const int one = find_text(page.paint(), "one")->box.y;
  page.find("#note")->set_pseudo_class("checked", true);
  // A row that stops being one: its table is built again.
  page.find("#a")->set_attr("class", "gone");
  restyle(page.find("#a"), page.sheets());
  restyle(page.document()->root(), page.sheets());
  restyle(page.document()->root(), page.sheets());
  page.render();
  EXPECT_EQ(test_support::box_text(locate(page.find(".cell + .cell"))), right_before);
  const auto& painted = page.paint();
  EXPECT_EQ(std::ranges::count(painted, std::string("!"), &paint_op::text), 1);
  EXPECT_EQ(find_text(painted, "note")->color.red, 255);
  EXPECT_FALSE(find_text(painted, "one"));
  ASSERT_TRUE(find_text(painted, "two"));
  EXPECT_EQ(find_text(painted, "two")->box.y, one);  // in the place of the row that went
}

}  // namespace
}  // namespace htmlayout::render
