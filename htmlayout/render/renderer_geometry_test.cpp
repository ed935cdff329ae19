// The input side over the renderer: the pointer finds rows through a list's
// scroll position, the wheel scrolls it, and the popups the input shows are
// laid out, painted and hit above the page.
#include "htmlayout/render/renderer_geometry.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;

// A head with a menu button, a scrolling list of 200 rows 20px high under
// it, a menu that only shows as a popup, and a long menu in a positioned
// holder.
std::string page() {
  std::string html =
      "<html><head><style>body { margin: 0; } #head { height: 30px; }"
      "#box { height: 200px; overflow: auto; } .row { height: 20px; }"
      "menu { display: none; width: 120px; margin: 0; padding: 2px; background-color: #ffffff }"
      "li { display: block; height: 20px; }"
      "#long { max-height: 100px; overflow: auto; } #holder { position: relative; left: 30px }"
      "</style></head><body><div id=head><button id=open>open</button></div>"
      "<div id=box><div id=list>";
  for (int i = 0; i < 200; ++i)
    html += "<div class=row id=r" + std::to_string(i) + ">row " + std::to_string(i) + "</div>";
  html += "</div></div><menu id=menu><li id=first>first</li><li id=second>second</li></menu>"
          "<div id=holder><menu id=long>";
  for (int i = 0; i < 200; ++i) html += "<li id=i" + std::to_string(i) + ">item</li>";
  return html + "</menu></div></body></html>";
}

class RendererGeometryTest : public ::testing::Test {
 protected:
  RendererGeometryTest() { host.load_html(page()); }
  dom::element by_id(const std::string& id) { return host.doc().root().select_first("#" + id); }
  void click(point p, uint32_t button = mouse::main_button) {
    host.in().mouse_move(p, 0, 0);
    host.in().mouse_down(p, button, 0);
    host.in().mouse_up(p, button, 0);
  }
  headless_host host{400, 300};
};

TEST_F(RendererGeometryTest, PointerFindsRowsThroughTheListsScrollAndTheWheelScrollsIt) {
  // Row 3 lies at 30 + 3 * 20 in the window while the list is not scrolled.
  host.in().mouse_move({10, 95}, 0, 0);
  EXPECT_EQ(host.in().hovered(), by_id("r3"));
  EXPECT_TRUE(by_id("r3").get_state() & state::hover);

  host.in().wheel({10, 95}, 400, 0);
  renderer_geometry& geometry = host.geometry();
  const scroll_range scrolled = geometry.vertical_scroll(by_id("box"));
  EXPECT_EQ(scrolled.position, 400);
  EXPECT_EQ(scrolled.limit, 200 * 20 - 200);
  // The same place now holds row 23, far outside the rows first laid out.
  host.in().mouse_move({10, 96}, 0, 0);
  EXPECT_EQ(host.in().hovered(), by_id("r23"));
  const auto row = geometry.location(by_id("r23"));
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->top, 30 + 23 * 20 - 400);
  EXPECT_EQ(row->bottom - row->top, 20);
  EXPECT_FALSE(geometry.location(by_id("menu")).has_value());
}

TEST_F(RendererGeometryTest, PopupsTheInputShowsArePaintedAndHitAboveThePage) {
  const dom::element menu = by_id("menu");
  ASSERT_TRUE(host.in().show_popup(menu, by_id("open"), placement::below));
  // Below the button, over the rows of the list.
  renderer_geometry& geometry = host.geometry();
  const auto button = geometry.location(by_id("open"));
  const auto shown = geometry.location(menu);
  const auto first = geometry.location(by_id("first"));
  ASSERT_TRUE(button && shown && first);
  EXPECT_EQ(shown->left, button->left);
  EXPECT_EQ(shown->top, button->bottom);
  EXPECT_EQ(first->top, shown->top + 2);
  const point on_first{first->left + 5, first->top + 5};
  EXPECT_EQ(host.view().element_at(on_first.x, on_first.y), by_id("first"));
  // Painted after the rows it covers.
  const auto& painted = host.paint();
  const paint_op* item = find_text(painted, "first");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->box.y, first->top);
  EXPECT_GT(item - painted.data(), find_text(painted, "row") - painted.data());

  // A press outside hides it, and the rows under it can be hit again.
  click({300, 250});
  EXPECT_TRUE(host.in().popups().empty());
  EXPECT_FALSE(find_text(host.paint(), "first"));
  EXPECT_NE(host.view().element_at(on_first.x, on_first.y), by_id("first"));

  // At a window position, inside a positioned element, with a scrolling list of its own.
  const dom::element list = by_id("long");
  ASSERT_TRUE(host.in().show_popup_at(list, {200, 40}, by_id("box")));
  host.geometry().sync_popups();
  EXPECT_EQ(geometry.location(list)->left, 200);
  EXPECT_EQ(geometry.location(list)->top, 40);
  EXPECT_EQ(host.view().element_at(210, 40 + 2 + 45), by_id("i2"));
  EXPECT_TRUE(host.view().scroll_to_view(by_id("i150")));
  EXPECT_EQ(host.view().element_at(210, geometry.location(by_id("i150"))->top + 5), by_id("i150"));
  const auto rows = host.view().laid_out_rows(list);
  EXPECT_LT(rows->second - rows->first, 40u);
}

}  // namespace
}  // namespace htmlayout::render
