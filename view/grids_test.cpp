// The program's grids under real input on a small page laid out by the renderer.
#include "view/grids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fml/text.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/testing/pointer.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace state = htmlayout::state;
namespace keyboard = htmlayout::keyboard;
namespace vk = htmlayout::vk;
using htmlayout::dom::element;
using Rows = std::vector<int>;

Rows rows_with(const element& table, uint32_t bits) {
  Rows found;
  for (size_t i = 0; i < table.children_count(); ++i)
    if ((table.child(i).get_state() & bits) == bits) found.push_back(static_cast<int>(i));
  return found;
}

class GridsTest : public ::testing::Test {
 protected:
  GridsTest() {
    register_behaviors();
    host_.doc().set_notification_callback([](htmlayout::notification& n) -> uint32_t {
      if (n.code == htmlayout::notification_code::attach_behavior)
        htmlayout::answer_attach_behavior(static_cast<htmlayout::attach_behavior_notification&>(n));
      return 0;
    });
    std::string rows = "<tr><th>head</th></tr>";
    for (int i = 1; i <= 12; ++i)
      rows += "<tr" + std::string(i == 7 ? " class=hidden" : "") + "><td>row " + std::to_string(i) +
              "</td></tr>";
    host_.load_html(
        "<html><head><style>body { margin: 0; } table, tr { display: block; }"
        "tr { height: 20px; } td, th { display: inline-block; width: 60px; }"
        ".hidden { display: none; } #box { height: 140px; overflow: auto; }</style></head><body>"
        "<div id=box><table id=g multiple fixedrows=1 style='behavior: cgrid'>" + rows +
        "</table></div><table id=s fixedrows=1 style='behavior: csortable-grid'>"
        "<tr><th id=name>name</th></tr><tr><td>b</td></tr><tr><td>B</td></tr>"
        "<tr><td>a</td></tr></table></body></html>");
  }
  element grid() { return host_.doc().root().select_first("#g"); }
  element row(int i) { return grid().child(static_cast<size_t>(i)); }
  Rows checked() { return rows_with(grid(), state::checked); }
  htmlayout::render::headless_host host_{400, 300};
  htmlayout::testing::pointer pointer_{host_.in(), host_.geometry()};
};

TEST_F(GridsTest, ClicksMoveTheAnchorAndTheRightButtonKeepsASelection) {
  const uint32_t right = htmlayout::mouse::prop_button, left = htmlayout::mouse::main_button;
  const struct { int row; uint32_t keys, button; Rows checked, anchor; } clicks[] = {
                {2, 0, left, {2}, {2}}, {5, keyboard::shift, left, {2, 3, 4, 5}, {2}},
                {3, keyboard::control, left, {2, 4, 5}, {3}},
                {4, 0, right, {2, 4, 5}, {3}},  // inside the selection: kept
                {1, 0, right, {1}, {1}},        // outside: selected alone
                {0, 0, left, {1}, {1}}};        // header rows are never selected
  for (const auto& c : clicks) {
    pointer_.click(row(c.row), c.keys, c.button);
    EXPECT_EQ(checked(), c.checked) << c.row;
    EXPECT_EQ(rows_with(grid(), state::anchor), c.anchor) << c.row;
  }
  EXPECT_EQ(rows_with(grid(), state::current), Rows{1});
  EXPECT_FALSE(grid().has_attribute("multiselect"));
  EXPECT_FALSE(grid().has_attribute("shift"));
  // With its anchor gone, Shift+click selects the row alone, not a range from the top.
  row(1).delete_element();
  pointer_.click(row(5), keyboard::shift);
  EXPECT_EQ(checked(), Rows{5});
  EXPECT_EQ(rows_with(grid(), state::anchor), Rows{5});
}

TEST_F(GridsTest, KeysMovePageByPageOverHiddenRowsAndCtrlASelectsAll) {
  const struct { uint32_t key, keys; Rows checked; } keys[] = {
              {vk::page_down, 0, {9}},  // seven 20-pixel rows to the box's 140; row 7 takes none
              {vk::page_down, 0, {12}}, {vk::page_up, 0, {5}}, {vk::down, 0, {6}},
              {vk::down, 0, {8}},  // over the hidden row
              {vk::up, keyboard::shift, {6, 8}}, {vk::up, keyboard::shift, {5, 6, 8}},
              {vk::home, 0, {1}}, {vk::up, 0, {1}}, {vk::end, 0, {12}},
              {vk::key_a, keyboard::control, {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12}}};
  pointer_.click(row(2));
  for (const auto& k : keys) {
    host_.in().key_down(k.key, k.keys);
    EXPECT_EQ(checked(), k.checked) << k.key;
    EXPECT_EQ(grid().has_attribute("multiselect"), k.checked.size() > 1) << k.key;
  }
  const auto last = host_.geometry().location(row(12)),
             box = host_.geometry().location(grid().parent());
  ASSERT_TRUE(last && box);
  EXPECT_TRUE(last->bottom <= box->bottom && last->top >= box->top);
}

TEST_F(GridsTest, AHeaderPressSortsTheSortableGrid) {
  element table = host_.doc().root().select_first("#s");
  pointer_.click(host_.doc().root().select_first("#name"));
  std::vector<std::string> texts;
  for (size_t i = 1; i < table.children_count(); ++i)
    texts.push_back(fml::wchar2utf8(table.child(i).text()));
  EXPECT_EQ(texts, (std::vector<std::string>{"B", "a", "b"}));
  EXPECT_EQ(rows_with(table, state::current), Rows{});
}

}  // namespace
}  // namespace pvl
