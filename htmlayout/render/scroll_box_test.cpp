#include "htmlayout/render/scroll_box.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"
#include "htmlayout/render/tree_edit.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;
using test_support::text_of;

// Rows of 20px in a 100px box with 3px padding and a 2px border; the box's
// padding box starts at y = 8 (body margin) + 2 (border) = 10.
const char kListCss[] = R"CSS(
body { margin: 8px; }
#list { height: 100px; overflow: auto; border: 2px solid black; padding: 3px; }
.row { height: 20px; }
#after { height: 30px; }
)CSS";

std::string list_page(int rows) {
  std::string html = "<body><div id=list>";
  for (int i = 0; i < rows; ++i)
    html += "<div class=row id=r" + std::to_string(i) + ">row" + std::to_string(i) + "</div>";
  return html + "</div><div id=after>after</div></body>";
}

scrollable& list_box(const test_page& page) {
  scrollable* box = as_scroll_box(page.find("#list"));
  if (!box) throw std::runtime_error("#list does not scroll");
  return *box;
}

TEST(ScrollBox, MeasuresContentAndClampsThePosition) {
  test_page page(list_page(20), kListCss);
  scrollable& box = list_box(page);
  const scroll_metrics metrics = box.metrics();
  EXPECT_EQ(metrics.viewport_height, 106);
  EXPECT_EQ(metrics.content_height, 20 * 20 + 6);
  EXPECT_EQ(metrics.max_scroll_y(), 300);
  EXPECT_FALSE(metrics.always_show_bar);
  // The rows stay inside the box: the next block follows the box itself.
  EXPECT_EQ(locate(page.find("#after")).y, 8 + 2 + 106 + 2);

  box.set_scroll_y(120);
  EXPECT_EQ(box.metrics().scroll_y, 120);
  box.set_scroll_y(100000);
  EXPECT_EQ(box.metrics().scroll_y, 300);
  box.set_scroll_y(-5);
  EXPECT_EQ(box.metrics().scroll_y, 0);

  // Content that shrinks pulls the position back at the next layout.
  box.set_scroll_y(300);
  for (int i = 10; i < 20; ++i) remove_node(page.find("#r" + std::to_string(i)));
  page.render();
  EXPECT_EQ(box.metrics().scroll_y, 100);
}

TEST(ScrollBox, ClipsToThePaddingBoxAndShiftsTheContent) {
  test_page page(list_page(20), kListCss);
  list_box(page).set_scroll_y(65);  // row 3 is cut at the top, rows 3..8 show
  const auto& painted = page.paint();
  const litehtml::position padding_box = locate(page.find("#list"), box_area::padding);
  for (int i = 0; i < 20; ++i) {
    const paint_op* run = find_text(painted, "row" + std::to_string(i));
    if (!run) continue;  // not drawn at all: must be out of view
    EXPECT_TRUE(run->clipped);
    EXPECT_EQ(run->clip.y, padding_box.y);
    EXPECT_EQ(run->clip.height, padding_box.height);
    // Row i's content starts at 10 + 3 + 20 * i before scrolling.
    EXPECT_EQ(run->box.y, 13 + 20 * i - 65) << i;
    EXPECT_EQ(run->visible(), i >= 3 && i <= 8) << i;
  }
  for (int i = 3; i <= 8; ++i) EXPECT_TRUE(find_text(painted, "row" + std::to_string(i))) << i;
  // Outside the box nothing is clipped, and the clips are balanced.
  EXPECT_FALSE(find_text(painted, "after")->clipped);
  EXPECT_EQ(page.container.clip_depth(), 0);
}

TEST(ScrollBox, HitTestingLandsOnTheScrolledRow) {
  test_page page(list_page(50), kListCss);
  scrollable& box = list_box(page);
  EXPECT_EQ(page.hit(40, 15)->get_attr("id"), std::string("r0"));
  box.set_scroll_y(400);  // row 20 starts at the top of the content box
  for (int y : {14, 33, 34, 60, 110}) {
    const int row = (y - 13 + 400) / 20;
    auto hit = page.hit(40, y);
    ASSERT_TRUE(hit) << y;
    EXPECT_EQ(hit->get_attr("class", ""), std::string("row")) << y;
    EXPECT_EQ(text_of(hit), "row" + std::to_string(row)) << y;
  }
  // Below the box the point finds what is there, not the rows scrolled out of view.
  auto below = page.hit(40, 125);
  ASSERT_TRUE(below);
  EXPECT_EQ(below->get_attr("id"), std::string("after"));
}

TEST(ScrollBox, MaxHeightLimitsABoxThatWouldGrow) {
  test_page page(list_page(10),
                 "#list { overflow: scroll; max-height: 50px; } .row { height: 20px; }");
  scrollable& box = list_box(page);
  EXPECT_EQ(box.metrics().viewport_height, 50);
  EXPECT_EQ(box.metrics().content_height, 200);
  EXPECT_TRUE(box.metrics().always_show_bar);
  // A box below the limit keeps its own height.
  test_page short_page(list_page(2),
                       "#list { overflow: auto; max-height: 50px; } .row { height: 20px; }");
  EXPECT_EQ(list_box(short_page).metrics().viewport_height, 40);
  EXPECT_EQ(list_box(short_page).metrics().max_scroll_y(), 0);
}

TEST(ScrollBox, OtherOverflowValuesDoNotScroll) {
  test_page page(list_page(10), "#list { height: 50px; } .row { height: 20px; }");
  EXPECT_FALSE(as_scroll_box(page.find("#list")));
  // litehtml's own behaviour: the rows overflow the box and are drawn unclipped.
  const paint_op* last = find_text(page.paint(), "row9");
  ASSERT_TRUE(last);
  EXPECT_FALSE(last->clipped);
}

TEST(ScrollBox, TellsTheContainerToDrawItsBar) {
  test_page page(list_page(20), kListCss);
  list_box(page).set_scroll_y(30);
  int bars = 0;
  for (const auto& op : page.paint()) {
    if (op.what != paint_op::kind::scroll_bar) continue;
    ++bars;
    EXPECT_EQ(op.box.y, 10);
    EXPECT_EQ(op.box.height, 106);
    EXPECT_EQ(op.metrics.scroll_y, 30);
    EXPECT_EQ(op.metrics.content_height, 406);
  }
  EXPECT_EQ(bars, 1);
}

TEST(ScrollBox, ATableWithAFixedHeightScrollsItsRows) {
  std::string html = "<body><table id=list>";
  for (int i = 0; i < 20; ++i) html += "<tr><td>cell" + std::to_string(i) + "</td></tr>";
  html += "</table><div id=after>after</div></body>";
  test_page page(html,
                 "#list { height: 100px; overflow: auto; border-spacing: 0; }"
                 "td { height: 20px; padding: 0; }");
  scrollable& box = list_box(page);
  EXPECT_EQ(box.metrics().viewport_height, 100);
  EXPECT_EQ(box.metrics().content_height, 400);
  EXPECT_EQ(locate(page.find("#after")).y, 8 + 100);
  box.set_scroll_y(200);
  const auto& painted = page.paint();
  ASSERT_TRUE(find_text(painted, "cell10"));
  EXPECT_EQ(find_text(painted, "cell10")->box.y, 8 + 2);  // 16px line centred in the 20px cell
  EXPECT_TRUE(find_text(painted, "cell10")->visible());
  ASSERT_TRUE(find_text(painted, "cell0") == nullptr || !find_text(painted, "cell0")->visible());
  EXPECT_EQ(text_of(page.hit(20, 8 + 45)), "cell12");
}

}  // namespace
}  // namespace htmlayout::render
