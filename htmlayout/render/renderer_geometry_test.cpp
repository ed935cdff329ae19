// The popups the input side shows, over the renderer: laid out where they
// were asked for (also inside a positioned element), painted and hit above
// the page, with scrolling lists of their own.
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

TEST(RendererGeometryTest, PopupsArePlacedPaintedAndHitAboveThePage) {
  std::string html =
      "<html><head><style>body { margin: 0; } #head { height: 30px; } .row { height: 20px; }"
      "menu { display: none; width: 120px; margin: 0; padding: 2px; background-color: #ffffff }"
      "li { display: block; height: 20px; } #long { max-height: 100px; overflow: auto; }"
      "#holder { position: relative; left: 30px }</style></head><body><div id=head>"
      "<button id=open>open</button></div>";
  for (int i = 0; i < 20; ++i) html += "<div class=row>row " + std::to_string(i) + "</div>";
  html += "<menu id=menu><li id=first>first</li></menu><div id=holder><menu id=long>";
  for (int i = 0; i < 200; ++i) html += "<li id=i" + std::to_string(i) + ">item</li>";
  headless_host host{400, 300};
  host.load_html(html + "</menu></div></body></html>");
  auto by_id = [&](const std::string& id) { return host.doc().root().select_first("#" + id); };
  renderer_geometry& geometry = host.geometry();

  ASSERT_TRUE(host.in().show_popup(by_id("menu"), by_id("open"), placement::below));
  const auto button = geometry.location(by_id("open"));
  const auto first = geometry.location(by_id("first"));
  ASSERT_TRUE(button && first);
  EXPECT_EQ(first->left, button->left + 2);
  EXPECT_EQ(first->top, button->bottom + 2);
  EXPECT_EQ(host.view().element_at(first->left + 5, first->top + 5), by_id("first"));
  const auto& painted = host.paint();  // after the rows it covers
  const paint_op* item = find_text(painted, "first");
  ASSERT_TRUE(item);
  EXPECT_GT(item - painted.data(), find_text(painted, "row") - painted.data());
  host.in().mouse_down({300, 250}, mouse::main_button, 0);  // a press outside hides it
  EXPECT_TRUE(host.in().popups().empty());
  EXPECT_NE(host.view().element_at(first->left + 5, first->top + 5), by_id("first"));

  const dom::element list = by_id("long");
  ASSERT_TRUE(host.in().show_popup_at(list, {200, 40}, by_id("head")));
  geometry.sync_popups();
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
