// The program's grids and splitter under real presses, moves, releases and
// keys, at the places the renderer lays the page out: on a small page of
// their own, and on the main page with the real controller and model.
#include "view/grids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fml/text.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/testing/pointer.h"
#include "view/behaviors.h"
#include "view/testing/program_window.h"

namespace pvl {
namespace {

namespace state = htmlayout::state;
namespace keyboard = htmlayout::keyboard;
namespace vk = htmlayout::vk;
using htmlayout::dom::element;
using Rows = std::vector<int>;
using Lines = std::vector<std::string>;

// The indexes of the table's rows that have all of `bits`.
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
        "<div id=box><table id=g multiple fixedrows=1 style='behavior: cgrid'>" +
        rows +
        "</table></div><table id=s fixedrows=1 style='behavior: csortable-grid'>"
        "<tr><th id=name>name</th></tr><tr><td>b</td></tr><tr><td>B</td></tr>"
        "<tr><td>a</td></tr></table></body></html>");
  }
  element grid() { return host_.doc().root().select_first("#g"); }
  element row(int i) { return grid().child(static_cast<size_t>(i)); }
  Rows checked() { return rows_with(grid(), state::checked); }
  void key(uint32_t code, uint32_t keys = 0) { host_.in().key_down(code, keys); }

  htmlayout::render::headless_host host_{400, 300};
  htmlayout::testing::pointer pointer_{host_.in(), host_.geometry()};
};

// The main page's grid test drags and reduces selections; here the anchor,
// the right button and header rows.
TEST_F(GridsTest, ClicksMoveTheAnchorAndTheRightButtonKeepsASelection) {
  pointer_.click(row(2));
  pointer_.click(row(5), keyboard::shift);
  EXPECT_EQ(checked(), (Rows{2, 3, 4, 5}));
  EXPECT_EQ(rows_with(grid(), state::anchor), Rows{2});
  pointer_.click(row(3), keyboard::control);
  EXPECT_EQ(checked(), (Rows{2, 4, 5}));
  EXPECT_EQ(rows_with(grid(), state::anchor), Rows{3});
  EXPECT_EQ(rows_with(grid(), state::current), Rows{3});

  // The right button selects a row outside the selection only; header rows
  // are never selected.
  pointer_.click(row(4), 0, htmlayout::mouse::prop_button);
  EXPECT_EQ(checked(), (Rows{2, 4, 5}));
  pointer_.click(row(1), 0, htmlayout::mouse::prop_button);
  pointer_.click(row(0));
  EXPECT_EQ(rows_with(grid(), state::current | state::checked), Rows{1});
  EXPECT_FALSE(grid().has_attribute("multiselect"));
  EXPECT_FALSE(grid().has_attribute("shift"));

  // With its anchor gone, Shift+click selects the row alone (not a range
  // from the top) and anchors there.
  row(1).delete_element();
  pointer_.click(row(5), keyboard::shift);
  EXPECT_EQ(checked(), Rows{5});
  EXPECT_EQ(rows_with(grid(), state::anchor), Rows{5});
}

TEST_F(GridsTest, KeysMovePageByPageOverHiddenRowsAndCtrlASelectsAll) {
  pointer_.click(row(2));
  key(vk::page_down);  // seven 20-pixel rows to the box's 140 pixels; row 7 takes none
  EXPECT_EQ(checked(), Rows{9});
  key(vk::page_down);
  EXPECT_EQ(checked(), Rows{12});
  key(vk::page_up);
  EXPECT_EQ(checked(), Rows{5});
  key(vk::down);
  key(vk::down);  // over the hidden row
  EXPECT_EQ(checked(), Rows{8});
  for (int i = 0; i < 2; ++i) key(vk::up, keyboard::shift);
  EXPECT_EQ(checked(), (Rows{5, 6, 8}));
  EXPECT_TRUE(grid().has_attribute("multiselect"));
  key(vk::home);
  key(vk::up);
  EXPECT_EQ(checked(), Rows{1});
  EXPECT_FALSE(grid().has_attribute("multiselect"));
  key(vk::end);
  EXPECT_EQ(checked(), Rows{12});
  const auto last = host_.geometry().location(row(12)),
             box = host_.geometry().location(grid().parent());
  ASSERT_TRUE(last && box);
  EXPECT_TRUE(last->bottom <= box->bottom && last->top >= box->top);
  key(vk::key_a, keyboard::control);
  EXPECT_EQ(checked(), (Rows{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12}));
}

TEST_F(GridsTest, AHeaderPressSortsTheSortableGrid) {
  element table = host_.doc().root().select_first("#s");
  pointer_.click(host_.doc().root().select_first("#name"));
  Lines texts;
  for (size_t i = 1; i < table.children_count(); ++i)
    texts.push_back(fml::wchar2utf8(table.child(i).text()));
  EXPECT_EQ(texts, (Lines{"B", "a", "b"}));
  EXPECT_EQ(rows_with(table, state::current), Rows{});
}

