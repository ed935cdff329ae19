// What the random changes of renderer_property_test do not reach: dirty rectangles, layout counts
// and the change callback, lists crossing the whole-list threshold, style sheets coming and going.
#include "htmlayout/render/renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/render/testing/mirror_html.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::find_text;

// The box's padding box top in the window (40px head, 1px border), and where its rows start.
constexpr int kBoxTop = 41;
constexpr int kRowsTop = kBoxTop + 5;

// A head, a box (300px high, 5px padding, 1px border) whose only child #list holds rows, a foot.
class RendererTest : public ::testing::Test {
 protected:
  void load(int rows, const std::string& row_css = ".row { height: 20px } .row b { display: block }") {
    host.load_html(
        "<html><head><style>body { margin: 0; } #head { height: 40px; }"
        "#box { height: 300px; overflow: auto; padding: 5px; border: 1px solid black; }" +
        row_css + "</style></head><body><div id=head>head</div><div id=box><div id=list>" +
        rows_html(rows, "r") + "</div></div><div id=foot>foot</div></body></html>");
  }
  static std::string rows_html(int rows, const std::string& prefix, int from = 0) {
    std::string html;
    for (int i = from; i < rows; ++i)
      html += "<div class=row id=" + prefix + "-" + std::to_string(i) + ">row " +
              std::to_string(i) + "</div>";
    return html;
  }
  dom::element find(const std::string& css) { return host.doc().root().select_first(css); }
  dom::element row(int n) { return find("#r-" + std::to_string(n)); }
  litehtml::position at(const dom::element& e, box_area area = box_area::border) {
    return to_position(view().location(e, area));
  }
  void expect_mirror_as_document() {
    view().update();
    EXPECT_EQ(test_support::mirror_html(mirror_document(view())->root()),
              test_support::expected_html(view(), *host.doc().root().node()));
  }
  renderer& view() { return host.view(); }

  headless_host host;
};

TEST_F(RendererTest, ChangesRepaintWhatChangedWithOneLayoutPerBatchAndOneCallToTheHost) {
  int calls = 0;
  view().set_change_callback([&] { ++calls; });
  load(300, ".row { height: 20px; } .row:hover { background-color: #eee; }"
            " .row:checked { height: 30px; }");
  EXPECT_EQ(calls, 1);
  view().take_dirty_rects();
  auto one_dirty = [&] {  // top, bottom, left, right
    const std::vector<rect> dirty = view().take_dirty_rects();
    EXPECT_EQ(dirty.size(), 1u);
    const rect r = dirty.empty() ? rect{} : dirty[0];
    return std::vector{r.top, r.bottom, r.left, r.right};
  };
  std::size_t layouts = view().layout_count();
  row(3).set_state(state::hover);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(view().needs_update());
  const std::vector<int> hovered = one_dirty();
  EXPECT_FALSE(view().needs_update());
  EXPECT_EQ(view().layout_count(), layouts + 1);
  EXPECT_EQ(std::pair(hovered[0], hovered[1]), std::pair(at(row(3)).y, at(row(3)).bottom()));
  // A height that changes moves everything below it in the box, and the scroll bar's strip too.
  row(5).set_state(state::checked);
  EXPECT_EQ(calls, 3);
  const litehtml::position box = at(find("#box"), box_area::padding);
  EXPECT_EQ(one_dirty(), (std::vector{box.y, box.bottom(), at(row(5)).x, box.right()}));
  EXPECT_TRUE(view().take_dirty_rects().empty());
  // A state no style sheet asks about lays out nothing; asked to, the renderer repaints the row.
  layouts = view().layout_count();
  row(4).set_state(state::expanded, 0, false);
  EXPECT_TRUE(view().take_dirty_rects().empty());
  row(4).update();
  EXPECT_EQ(one_dirty()[0], at(row(4)).y);
  EXPECT_EQ(view().layout_count(), layouts);
  // A change inside a row that is not laid out waits for nothing.
  const int calls_before = calls;
  row(290).set_attribute_utf8("title", "far");
  EXPECT_EQ(calls, calls_before);
  EXPECT_FALSE(view().needs_update());
  // Rows inserted at the top, one by one: one layout, and the rows below move down.
  for (int i = 0; i < 5; ++i)
    find("#list").set_html("<div class=row id=new-" + std::to_string(i) + ">new</div>",
                           position::insert_at_start);
  EXPECT_EQ(at(find("#new-4")).y, kRowsTop);
  EXPECT_EQ(view().layout_count(), layouts + 1);
  EXPECT_EQ(at(row(200)).y, kRowsTop + 205 * 20 + 10);
}

