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

TEST(TreeEdit, InsertedRowsKeepTheirTagsAndJoinTheTable) {
  test_page page(kTable, ".fresh td { color: red; }");
  auto rows = page.find("#rows");
  auto inserted =
      insert_html(rows, 0, "<tr class=fresh><td>new1</td><td>new2</td></tr>", page.sheets());
  ASSERT_EQ(inserted.size(), 1u);
  EXPECT_STREQ(inserted[0]->get_tagName(), "tr");
  ASSERT_EQ(inserted[0]->get_children_count(), 2u);
  EXPECT_STREQ(inserted[0]->get_child(0)->get_tagName(), "td");
  EXPECT_EQ(inserted[0]->parent(), rows);
  page.render();

  const auto& painted = page.paint();
  const paint_op* new1 = find_text(painted, "new1");
  const paint_op* new2 = find_text(painted, "new2");
  const paint_op* old1 = find_text(painted, "old1");
  ASSERT_TRUE(new1 && new2 && old1);
  EXPECT_EQ(new1->box.y, new2->box.y);
  EXPECT_LT(new1->box.right(), new2->box.x);
  EXPECT_EQ(new1->box.x, old1->box.x);  // the same grid column
  EXPECT_LT(new1->box.bottom(), old1->box.y);
  // Styled from the author sheet and the table's border attribute.
  EXPECT_EQ(new1->color.red, 255);
  EXPECT_EQ(old1->color.red, 0);
  EXPECT_EQ(page.find(".fresh td")->get_borders().left, 1);
  EXPECT_EQ(page.hit(new1->box.x + 1, new1->box.y + 1), inserted[0]->get_child(0));
}

TEST(TreeEdit, InsertsAfterARemovedRowWithoutKeepingIt) {
  test_page page(kTable);
  std::weak_ptr<litehtml::element> removed = page.find("#old");
  remove_node(page.find("#old"));
  EXPECT_TRUE(removed.expired()) << "the document still holds the removed row";
  insert_html(page.find("#rows"), 5, "<tr><td>again</td></tr>", page.sheets());
  page.render();
  EXPECT_TRUE(find_text(page.paint(), "again"));
  EXPECT_FALSE(find_text(page.paint(), "old1"));
  // Nor do restyles and insertions pin rows through the document.
  std::weak_ptr<litehtml::element> row = page.find("#rows")->get_child(0);
  restyle(page.find("#list"), page.sheets());
  remove_node(row.lock());
  EXPECT_TRUE(row.expired());
}

TEST(TreeEdit, InsertsAtAnIndexAndKeepsGeneratedContentOutside) {
  test_page page(kTable, "#box::before { content: \"<\"; } #box::after { content: \">\"; }");
  auto box = page.find("#box");
  insert_html(box, 0, "<u>head</u>", page.sheets());
  insert_html(box, 100, "<u>tail</u>", page.sheets());
  insert_html(box, 3, "<u>middle</u>", page.sheets());  // after ::before, head and first
  page.render();
  page.paint();
  std::string order;
  for (const auto& run : page.container.painted_text()) {
    if (run != "old1" && run != "old2") order += run + " ";
  }
  EXPECT_EQ(order, "< head first middle last tail > ");
}

TEST(TreeEdit, InsertedElementsComeFromTheContainersFactory) {
  test_page page(kTable, ".pane { height: 40px; overflow: auto; }");
  auto inserted =
      insert_html(page.find("#box"), 0, "<div class=pane>a<br>b<br>c<br>d</div>", page.sheets());
  page.render();
  ASSERT_EQ(inserted.size(), 1u);
  scrollable* pane = as_scroll_box(inserted[0]);
  ASSERT_TRUE(pane);
  EXPECT_EQ(pane->metrics().viewport_height, 40);
  EXPECT_GT(pane->metrics().content_height, 40);
}

TEST(TreeEdit, SetsInnerTextAsTextNotMarkup) {
  test_page page(kTable, "#box::before { content: \"*\"; } #box { font-size: 20px; }");
  auto box = page.find("#box");
  set_inner_text(box, "a <b>bold</b> & more");
  page.render();
  EXPECT_EQ(text_of(box), "*a <b>bold</b> & more");
  EXPECT_FALSE(box->select_one(std::string("b")));
  const auto& painted = page.paint();
  ASSERT_TRUE(find_text(painted, "<b>bold</b>"));
  // Measured in the element's font: 20px text advances 10px per character.
  EXPECT_EQ(find_text(painted, "<b>bold</b>")->box.width, 11 * 10);
  EXPECT_TRUE(find_text(painted, "*"));
  set_inner_text(box, "");
  page.render();
  EXPECT_EQ(text_of(box), "*");
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
  const paint_op* x = find_text(page.paint(), "x");
  ASSERT_TRUE(x);
  EXPECT_EQ(x->color.red, 0);
  EXPECT_EQ(x->font_weight, 400);
}

TEST(TreeEdit, RebuildsTheGridWhenCellsComeAndGo) {
  test_page page(kTable);
  auto row = page.find("#old");
  insert_html(row, 2, "<td>old3</td>", page.sheets());
  page.render();
  const paint_op* old3 = find_text(page.paint(), "old3");
  ASSERT_TRUE(old3);
  EXPECT_GT(old3->box.x, find_text(page.paint(), "old2")->box.right());
  remove_node(row->get_child(0));
  page.render();
  const auto& painted = page.paint();
  EXPECT_FALSE(find_text(painted, "old1"));
  EXPECT_EQ(find_text(painted, "old2")->box.x, locate(page.find("#list")).x + 1 + 2 + 1 + 1);
}

}  // namespace
}  // namespace htmlayout::render
