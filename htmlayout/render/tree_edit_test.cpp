#include "htmlayout/render/tree_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;
using test_support::text_of;

const char kTable[] =
    "<body><table id=list border=1><tbody id=rows><tr id=old><td>old1</td><td>old2</td></tr>"
    "</tbody></table><div id=box><b>first</b><i>last</i></div></body>";

TEST(TreeEdit, RowsAndCellsInsertedAndRemovedKeepTheirTagsAndTheTablesGrid) {
  test_page page(kTable, ".fresh td { color: red; } .pane { height: 40px; overflow: auto; }");
  auto rows = page.find("#rows");
  auto inserted =
      insert_html(rows, 0, "<tr class=fresh><td>new1</td><td>new2</td></tr>", page.sheets());
  ASSERT_EQ(inserted.size(), 1u);
  EXPECT_STREQ(inserted[0]->get_tagName(), "tr");
  EXPECT_STREQ(inserted[0]->get_child(0)->get_tagName(), "td");
  EXPECT_EQ(inserted[0]->parent(), rows);
  insert_html(page.find("#old"), 2, "<td>old3</td>", page.sheets());
  page.render();
  const auto& painted = page.paint();
  const paint_op* new1 = find_text(painted, "new1");
  const paint_op* old1 = find_text(painted, "old1");
  ASSERT_TRUE(new1 && find_text(painted, "new2") && old1 && find_text(painted, "old3"));
  EXPECT_EQ(new1->box.y, find_text(painted, "new2")->box.y);
  EXPECT_EQ(new1->box.x, old1->box.x);  // the same grid column
  EXPECT_LT(new1->box.bottom(), old1->box.y);
  EXPECT_GT(find_text(painted, "old3")->box.x, find_text(painted, "old2")->box.right());
  // Styled from the author sheet and the table's border attribute.
  EXPECT_EQ(new1->color.red, 255);
  EXPECT_EQ(old1->color.red, 0);
  EXPECT_EQ(page.find(".fresh td")->get_borders().left, 1);
  EXPECT_EQ(page.hit(new1->box.x + 1, new1->box.y + 1), inserted[0]->get_child(0));
  // Elements come from the container's factory: a scrolling box scrolls.
  auto pane =
      insert_html(page.find("#box"), 0, "<div class=pane>a<br>b<br>c<br>d</div>", page.sheets());
  page.render();
  ASSERT_TRUE(as_scroll_box(pane[0]));
  EXPECT_GT(as_scroll_box(pane[0])->metrics().content_height, 40);

  // A removed cell leaves the grid; a removed row is not kept by the
  // document, and rows inserted after it show.
  remove_node(page.find("#old")->get_child(0));
  page.render();
  EXPECT_FALSE(find_text(page.paint(), "old1"));
  EXPECT_EQ(find_text(page.paint(), "old2")->box.x, locate(page.find("#list")).x + 1 + 2 + 1 + 1);
  std::weak_ptr<litehtml::element> removed = page.find("#old");
  remove_node(page.find("#old"));
  EXPECT_TRUE(removed.expired()) << "the document still holds the removed row";
  insert_html(page.find("#rows"), 5, "<tr><td>again</td></tr>", page.sheets());
  page.render();
  EXPECT_TRUE(find_text(page.paint(), "again"));
  // Nor do restyles pin rows through the document.
  inserted.clear();
  std::weak_ptr<litehtml::element> row = page.find("#rows")->get_child(0);
  restyle(page.find("#list"), page.sheets());
  remove_node(row.lock());
  EXPECT_TRUE(row.expired());
}

TEST(TreeEdit, TextAndNodesGoBetweenGeneratedContent) {
  test_page page(kTable,
                 "#box::before { content: \"<\"; } #box::after { content: \">\"; }"
                 "#box { font-size: 20px; }");
  auto box = page.find("#box");
  insert_html(box, 0, "<u>head</u>", page.sheets());
  insert_html(box, 100, "<u>tail</u>", page.sheets());
  insert_html(box, 3, "<u>middle</u>", page.sheets());  // after ::before, head and first
  page.render();
  EXPECT_EQ(text_of(box), "<headfirstmiddlelasttail>");
  // Text set as text, not markup, measured in the element's font.
  set_inner_text(box, "a <b>bold</b> & more");
  page.render();
  EXPECT_EQ(text_of(box), "<a <b>bold</b> & more>");
  EXPECT_FALSE(box->select_one(std::string("b")));
  ASSERT_TRUE(find_text(page.paint(), "<b>bold</b>"));
  EXPECT_EQ(find_text(page.paint(), "<b>bold</b>")->box.width, 11 * 10);
  set_inner_text(box, "");
  page.render();
  EXPECT_EQ(text_of(box), "<>");
}

TEST(TreeEdit, RemovesAttributesIncludingTheClassList) {
  test_page page("<body><p id=p class=\"warm big\" title=t>x</p></body>",
                 ".warm { color: red; } [title] { font-weight: bold; }");
  auto p = page.find("#p");
  EXPECT_FALSE(remove_attribute(p, "missing"));
  EXPECT_TRUE(remove_attribute(p, "TITLE"));
  EXPECT_FALSE(p->get_attr("title"));
  EXPECT_TRUE(remove_attribute(p, "class"));
  EXPECT_FALSE(page.document()->root()->select_one(std::string(".warm")));
  restyle(p, page.sheets());
  page.render();
  EXPECT_EQ(find_text(page.paint(), "x")->color.red, 0);
  EXPECT_EQ(find_text(page.paint(), "x")->font_weight, 400);
}

}  // namespace
}  // namespace htmlayout::render