TEST_F(RendererTest, ListsCrossingTheWholeListThresholdAndReplacedWhole) {
  // A lone row could be a wrapper of content: the rows are found again when it gains siblings.
  load(1);
  row(0).set_html("<b>bold</b>");
  view().update();
  std::size_t mirrored = view().mirror_size();
  std::string rows;
  for (int i = 1; i < 30000; ++i)
    rows += "<div class=row id=r-" + std::to_string(i) + "><b>" + std::to_string(i) + "</b></div>";
  find("#list").set_html(rows, position::append_after_last);
  view().update();
  EXPECT_EQ(view().row_container(find("#box")), find("#list"));
  EXPECT_LT(view().mirror_size(), mirrored + 200);
  EXPECT_EQ(at(row(29999)).y, kRowsTop + 29999 * 20);
  expect_mirror_as_document();
  // A short list grows past the threshold and comes back: whole, windowed, whole again.
  load(10);
  dom::element list = find("#list");
  const std::pair<std::size_t, std::size_t> whole{0, 10};
  auto laid_out = [&] { view().update(); return view().laid_out_rows(list).value(); };
  EXPECT_EQ(laid_out(), whole);
  list.set_html(rows_html(200, "r", 10), position::append_after_last);
  EXPECT_EQ(laid_out().first, 0u);
  EXPECT_LT(laid_out().second, 50u);
  for (int i = 10; i < 200; ++i) row(i).delete_element();
  EXPECT_EQ(laid_out(), whole);
  expect_mirror_as_document();
  // Every row of a long list replaced: only the new rows in view are laid out.
  rows = rows_html(20000, "n");
  list.set_html(rows, position::replace_content);
  view().set_scroll_pos(find("#box"), 30000);
  view().update();
  mirrored = view().mirror_size();
  list.set_html(rows, position::replace_content);
  // The box keeps its scroll position, which now shows other rows.
  EXPECT_EQ(view().element_at(20, kRowsTop + 10), find("#n-1500"));
  EXPECT_LE(view().mirror_size(), mirrored + 20);
  // A short list is laid out whole, then grows past the threshold.
  list.set_html("<div class=row id=only>only</div>", position::replace_content);
  EXPECT_EQ(view().element_at(20, kBoxTop + 15), find("#only"));
  list.set_html(rows, position::replace_content);
  view().update();
  EXPECT_LE(view().mirror_size(), mirrored + 20);
  // Emptied beside a note, the list is one of its box's few rows. All its rows coming back at
  // once, from a shelf or as HTML, are laid out as a window, not mirrored whole.
  find("#box").set_html("<div>note</div>", position::insert_at_start);
  const dom::element shelf = host.doc().create_shelf();
  for (int way = 0; way < 2; ++way) {
    list.exchange_children(shelf);
    view().update();
    ASSERT_EQ(view().row_container(find("#box")), find("#box"));
    const std::size_t built = view().built_count();
    if (way == 0)
      list.exchange_children(shelf);
    else
      list.set_html(rows, position::append_after_last);
    view().update();
    EXPECT_LE(view().mirror_size(), mirrored + 20) << way;
    EXPECT_LT(view().built_count() - built, 500u) << way;
    EXPECT_EQ(view().row_container(find("#box")), list);
  }
  expect_mirror_as_document();
  // A box that stops scrolling shows all its rows.
  list.set_html(rows_html(200, "s"), position::replace_content);
  find("#box").set_style_attribute("overflow", L"visible");
  find("#box").set_style_attribute("height", L"auto");
  view().update();
  EXPECT_FALSE(view().laid_out_rows(list));
  expect_mirror_as_document();
}

TEST_F(RendererTest, AStyleSheetAddedLaterStylesEverythingAndKeepsScrollPositions) {
  load(3000);
  view().set_scroll_pos(find("#box"), 1000 * 20);
  EXPECT_EQ(view().element_at(20, kBoxTop + 15), row(1000));
  find("head").set_html("<style>.row { height: 40px } #head { height: 10px }</style>",
                        position::append_after_last);
  scroll_metrics metrics;
  ASSERT_TRUE(view().scroll_info(find("#box"), metrics));
  EXPECT_EQ(metrics.scroll_y, 1000 * 20);
  // Rows now 40px high, the head 10px: row 500 is at the top of the box.
  EXPECT_EQ(view().element_at(20, 11 + 5 + 10), row(500));
  EXPECT_EQ(at(row(500)).height, 40);
  find("head").child(1).delete_element();
  EXPECT_EQ(at(row(1000)).height, 20);
  EXPECT_EQ(view().element_at(20, kBoxTop + 15), row(1000));
  // A new page forgets the old one.
  host.load_html("<html><body><p id=p>fresh</p></body></html>");
  EXPECT_TRUE(find_text(host.paint(), "fresh"));
  EXPECT_FALSE(find_text(host.paint(), "row"));
  EXPECT_EQ(view().element_at(10, 20), find("#p"));
}

}  // namespace
}  // namespace htmlayout::render
