#include "htmlayout/render/restyle.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

const char kPage[] =
    "<body><table id=list border=1 cellspacing=5><tr id=row><td bgcolor=#00ff00 id=cell>"
    "text</td></tr></table></body>";
const char kCss[] = "tr:checked td { color: #0000ff; } .hot td { font-weight: bold; }";

const paint_op* background_of(const std::vector<paint_op>& ops, const litehtml::position& box) {
  for (const auto& op : ops) {
    if (op.what == paint_op::kind::background && op.border_box.x == box.x &&
        op.border_box.y == box.y)
      return &op;
  }
  return nullptr;
}

TEST(Restyle, FollowsStatesAndKeepsAttributeStyles) {
  test_page page(kPage, kCss);
  auto row = page.find("#row");
  const litehtml::position cell_before = locate(page.find("#cell"));

  row->set_pseudo_class("checked", true);
  restyle(row, page.sheets());
  page.render();
  auto painted = page.paint();
  ASSERT_TRUE(find_text(painted, "text"));
  EXPECT_EQ(find_text(painted, "text")->color.blue, 255);
  // bgcolor, border=1 and cellspacing=5 still apply.
  const litehtml::position cell = locate(page.find("#cell"));
  EXPECT_EQ(cell.x, cell_before.x);
  EXPECT_EQ(cell.y, cell_before.y);
  const paint_op* green = background_of(painted, cell);
  ASSERT_TRUE(green);
  EXPECT_EQ(green->color.green, 255);
  EXPECT_EQ(page.find("#cell")->get_borders().top, 1);

  row->set_pseudo_class("checked", false);
  restyle(row, page.sheets());
  page.render();
  EXPECT_EQ(find_text(page.paint(), "text")->color.blue, 0);
}

TEST(Restyle, SeesRulesThatStartToMatchThroughAttributes) {
  test_page page(kPage, kCss);
  auto row = page.find("#row");
  row->set_attr("class", "hot");
  restyle(row, page.sheets());
  page.render();
  EXPECT_EQ(find_text(page.paint(), "text")->font_weight, 700);

  page.find("#cell")->set_attr("style", "color: #ff0000");
  restyle(page.find("#cell"), page.sheets());
  page.render();
  EXPECT_EQ(find_text(page.paint(), "text")->color.red, 255);

  row->set_attr("class", "");
  page.find("#cell")->set_attr("style", "");
  restyle(page.find("#list"), page.sheets());
  page.render();
  EXPECT_EQ(find_text(page.paint(), "text")->font_weight, 400);
  EXPECT_EQ(find_text(page.paint(), "text")->color.red, 0);
}

TEST(Restyle, KeepsAnonymousTableBoxesAndGeneratedContent) {
  test_page page(
      "<body><div id=grid><div class=cell>left</div><div class=cell>right</div></div>"
      "<p id=note>note</p></body>",
      "#grid { display: table; } .cell { display: table-cell; padding: 4px; }"
      "#note::before { content: \"!\"; } p:checked { color: #ff0000; }");
  const litehtml::position left = locate(page.find(".cell"));
  const litehtml::position right_before = locate(page.find(".cell + .cell"));
  EXPECT_EQ(right_before.y, left.y);
  EXPECT_EQ(right_before.x, left.right());
  page.find("#note")->set_pseudo_class("checked", true);
  restyle(page.document()->root(), page.sheets());
  restyle(page.document()->root(), page.sheets());
  page.render();
  const litehtml::position right = locate(page.find(".cell + .cell"));
  EXPECT_EQ(right.x, right_before.x);
  EXPECT_EQ(right.y, right_before.y);
  const auto& painted = page.paint();
  int marks = 0;
  for (const auto& run : page.container.painted_text()) marks += run == "!";
  EXPECT_EQ(marks, 1);
  EXPECT_EQ(find_text(painted, "note")->color.red, 255);
}

TEST(Restyle, RebuildsATableWhenARowStopsBeingOne) {
  test_page page(
      "<body><table id=list><tr id=a><td>one</td></tr><tr id=b><td>two</td></tr></table></body>",
      ".gone { display: none; }");
  auto a = page.find("#a");
  a->set_attr("class", "gone");
  restyle(a, page.sheets());
  page.render();
  const auto& painted = page.paint();
  EXPECT_FALSE(find_text(painted, "one"));
  ASSERT_TRUE(find_text(painted, "two"));
  // The remaining row moves up to where the first one was.
  EXPECT_EQ(find_text(painted, "two")->box.y, 8 + 2 + 1);
}

}  // namespace
}  // namespace htmlayout::render
