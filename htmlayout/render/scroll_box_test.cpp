#include "htmlayout/render/scroll_box.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/render/locate.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;
using test_support::test_page;

std::string list_page(int rows) {
  std::string html = "<body><div id=list>";
  for (int i = 0; i < rows; ++i)
    html += "<div class=row id=r" + std::to_string(i) + ">row" + std::to_string(i) + "</div>";
  return html + "</div><div id=after>after</div></body>";
}

// Rows of 20px in a 100px box with 3px padding and a 2px border; the box's
// padding box starts at y = 8 (body margin) + 2 (border) = 10.
TEST(ScrollBox, MeasuresClampsClipsAndShiftsItsContentAndDrawsItsBar) {
  test_page page(list_page(20),
                 "body { margin: 8px; } .row { height: 20px; }"
                 "#list { height: 100px; overflow: auto; border: 2px solid black; padding: 3px; }");
  scrollable* box = as_scroll_box(page.find("#list"));
  ASSERT_TRUE(box);
  EXPECT_EQ(box->metrics().viewport_height, 106);
  EXPECT_EQ(box->metrics().content_height, 20 * 20 + 6);
  EXPECT_EQ(box->metrics().max_scroll_y(), 300);
  EXPECT_FALSE(box->metrics().always_show_bar);
  // The rows stay inside the box: the next block follows the box itself.
  EXPECT_EQ(locate(page.find("#after")).y, 8 + 2 + 106 + 2);
  box->set_scroll_y(100000);
  EXPECT_EQ(box->metrics().scroll_y, 300);
  box->set_scroll_y(-5);
  EXPECT_EQ(box->metrics().scroll_y, 0);

  box->set_scroll_y(65);  // row 3 is cut at the top, rows 3..8 show
  const auto& painted = page.paint();
  for (int i = 0; i < 20; ++i) {
    const paint_op* run = find_text(painted, "row" + std::to_string(i));
    EXPECT_EQ(run != nullptr && run->visible(), i >= 3 && i <= 8) << i;
    if (!run) continue;
    EXPECT_EQ(run->clip.y, 10);
    EXPECT_EQ(run->clip.height, 106);
    EXPECT_EQ(run->box.y, 13 + 20 * i - 65) << i;  // row i's content starts at 10 + 3 + 20 i
  }
  EXPECT_FALSE(find_text(painted, "after")->clipped);
  EXPECT_EQ(page.container.clip_depth(), 0);
  int bars = 0;
  for (const auto& op : painted) {
    if (op.what != paint_op::kind::scroll_bar) continue;
    ++bars;
    EXPECT_EQ(op.box.y, 10);
    EXPECT_EQ(op.box.height, 106);
    EXPECT_EQ(op.metrics.scroll_y, 65);
  }
  EXPECT_EQ(bars, 1);

  // Content that shrinks pulls the position back at the next layout.
  box->set_scroll_y(300);
  for (int i = 10; i < 20; ++i) page.find("#list")->removeChild(page.find("#r" + std::to_string(i)));
  page.render();
  EXPECT_EQ(box->metrics().scroll_y, 100);
}

TEST(ScrollBox, MaxHeightOverflowScrollTablesAndBoxesThatDoNotScroll) {
  test_page limited(list_page(10),
                    "#list { overflow: scroll; max-height: 50px; } .row { height: 20px; }");
  ASSERT_TRUE(as_scroll_box(limited.find("#list")));
  EXPECT_EQ(as_scroll_box(limited.find("#list"))->metrics().viewport_height, 50);
  EXPECT_EQ(as_scroll_box(limited.find("#list"))->metrics().content_height, 200);
  EXPECT_TRUE(as_scroll_box(limited.find("#list"))->metrics().always_show_bar);
  // A box below the limit keeps its own height.
  test_page short_page(list_page(2),
                       "#list { overflow: auto; max-height: 50px; } .row { height: 20px; }");
  EXPECT_EQ(as_scroll_box(short_page.find("#list"))->metrics().viewport_height, 40);
  // Without overflow: auto or scroll the rows overflow the box unclipped.
  test_page plain(list_page(10), "#list { height: 50px; } .row { height: 20px; }");
  EXPECT_FALSE(as_scroll_box(plain.find("#list")));
  ASSERT_TRUE(find_text(plain.paint(), "row9"));
  EXPECT_FALSE(find_text(plain.paint(), "row9")->clipped);

  std::string html = "<body><table id=list>";
  for (int i = 0; i < 20; ++i) html += "<tr><td>cell" + std::to_string(i) + "</td></tr>";
  test_page table(html + "</table><div id=after>after</div></body>",
                  "#list { height: 100px; overflow: auto; border-spacing: 0; }"
                  "td { height: 20px; padding: 0; }");
  scrollable* box = as_scroll_box(table.find("#list"));
  ASSERT_TRUE(box);
  EXPECT_EQ(box->metrics().viewport_height, 100);
  EXPECT_EQ(box->metrics().content_height, 400);
  EXPECT_EQ(locate(table.find("#after")).y, 8 + 100);
  box->set_scroll_y(200);
  const auto& painted = table.paint();
  ASSERT_TRUE(find_text(painted, "cell10"));
  EXPECT_EQ(find_text(painted, "cell10")->box.y, 8 + 2);  // 16px line centred in the 20px cell
  EXPECT_TRUE(find_text(painted, "cell10")->visible());
  EXPECT_TRUE(!find_text(painted, "cell0") || !find_text(painted, "cell0")->visible());
  EXPECT_EQ(test_support::text_of(table.hit(20, 8 + 45)), "cell12");
}

}  // namespace
}  // namespace htmlayout::render
