#include "htmlayout/render/renderer_geometry.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/render/testing/headless_host.h"

namespace htmlayout::render {
namespace {

// A head with a menu button, a scrolling list of 200 rows 20px high under
// it, and a menu that only shows as a popup.
std::string page() {
  std::string html =
      "<html><head><style>body { margin: 0; } #head { height: 30px; }"
      "#box { height: 200px; overflow: auto; } .row { height: 20px; }"
      "#menu { display: none; width: 120px; } #menu li { height: 20px; }"
      "#box { context-menu: selector(#menu); }"
      "</style></head><body><div id=head><button id=open>open</button></div>"
      "<div id=box><div id=list>";
  for (int i = 0; i < 200; ++i)
    html += "<div class=row id=r" + std::to_string(i) + ">row " + std::to_string(i) + "</div>";
  return html + "</div></div><menu id=menu><li id=first>first</li><li id=second>second</li>" +
         "</menu></body></html>";
}

dom::element by_id(headless_host& host, const char* id) {
  return host.doc().root().select_first(std::string("#") + id);
}

TEST(RendererGeometryTest, PointerFindsRowsThroughTheListsScrollAndTheWheelScrollsIt) {
  headless_host host(400, 300);
  host.load_html(page());
  const dom::element box = by_id(host, "box");
  // Row 3 lies at 30 + 3 * 20 in the window while the list is not scrolled.
  host.in().mouse_move({10, 95}, 0, 0);
  EXPECT_EQ(host.in().hovered(), by_id(host, "r3"));
  EXPECT_TRUE(by_id(host, "r3").get_state() & state::hover);

  host.in().wheel({10, 95}, 400, 0);
  renderer_geometry& geometry = host.geometry();
  const scroll_range scrolled = geometry.vertical_scroll(box);
  EXPECT_EQ(scrolled.position, 400);
  EXPECT_EQ(scrolled.limit, 200 * 20 - 200);
  // The same place now holds row 23, far outside the rows first laid out.
  host.in().mouse_move({10, 96}, 0, 0);
  EXPECT_EQ(host.in().hovered(), by_id(host, "r23"));

  const auto row = geometry.location(by_id(host, "r23"));
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->top, 30 + 23 * 20 - 400);
  EXPECT_EQ(row->bottom - row->top, 20);
  EXPECT_FALSE(geometry.location(by_id(host, "menu")).has_value());
}

TEST(RendererGeometryTest, PopupsTheInputShowsArePaintedAndHitAboveThePage) {
  headless_host host(400, 300);
  host.load_html(page());
  const dom::element menu = by_id(host, "menu");
  ASSERT_TRUE(host.in().show_popup(menu, by_id(host, "open"), placement::below));
  // Below the button, over the rows of the list.
  renderer_geometry& geometry = host.geometry();
  const auto button = geometry.location(by_id(host, "open"));
  const auto shown = geometry.location(menu);
  const auto first = geometry.location(by_id(host, "first"));
  ASSERT_TRUE(button && shown && first);
  EXPECT_EQ(shown->left, button->left);
  EXPECT_EQ(shown->top, button->bottom);
  EXPECT_GE(first->top, shown->top);
  const point on_first{first->left + 5, first->top + 5};
  EXPECT_EQ(host.view().element_at(on_first.x, on_first.y), by_id(host, "first"));
  bool painted_first = false;
  for (const paint_op& op : host.paint())
    if (op.text == "first") painted_first = true;
  EXPECT_TRUE(painted_first);

  // A press outside hides it, and the rows under it can be hit again.
  host.in().mouse_down({300, 250}, mouse::main_button, 0);
  host.in().mouse_up({300, 250}, mouse::main_button, 0);
  EXPECT_TRUE(host.in().popups().empty());
  host.paint();
  EXPECT_NE(host.view().element_at(on_first.x, on_first.y), by_id(host, "first"));
}

TEST(RendererGeometryTest, ARightClickOpensTheContextMenuAtThePointerAndItsItemsTakeClicks) {
  struct menu_owner : behavior {
    menu_owner() : behavior(group::behavior_event, "test-menu-owner") {}
    bool on_event(const dom::element&, const dom::element& target, uint32_t type,
                  uintptr_t) override {
      if (type == event::menu_item_click) clicked = target.get_attribute_utf8("id").value_or("");
      return false;
    }
    std::string clicked;
  } owner;
  headless_host host(400, 300);
  std::string html = page();
  html.replace(html.find("#box {"), 6, "#box { behavior: test-menu-owner;");
  host.doc().set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
  host.load_html(html);
  host.in().mouse_move({50, 100}, 0, 0);
  host.in().mouse_down({50, 100}, mouse::prop_button, 0);
  host.in().mouse_up({50, 100}, mouse::prop_button, 0);
  ASSERT_EQ(host.in().popups().size(), 1u);
  EXPECT_EQ(host.in().popups()[0].position.x, 50);
  EXPECT_EQ(host.in().popups()[0].position.y, 100);

  renderer_geometry& geometry = host.geometry();
  const auto second = geometry.location(by_id(host, "second"));
  ASSERT_TRUE(second.has_value());
  const point p{second->left + 5, second->top + 5};
  host.in().mouse_move(p, 0, 0);
  host.in().mouse_down(p, mouse::main_button, 0);
  host.in().mouse_up(p, mouse::main_button, 0);
  EXPECT_EQ(owner.clicked, "second");
  EXPECT_TRUE(host.in().popups().empty());
}

}  // namespace
}  // namespace htmlayout::render
