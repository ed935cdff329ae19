#include "htmlayout/render/text_positions.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/testing/headless_host.h"

namespace htmlayout::render {
namespace {

// The headless container advances every character by half the font size:
// 8 pixels at 16px.
constexpr int kAdvance = 8;

// An editable table whose cell holds "hello world" in a box `width` pixels
// wide, below a 40 pixel head.
std::string page(int width) {
  return "<html><head><style>body { margin: 0; font-size: 16px; } #head { height: 40px; }"
         "table, tr, td { display: block; margin: 0; padding: 0; border: 0 none; }"
         "#cell { width: " +
         std::to_string(width) +
         "px; padding: 2px 5px; line-height: 20px; }</style></head><body><div id=head></div>"
         "<table editable><tr><td><div id=cell tabindex=0>hello world</div></td></tr></table>"
         "</body></html>";
}

dom::element cell(headless_host& host) { return host.doc().root().select_first("#cell"); }

TEST(TextPositionsTest, TheCaretStandsBeforeEachCharacterOnItsLine) {
  headless_host host(400, 300);
  host.load_html(page(300));
  const litehtml::position content =
      to_position(host.view().location(cell(host), box_area::content));
  ASSERT_EQ(content.x, 5);
  for (std::size_t offset : {0u, 3u, 5u, 6u, 11u}) {
    const litehtml::position caret = caret_box(host.view(), cell(host), offset);
    EXPECT_EQ(caret.x, content.x + kAdvance * static_cast<int>(offset)) << offset;
    EXPECT_EQ(caret.width, 1);
    EXPECT_GE(caret.y, content.y);
    EXPECT_GE(caret.height, 12);
    EXPECT_LE(caret.bottom(), content.bottom());
  }
  // Past the end: after the last character.
  EXPECT_EQ(caret_box(host.view(), cell(host), 50).x, content.x + 11 * kAdvance);

  // A wrapped word carries its caret to the next line.
  host.load_html(page(7 * kAdvance));
  const litehtml::position first = caret_box(host.view(), cell(host), 2);
  const litehtml::position wrapped = caret_box(host.view(), cell(host), 8);
  EXPECT_GT(wrapped.y, first.y);
  EXPECT_EQ(wrapped.x, 5 + 2 * kAdvance);

  // No text: at the start of the content box, a line high.
  cell(host).set_text(L"");
  const litehtml::position empty = caret_box(host.view(), cell(host), 0);
  EXPECT_EQ(empty.x, 5);
  EXPECT_GE(empty.height, 12);

  // Not displayed: nothing.
  cell(host).set_style_attribute("display", L"none");
  const litehtml::position hidden = caret_box(host.view(), cell(host), 0);
  EXPECT_EQ(hidden.width, 0);
}

TEST(TextPositionsTest, APointFindsTheNearestBoundaryOnTheNearestLine) {
  headless_host host(400, 300);
  host.load_html(page(7 * kAdvance));  // "hello" on one line, "world" on the next
  const litehtml::position top = caret_box(host.view(), cell(host), 0);
  const litehtml::position second = caret_box(host.view(), cell(host), 6);
  auto at = [&](int x, int y) { return text_offset_at(host.view(), cell(host), x, y); };
  EXPECT_EQ(at(5 + 2 * kAdvance + 3, top.y + 2), 2u);  // nearer the boundary before
  EXPECT_EQ(at(5 + 2 * kAdvance + 5, top.y + 2), 3u);  // nearer the one after
  EXPECT_EQ(at(0, top.y - 30), 0u);                    // above: the first line
  EXPECT_EQ(at(5 + 3 * kAdvance, second.y + 2), 9u);   // "wor|ld"
  EXPECT_EQ(at(300, second.bottom() + 50), 11u);       // below and right: the end
  EXPECT_EQ(at(5 + 7 * kAdvance, top.y + 2), 5u);      // right of the first line: its end
}

TEST(TextPositionsTest, AClickInTheEditedCellPlacesTheCaret) {
  headless_host host(400, 300);
  host.load_html(page(300));
  const litehtml::position content =
      to_position(host.view().location(cell(host), box_area::content));
  const point inside{content.x + 4 * kAdvance + 2, content.y + 5};
  host.in().mouse_move(inside, 0, 0);
  host.in().mouse_down(inside, mouse::main_button, 0);
  host.in().mouse_up(inside, mouse::main_button, 0);
  ASSERT_TRUE(host.in().caret());
  EXPECT_EQ(host.in().caret()->element, cell(host));
  EXPECT_EQ(host.in().caret()->offset, 4u);
  host.in().characters(L"X", 0);
  EXPECT_EQ(cell(host).text(), L"hellXo world");
  const point later{content.x + 9 * kAdvance + 1, content.y + 5};
  host.in().mouse_down(later, mouse::main_button, 0);
  host.in().mouse_up(later, mouse::main_button, 0);
  EXPECT_EQ(host.in().caret()->offset, 9u);
}

}  // namespace
}  // namespace htmlayout::render