// The main page with the real controller and model (program_window.h).
class MainPageGridsTest : public ::testing::Test {
 protected:
  element quotes() { return w.by_id("thequotelist"); }
  element quote_text(int id) { return w.by_id("q-" + std::to_string(id)).select_first("td.text"); }
  int width_of(const std::string& id) {
    const htmlayout::rect box = w.box(w.by_id(id));
    return box.right - box.left;
  }

  testing::program_window w;
  htmlayout::testing::pointer pointer_{w.in(), w.screen().geometry()};
};

TEST_F(MainPageGridsTest, SelectionsAreDraggedCopiedAndDeletedAndAnEditEndsWhenLeft) {
  // Leaving a tag's edit for the quote list commits it.
  pointer_.click(w.by_id("vt-3"));
  w.key(vk::f2);
  w.key(vk::end);  // the name starts selected
  w.type(L"!");
  pointer_.click(quote_text(4));
  EXPECT_EQ(w.stored("SELECT m_utfname FROM tag WHERE m_id = 3"), Lines{"gamma!"});
  EXPECT_FALSE(w.by_id("taglist").has_attribute("editable"));
  EXPECT_EQ(w.view().document().focused(), quotes());

  // Without a move the release reduces a selection to the pressed row; a
  // selection pressed and dragged onto a tag keeps its rows and tags them all.
  pointer_.click(quote_text(4));
  pointer_.click(quote_text(2), keyboard::shift);
  EXPECT_EQ(rows_with(quotes(), state::checked), (Rows{0, 1, 2}));
  pointer_.click(quote_text(3));
  EXPECT_EQ(rows_with(quotes(), state::checked), Rows{1});
  pointer_.click(quote_text(4));
  pointer_.click(quote_text(2), keyboard::shift);
  pointer_.press(quote_text(3));
  pointer_.move_by(0, 20);
  pointer_.move_to(pointer_.center_of(w.by_id("vt-2")));
  pointer_.release();
  EXPECT_EQ(rows_with(quotes(), state::checked), (Rows{0, 1, 2}));
  EXPECT_EQ(w.stored("SELECT quote FROM quote_tag WHERE tag = 2 ORDER BY quote"),
            (Lines{"2", "3", "4"}));

  // Ctrl+C copies the checked quotes in row order; an empty list takes any key.
  pointer_.click(quote_text(3));                     // row 1
  pointer_.click(quote_text(1), keyboard::control);  // row 3
  EXPECT_EQ(rows_with(quotes(), state::checked), (Rows{1, 3}));
  w.key(vk::key_c, keyboard::control);
  EXPECT_LT(w.clipboard.find("three"), w.clipboard.find("one"));
  EXPECT_EQ(w.clipboard.find("two"), std::string::npos);
  w.key(vk::del);
  EXPECT_EQ(w.stored("SELECT m_id FROM quote ORDER BY m_id"), (Lines{"2", "4"}));
  w.key(vk::key_a, keyboard::control);
  w.key(vk::del);
  EXPECT_EQ(quotes().children_count(), 0u);
  for (uint32_t k : {vk::del, vk::down, vk::end, vk::page_up, vk::key_c}) w.key(k);
  w.key(vk::key_a, keyboard::control);
  EXPECT_FALSE(quotes().has_attribute("multiselect"));
}

TEST_F(MainPageGridsTest, TheSplitterResizesThePanesOnlyWhenDraggedFromItsPress) {
  const int tag_pane = width_of("tagpane");
  const element splitter = w.by_id("splitter");
  // A drag that started elsewhere passes over the splitter without effect.
  pointer_.press(w.by_id("brand-name"));
  pointer_.move_to(pointer_.center_of(splitter));
  pointer_.move_by(-30, 0);
  pointer_.release();
  EXPECT_EQ(width_of("tagpane"), tag_pane);

  pointer_.press(splitter);
  EXPECT_TRUE(splitter.has_attribute("used"));
  pointer_.move_by(-10, 0);
  pointer_.move_by(-5, 0);
  pointer_.release();
  EXPECT_FALSE(splitter.has_attribute("used"));
  EXPECT_EQ(width_of("tagpane"), tag_pane - 15);
  EXPECT_EQ(w.by_id("tagpane").get_style_attribute("width"),
            std::to_wstring(tag_pane - 15) + L"px");
  // The quote pane still fills the rest of the window beside it.
  EXPECT_EQ(w.box(w.by_id("quotepane")).left, w.box(splitter).right);
  EXPECT_EQ(w.box(w.by_id("quotepane")).right, 1000);
  pointer_.move_by(40, 0);
  EXPECT_EQ(width_of("tagpane"), tag_pane - 15);
}

}  // namespace
}  // namespace pvl
