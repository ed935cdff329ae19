#include "htmlayout/render/text_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/testing/headless_host.h"

namespace htmlayout::render {
namespace {

constexpr int kAdvance = 8;  // the headless container's advance at 16px

// "hello world" in an editable box 7 characters wide (so "world" wraps), 5px left padding.
TEST(TextPositionsTest, CaretsAndPointsMapToCharacterBoundariesLineByLine) {
  headless_host host(400, 300);
  host.load_html(
      "<html><head><style>body { margin: 0; font-size: 16px; } #head { height: 40px; }"
      "table, tr, td { display: block; margin: 0; padding: 0; border: 0 none; }"
      "#cell { width: 56px; padding: 2px 5px; line-height: 20px; }</style></head><body>"
      "<div id=head></div><table editable><tr><td><div id=cell tabindex=0>hello world</div></td>"
      "</tr></table></body></html>");
  const dom::element cell = host.doc().root().select_first("#cell");
  auto caret = [&](std::size_t offset) { return caret_box(host.view(), cell, offset); };
  auto at = [&](int x, int y) { return text_offset_at(host.view(), cell, x, y); };
  const litehtml::position top = caret(2), second = caret(8);
  EXPECT_EQ(caret(0).x, 5);
  EXPECT_EQ(top.x, 5 + 2 * kAdvance);
  EXPECT_EQ(top.width, 1);
  EXPECT_GE(top.height, 12);
  EXPECT_GT(second.y, top.y);  // "wo|rld" on the next line
  EXPECT_EQ(second.x, 5 + 2 * kAdvance);
  EXPECT_EQ(caret(50).x, 5 + 5 * kAdvance);  // past the end: after "world"
  EXPECT_EQ(caret(50).y, second.y);
  EXPECT_EQ(at(5 + 2 * kAdvance + 3, top.y + 2), 2u);  // nearer the boundary before
  EXPECT_EQ(at(5 + 2 * kAdvance + 5, top.y + 2), 3u);  // nearer the one after
  EXPECT_EQ(at(0, top.y - 30), 0u);                    // above: the first line
  EXPECT_EQ(at(5 + 3 * kAdvance, second.y + 2), 9u);   // "wor|ld"
  EXPECT_EQ(at(300, second.bottom() + 50), 11u);       // below and right: the end
  EXPECT_EQ(at(5 + 7 * kAdvance, top.y + 2), 5u);      // right of the first line: its end
  // A click in the edited cell places the caret there.
  const point inside{5 + 4 * kAdvance + 2, top.y + 5};
  host.in().mouse_down(inside, mouse::main_button, 0);
  host.in().mouse_up(inside, mouse::main_button, 0);
  ASSERT_TRUE(host.in().caret());
  EXPECT_EQ(host.in().caret()->offset, 4u);
  // No text: where the first line's text would start; not displayed: nothing.
  cell.set_text(L"");
  EXPECT_EQ(caret(0).x, 5);
  EXPECT_EQ(std::pair(caret(0).y, caret(0).height), std::pair(top.y, top.height));
  cell.set_style_attribute("display", L"none");
  EXPECT_EQ(caret(0).width, 0);
}

}  // namespace
}  // namespace htmlayout::render
