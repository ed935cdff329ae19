#include "htmlayout/render/renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/render/testing/mirror_html.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

using test_support::expected_html;
using test_support::find_text;
using test_support::mirror_html;

// A page with a head, a scrolling box (300px high, 5px padding, 1px border)
// whose only child #list holds the rows, and a foot. Rows are 20px high
// unless `row_css` says otherwise.
std::string list_page(int rows, const std::string& row_css = ".row { height: 20px; }") {
  std::string html =
      "<html><head><style>body { margin: 0; } #head { height: 40px; }"
      "#box { height: 300px; overflow: auto; padding: 5px; border: 1px solid black; }" +
      row_css + "</style></head><body><div id=head>head</div><div id=box><div id=list>";
  for (int i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    html += "<div class=row id=r-" + n + ">row " + n + "</div>";
  }
  return html + "</div></div><div id=foot>foot</div></body></html>";
}

dom::element find(headless_host& host, const std::string& selector) {
  dom::element found = host.doc().root().select_first(selector);
  EXPECT_TRUE(found.is_valid()) << "no element matches " << selector;
  return found;
}

dom::element row(headless_host& host, int n) { return find(host, "#r-" + std::to_string(n)); }

// The box's padding box top in the window: 40px head, 1px border.
constexpr int kBoxTop = 41;

TEST(Renderer, MirrorsAPageWithoutScrollingBoxesWhole) {
  headless_host host;
  host.load_html(
      "<html><head><title>t</title><style>p { color: #ff0000 } .x b { color: #00ff00 }</style>"
      "</head><body><p id=p class=\"a b\">one <b>two</b> &amp; three</p><table border=1>"
      "<tr><td>cell</td></tr></table><ul><li>item</li></ul></body></html>");
  host.view().update();
  const element_node* root = host.doc().root().node();
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()), expected_html(host.view(), *root));
  const auto& painted = host.paint();
  ASSERT_TRUE(find_text(painted, "one") && find_text(painted, "cell"));
  EXPECT_EQ(find_text(painted, "one")->color.red, 255);
  // A class added in the document reaches the mirror's styles.
  find(host, "#p").set_attribute_utf8("class", "x");
  EXPECT_EQ(find_text(host.paint(), "two")->color.green, 255);
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()), expected_html(host.view(), *root));
}

TEST(Renderer, ScrollingALongListToTheMiddleShowsTheRightRowsInPlace) {
  headless_host host;
  host.load_html(list_page(10000));
  dom::element box = find(host, "#box");
  scroll_metrics metrics;
  ASSERT_TRUE(host.view().scroll_info(box, metrics));
  EXPECT_EQ(metrics.viewport_height, 310);
  EXPECT_EQ(metrics.content_height, 10000 * 20 + 10);
  const std::size_t small_mirror = host.view().mirror_size();

  ASSERT_TRUE(host.view().set_scroll_pos(box, 5000 * 20));
  ASSERT_TRUE(host.view().scroll_info(box, metrics));
  EXPECT_EQ(metrics.scroll_y, 100000);
  // Row 5000 starts where the content's 5px padding puts it under the top.
  const auto& painted = host.paint();
  for (int n = 4999; n <= 5015; ++n) {
    const paint_op* text = find_text(painted, std::to_string(n));
    ASSERT_TRUE(text) << n;
    EXPECT_EQ(text->box.y, kBoxTop + 5 + (n - 5000) * 20) << n;
  }
  EXPECT_FALSE(find_text(painted, "4990"));
  EXPECT_FALSE(find_text(painted, "5030"));
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 5 + 3 * 20 + 10), row(host, 5003));
  // Only rows near the viewport are mirrored.
  EXPECT_LT(host.view().mirror_size(), small_mirror + 200);
  const auto rows = host.view().laid_out_rows(find(host, "#list"));
  ASSERT_TRUE(rows);
  EXPECT_LE(rows->first, 5000u);
  EXPECT_GE(rows->second, 5016u);
  EXPECT_LT(rows->second - rows->first, 60u);
  // The foot stays under the box.
  EXPECT_EQ(to_position(host.view().location(find(host, "#foot"))).y, 40 + 312);
}

// Rows whose content is built on first use (document::set_content_builder)
// are built as they come into view, and land where built rows would.
TEST(Renderer, LightRowsAreBuiltWhereTheyComeIntoView) {
  headless_host host;
  std::vector<int> built;
  host.doc().set_content_builder([&](const dom::element& e) {
    const std::string n = e.get_attribute_utf8("id")->substr(2);
    built.push_back(std::stoi(n));
    e.set_html("<span>row " + n + "</span>", position::replace_content);
  });
  host.load_html(list_page(0));
  std::string rows;
  for (int i = 0; i < 10000; ++i)
    rows += "<div class=row id=r-" + std::to_string(i) + " lazy></div>";
  find(host, "#list").set_html(rows, position::replace_content);
  host.view().update();
  EXPECT_TRUE(find_text(host.paint(), "0"));
  EXPECT_LT(built.size(), 60u);

  dom::element box = find(host, "#box");
  ASSERT_TRUE(host.view().set_scroll_pos(box, 5000 * 20));
  const auto& painted = host.paint();
  for (int n = 5000; n <= 5015; ++n) {
    const paint_op* text = find_text(painted, std::to_string(n));
    ASSERT_TRUE(text) << n;
    EXPECT_EQ(text->box.y, kBoxTop + 5 + (n - 5000) * 20) << n;
  }
  EXPECT_LT(built.size(), 150u);
  EXPECT_EQ(std::count(built.begin(), built.end(), 5003), 1);
}

TEST(Renderer, MirrorSizeDoesNotGrowWithTheList) {
  std::size_t sizes[2];
  int i = 0;
  for (int rows : {1000, 20000}) {
    headless_host host;
    host.load_html(list_page(rows));
    host.view().set_scroll_pos(find(host, "#box"), rows * 10);
    host.view().update();
    sizes[i++] = host.view().mirror_size();
  }
  EXPECT_EQ(sizes[0], sizes[1]);
}

TEST(Renderer, LocatesRowsThatAreNotLaidOutFromTheHeightCache) {
  headless_host host;
  host.load_html(list_page(500));
  const litehtml::position first = to_position(host.view().location(row(host, 0)));
  EXPECT_EQ(first.y, kBoxTop + 5);
  EXPECT_EQ(first.height, 20);
  host.view().update();
  ASSERT_FALSE(mirror_of(host.view(), row(host, 400)));
  const litehtml::position far = to_position(host.view().location(row(host, 400)));
  EXPECT_EQ(far.y, kBoxTop + 5 + 400 * 20);
  EXPECT_EQ(far.height, 20);
  EXPECT_EQ(far.x, first.x);
  EXPECT_EQ(far.width, first.width);
  // An element inside such a row is placed at its row.
  EXPECT_TRUE(to_position(host.view().visible_area(row(host, 400))).empty());
}

TEST(Renderer, HitTestingThroughAScrolledBoxLandsOnTheRow) {
  headless_host host;
  host.load_html(list_page(2000));
  dom::element box = find(host, "#box");
  host.view().set_scroll_pos(box, 777 * 20 + 7);
  // y = 7 within row 777 is at the box's top padding edge + 5 - 7.
  for (int k = 0; k < 12; ++k) {
    const int y = kBoxTop + 5 - 7 + k * 20 + 10;
    EXPECT_EQ(host.view().element_at(30, y), row(host, 777 + k)) << k;
  }
  // Above the box the head, below it the foot; the box's own border is the box.
  EXPECT_EQ(host.view().element_at(30, 20), find(host, "#head"));
  EXPECT_EQ(host.view().element_at(30, 40 + 312 + 5), find(host, "#foot"));
  EXPECT_EQ(host.view().scroll_box_at(30, 100), box);
  EXPECT_FALSE(host.view().scroll_box_at(30, 20).is_valid());
}

TEST(Renderer, ScrollIntoViewMaterialisesAFarRow) {
  headless_host host;
  host.load_html(list_page(10000, ".row { height: 20px; } .tall { height: 45px; }"));
  // Rows of another height that the cache has never seen.
  for (int n = 8000; n < 9000; n += 3) row(host, n).set_attribute_utf8("class", "row tall");
  dom::element target = row(host, 9000);
  host.view().update();
  ASSERT_FALSE(mirror_of(host.view(), target));
  EXPECT_TRUE(host.view().scroll_to_view(target));
  ASSERT_TRUE(mirror_of(host.view(), target));
  const litehtml::position where = to_position(host.view().location(target));
  const litehtml::position box =
      to_position(host.view().location(find(host, "#box"), box_area::padding));
  EXPECT_GE(where.y, box.y);
  EXPECT_LE(where.bottom(), box.bottom());
  EXPECT_EQ(host.view().element_at(20, where.y + 10), target);
  // Scrolled from above: it shows at the bottom of the box.
  EXPECT_GE(where.bottom(), box.bottom() - 45);
  // And back to the top, aligned at the top.
  EXPECT_TRUE(host.view().scroll_to_view(row(host, 3), true));
  EXPECT_EQ(to_position(host.view().location(row(host, 3))).y, box.y);
}

TEST(Renderer, AStateChangeRestylesWithAttributeStylesIntact) {
  headless_host host;
  std::string rows;
  for (int i = 0; i < 100; ++i) {
    const std::string n = std::to_string(i);
    rows += "<tr id=t-" + n + "><td><table class=card border=1 cellspacing=4><tr><td id=c-" + n +
            " bgcolor=#00ff00>cell " + n + "</td></tr></table></td></tr>";
  }
  host.load_html(
      "<html><head><style>body { margin: 0 } #box { height: 200px; overflow: auto }"
      "#list, #list > tr, #list > tr > td { display: block }"
      "#list > tr:checked td { color: #0000ff }</style></head><body><div id=box>"
      "<table id=list>" +
      rows + "</table></div></body></html>");
  dom::element cell = find(host, "#c-2");
  host.view().update();
  auto mirror = mirror_of(host.view(), cell);
  ASSERT_TRUE(mirror);
  const litehtml::position before = to_position(host.view().location(cell));
  find(host, "#t-2").set_state(state::checked);
  const auto& painted = host.paint();
  const paint_op* text = find_text(painted, "2");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->color.blue, 255);
  // bgcolor, border=1 and cellspacing=4 still apply.
  EXPECT_EQ(mirror_of(host.view(), cell), mirror);
  EXPECT_EQ(mirror->get_borders().top, 1);
  const litehtml::position after = to_position(host.view().location(cell));
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
  bool green = false;
  for (const auto& op : painted)
    green = green || (op.what == paint_op::kind::background && op.border_box.x == after.x &&
                      op.border_box.y == after.y && op.color.green == 255);
  EXPECT_TRUE(green);
  find(host, "#t-2").set_state(0, state::checked);
  EXPECT_EQ(find_text(host.paint(), "2")->color.blue, 0);
}

TEST(Renderer, AHoverChangeRepaintsOnlyTheRow) {
  headless_host host;
  host.load_html(list_page(300,
                           ".row { height: 20px; } .row:hover { background-color: #eeeeee; }"
                           " .row:checked { height: 30px; }"));
  host.view().take_dirty_rects();
  const std::size_t layouts = host.view().layout_count();
  row(host, 3).set_state(state::hover);
  auto dirty = host.view().take_dirty_rects();
  EXPECT_EQ(host.view().layout_count(), layouts + 1);
  ASSERT_EQ(dirty.size(), 1u);
  const litehtml::position r3 = to_position(host.view().location(row(host, 3)));
  EXPECT_EQ(dirty[0].top, r3.y);
  EXPECT_EQ(dirty[0].bottom - dirty[0].top, r3.height);
  // A state that changes a height moves everything below it in the box, and
  // the scroll bar shows a longer content.
  row(host, 5).set_state(state::checked);
  dirty = host.view().take_dirty_rects();
  ASSERT_EQ(dirty.size(), 1u);
  const litehtml::position box =
      to_position(host.view().location(find(host, "#box"), box_area::padding));
  EXPECT_EQ(dirty[0].top, box.y);  // the bar's strip
  EXPECT_EQ(dirty[0].bottom, box.bottom());
  EXPECT_EQ(dirty[0].right, box.right());
  EXPECT_EQ(dirty[0].left, to_position(host.view().location(row(host, 5))).x);
  // Nothing changed: nothing to paint.
  EXPECT_TRUE(host.view().take_dirty_rects().empty());
  // A state no style sheet asks about changes nothing, and lays out nothing;
  // asked to, the renderer repaints the element.
  const std::size_t before = host.view().layout_count();
  row(host, 4).set_state(state::expanded, 0, false);
  EXPECT_TRUE(host.view().take_dirty_rects().empty());
  row(host, 4).update();
  dirty = host.view().take_dirty_rects();
  ASSERT_EQ(dirty.size(), 1u);
  EXPECT_EQ(dirty[0].top, to_position(host.view().location(row(host, 4))).y);
  EXPECT_EQ(host.view().layout_count(), before);
}

TEST(Renderer, TellsTheHostOnceWhenChangesStartToWait) {
  headless_host host;
  int calls = 0;
  host.view().set_change_callback([&] { ++calls; });
  host.load_html(list_page(100));
  EXPECT_EQ(calls, 1);
  host.view().update();
  row(host, 1).set_attribute_utf8("class", "row x");
  row(host, 2).set_state(state::hover);
  find(host, "#head").set_text(L"new");
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(host.view().needs_update());
  host.view().update();
  EXPECT_FALSE(host.view().needs_update());
  row(host, 3).update();
  EXPECT_EQ(calls, 3);
  // A change inside a row that is not laid out waits for nothing.
  host.view().update();
  row(host, 90).set_attribute_utf8("title", "far");
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(host.view().needs_update());
}

TEST(Renderer, InsertingAtTheTopShiftsTheRowsAndKeepsOneLayoutPerBatch) {
  headless_host host;
  host.load_html(list_page(5000));
  dom::element list = find(host, "#list");
  host.view().update();
  std::size_t layouts = host.view().layout_count();
  for (int i = 0; i < 5; ++i)
    list.set_html("<div class=row id=new-" + std::to_string(i) + ">new</div>",
                  position::insert_at_start);
  host.view().update();
  EXPECT_EQ(host.view().layout_count(), layouts + 1);
  EXPECT_EQ(to_position(host.view().location(find(host, "#new-4"))).y, kBoxTop + 5);
  EXPECT_EQ(to_position(host.view().location(row(host, 0))).y, kBoxTop + 5 + 5 * 20);
  EXPECT_EQ(to_position(host.view().location(row(host, 3000))).y, kBoxTop + 5 + 3005 * 20);
  scroll_metrics metrics;
  host.view().scroll_info(find(host, "#box"), metrics);
  EXPECT_EQ(metrics.content_height, 5005 * 20 + 10);

  // Scrolled to the middle, an insert at the top moves the content down.
  host.view().set_scroll_pos(find(host, "#box"), 2000 * 20);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 1995));
  list.set_html("<div class=row>newer</div>", position::insert_at_start);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 1994));
  row(host, 1994).delete_element();
  row(host, 0).delete_element();
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 1996));
}

TEST(Renderer, RowsOfUnequalHeightsLandWhereAFullLayoutPutsThem) {
  // Each row's height depends on its text; scroll through the list so every
  // row is measured, then compare with the same rows in a box that does not
  // scroll, which is mirrored whole.
  std::string css = "#list div { width: 200px } .row { } #box2 { padding: 5px }";
  std::string rows;
  for (int i = 0; i < 300; ++i)
    rows += "<div class=row>" + std::string(static_cast<std::size_t>((i * 7) % 61), 'w') + " " +
            std::to_string(i) + "</div>";
  auto page = [&](const char* box) {
    return "<html><head><style>body { margin: 0 } #box { height: 300px; overflow: auto; "
           "padding: 5px }" +
           css + "</style></head><body><div id=" + box + "><div id=list>" + rows +
           "</div></div></body></html>";
  };
  headless_host scrolled, whole(800, 100000);
  scrolled.load_html(page("box"));
  whole.load_html(page("box2"));
  dom::element box = find(scrolled, "#box");
  for (int y = 0; y < 40000; y += 150) scrolled.view().set_scroll_pos(box, y);
  scrolled.view().set_scroll_pos(box, 0);
  dom::element scrolled_list = find(scrolled, "#list"), whole_list = find(whole, "#list");
  for (std::size_t i = 0; i < 300; ++i) {
    const litehtml::position a = to_position(scrolled.view().location(scrolled_list.child(i)));
    const litehtml::position b = to_position(whole.view().location(whole_list.child(i)));
    ASSERT_EQ(a.y, b.y) << i;
    ASSERT_EQ(a.height, b.height) << i;
  }
  scroll_metrics metrics;
  scrolled.view().scroll_info(box, metrics);
  EXPECT_EQ(metrics.content_height,
            to_position(whole.view().location(find(whole, "#box2"), box_area::padding)).height);
}

TEST(Renderer, TextAndAttributeChangesOutsideListsReachTheMirror) {
  headless_host host;
  host.load_html(list_page(100));
  dom::element head = find(host, "#head");
  head.set_text(L"a new head & more");
  head.set_attribute_utf8("title", "tip");
  find(host, "#foot").set_html("<b>bold</b> foot", position::replace_content);
  host.view().update();
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()),
            expected_html(host.view(), *host.doc().root().node()));
  EXPECT_TRUE(find_text(host.paint(), "&"));
  head.remove_attribute("title");
  host.view().update();
  EXPECT_EQ(mirror_html(mirror_of(host.view(), head)), expected_html(host.view(), *head.node()));
}

TEST(Renderer, AFewRowsAreLaidOutWholeAndALongerListGetsSpacers) {
  headless_host host;
  host.load_html(list_page(10));
  dom::element list = find(host, "#list");
  host.view().update();
  EXPECT_EQ(*host.view().laid_out_rows(list), std::make_pair(std::size_t{0}, std::size_t{10}));
  for (int i = 10; i < 200; ++i)
    list.set_html("<div class=row id=r-" + std::to_string(i) + ">row</div>",
                  position::append_after_last);
  host.view().update();
  auto rows = *host.view().laid_out_rows(list);
  EXPECT_EQ(rows.first, 0u);
  EXPECT_LT(rows.second, 50u);
  EXPECT_EQ(to_position(host.view().location(row(host, 199))).y, kBoxTop + 5 + 199 * 20);
  // Back to a few rows: whole again.
  for (int i = 10; i < 200; ++i) row(host, i).delete_element();
  host.view().update();
  EXPECT_EQ(*host.view().laid_out_rows(list), std::make_pair(std::size_t{0}, std::size_t{10}));
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()),
            expected_html(host.view(), *host.doc().root().node()));
}

TEST(Renderer, ReplacingAllRowsOfALongListLaysOutOnlyTheNewRowsInView) {
  headless_host host;
  host.load_html(list_page(20000));
  dom::element list = find(host, "#list");
  host.view().set_scroll_pos(find(host, "#box"), 30000);
  host.view().update();
  const std::size_t mirrored = host.view().mirror_size();
  std::string rows;
  for (int i = 0; i < 20000; ++i)
    rows += "<div class=row id=n-" + std::to_string(i) + ">new " + std::to_string(i) + "</div>";
  list.set_html(rows, position::replace_content);
  // The box keeps its scroll position, which now shows other rows.
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 5 + 10), find(host, "#n-1500"));
  EXPECT_LE(host.view().mirror_size(), mirrored + 20);
  // A short list is laid out whole, then grows past the threshold.
  list.set_html("<div class=row id=only>only</div>", position::replace_content);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), find(host, "#only"));
  list.set_html(rows, position::replace_content);
  host.view().update();
  EXPECT_LE(host.view().mirror_size(), mirrored + 20);
  EXPECT_EQ(to_position(host.view().location(find(host, "#n-19999"))).y, kBoxTop + 5 + 19999 * 20);
}

TEST(Renderer, AListOfOneRowTakesManyInOneInsert) {
  // With one row the box's lone child could be a wrapper of content: the
  // rows are found again when the row gains siblings.
  headless_host host;
  host.load_html(list_page(1, ".row { height: 20px } .row b { display: block }"));
  find(host, "#r-0").set_html("<b>bold</b>");
  host.view().update();
  const std::size_t mirrored = host.view().mirror_size();
  std::string rows;
  for (int i = 1; i < 30000; ++i)
    rows += "<div class=row id=r-" + std::to_string(i) + "><b>" + std::to_string(i) + "</b></div>";
  find(host, "#list").set_html(rows, position::append_after_last);
  host.view().update();
  EXPECT_EQ(host.view().row_container(find(host, "#box")), find(host, "#list"));
  EXPECT_LT(host.view().mirror_size(), mirrored + 200);
  EXPECT_EQ(to_position(host.view().location(row(host, 29999))).y, kBoxTop + 5 + 29999 * 20);
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()),
            expected_html(host.view(), *host.doc().root().node()));
}

TEST(Renderer, ALongListBesideOtherContentInABoxIsTheBoxsRows) {
  headless_host host;
  std::string rows;
  for (int i = 0; i < 5000; ++i) rows += "<div class=row id=r-" + std::to_string(i) + ">row</div>";
  host.load_html(
      "<html><head><style>body { margin: 0 } #box { height: 300px; overflow: auto }"
      " .row { height: 20px } #title { height: 30px }</style></head><body><div id=box>"
      "<div id=title>title</div><div id=list>" +
      rows + "</div></div></body></html>");
  host.view().update();
  // Beside the title, the long list holds the rows.
  EXPECT_EQ(host.view().row_container(find(host, "#box")), find(host, "#list"));
  EXPECT_LT(host.view().mirror_size(), 200u);
  EXPECT_EQ(to_position(host.view().location(row(host, 4000))).y, 30 + 4000 * 20);
  host.view().scroll_to_view(row(host, 4000));
  EXPECT_EQ(host.view().element_at(10, to_position(host.view().location(row(host, 4000))).y + 5),
            row(host, 4000));
  find(host, "#title").delete_element();
  EXPECT_EQ(to_position(host.view().location(row(host, 4000))).y,
            to_position(host.view().location(row(host, 4001))).y - 20);
  host.view().set_scroll_pos(find(host, "#box"), 0);
  EXPECT_EQ(to_position(host.view().location(row(host, 4000))).y, 4000 * 20);
  EXPECT_LT(host.view().mirror_size(), 200u);
}

TEST(Renderer, SortingRowsLaysThemOutAgainInTheNewOrder) {
  headless_host host;
  host.load_html(list_page(1000));
  struct reverse : dom::element::comparator {
    int compare(const dom::element& a, const dom::element& b) override {
      return static_cast<int>(b.index()) - static_cast<int>(a.index());
    }
  } order;
  find(host, "#list").sort(order);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 999));
  EXPECT_EQ(to_position(host.view().location(row(host, 0))).y, kBoxTop + 5 + 999 * 20);
}

TEST(Renderer, ABoxThatStopsScrollingShowsAllItsRows) {
  headless_host host(800, 20000);
  host.load_html(list_page(200));
  host.view().update();
  EXPECT_LT(host.view().laid_out_rows(find(host, "#list"))->second, 200u);
  find(host, "#box").set_style_attribute("overflow", L"visible");
  find(host, "#box").set_style_attribute("height", L"auto");
  host.view().update();
  EXPECT_FALSE(host.view().laid_out_rows(find(host, "#list")));
  EXPECT_EQ(to_position(host.view().location(row(host, 199))).y, kBoxTop + 5 + 199 * 20);
  EXPECT_EQ(mirror_html(mirror_document(host.view())->root()),
            expected_html(host.view(), *host.doc().root().node()));
}

TEST(Renderer, PopupsShowAboveThePageWhereAsked) {
  headless_host host;
  std::string items;
  for (int i = 0; i < 200; ++i) items += "<li id=i" + std::to_string(i) + ">item</li>";
  host.load_html(
      "<html><head><style>body { margin: 0 } menu { display: none; margin: 0; padding: 2px;"
      " background-color: #ffffff } li { display: block; height: 20px }"
      " #long { max-height: 100px; overflow: auto; width: 150px }"
      " #holder { position: relative; left: 30px; top: 25px }</style></head><body>"
      "<p id=text>some text under the menus</p><menu id=short><li id=copy>Copy</li>"
      "<li id=paste>Paste</li></menu><div id=holder><menu id=long>" +
      items + "</menu></div></body></html>");
  EXPECT_FALSE(find_text(host.paint(), "Copy"));
  // The input says which popups show and where; the host hands them over.
  auto show = [&](const dom::element& popup, int x, int y) {
    const bool shown = host.in().show_popup_at(popup, {x, y}, find(host, "body"));
    host.geometry().sync_popups();
    return shown;
  };
  dom::element menu = find(host, "#short");
  ASSERT_TRUE(show(menu, 100, 8));
  const auto& painted = host.paint();
  const paint_op* copy = find_text(painted, "Copy");
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->box.x, 102);
  EXPECT_EQ(copy->box.y, 10);
  // Painted after the text it covers, and found first.
  EXPECT_GT(copy - painted.data(), find_text(painted, "text") - painted.data());
  EXPECT_EQ(host.view().element_at(110, 15), find(host, "#copy"));
  EXPECT_EQ(host.view().element_at(110, 35), find(host, "#paste"));
  EXPECT_EQ(to_position(host.view().location(menu)).x, 100);
  show(menu, 200, 300);
  EXPECT_EQ(host.view().element_at(210, 305), find(host, "#copy"));
  host.in().hide_popup(menu);
  host.geometry().sync_popups();
  EXPECT_FALSE(find_text(host.paint(), "Copy"));
  EXPECT_EQ(host.view().element_at(210, 305).tag_name(), "html");

  // Inside a positioned element, and a scrolling list of its own.
  dom::element list = find(host, "#long");
  ASSERT_TRUE(show(list, 400, 40));
  EXPECT_EQ(to_position(host.view().location(list)).x, 400);
  EXPECT_EQ(to_position(host.view().location(list)).y, 40);
  EXPECT_EQ(host.view().element_at(410, 40 + 2 + 45), find(host, "#i2"));
  EXPECT_TRUE(host.view().scroll_to_view(find(host, "#i150")));
  EXPECT_EQ(
      host.view().element_at(410, to_position(host.view().location(find(host, "#i150"))).y + 5),
      find(host, "#i150"));
  EXPECT_LT(host.view().laid_out_rows(list)->second - host.view().laid_out_rows(list)->first, 40u);
}

TEST(Renderer, AStyleSheetAddedLaterStylesEverythingAndKeepsScrollPositions) {
  headless_host host;
  host.load_html(list_page(3000));
  host.view().set_scroll_pos(find(host, "#box"), 1000 * 20);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 1000));
  find(host, "head").set_html("<style>.row { height: 40px } #head { height: 10px }</style>",
                              position::append_after_last);
  scroll_metrics metrics;
  ASSERT_TRUE(host.view().scroll_info(find(host, "#box"), metrics));
  EXPECT_EQ(metrics.scroll_y, 1000 * 20);
  // Rows now 40px high, the head 10px: row 500 is at the top of the box.
  EXPECT_EQ(host.view().element_at(20, 11 + 5 + 10), row(host, 500));
  EXPECT_EQ(to_position(host.view().location(row(host, 500))).height, 40);
  find(host, "head").child(1).delete_element();
  EXPECT_EQ(to_position(host.view().location(row(host, 1000))).height, 20);
  EXPECT_EQ(host.view().element_at(20, kBoxTop + 15), row(host, 1000));
}

TEST(Renderer, ReloadingForgetsTheOldPage) {
  headless_host host;
  host.load_html(list_page(500));
  host.view().set_scroll_pos(find(host, "#box"), 3000);
  host.view().update();
  host.load_html("<html><body><p id=p>fresh</p></body></html>");
  EXPECT_TRUE(find_text(host.paint(), "fresh"));
  EXPECT_FALSE(find_text(host.paint(), "row"));
  EXPECT_EQ(host.view().element_at(10, 20), find(host, "#p"));
}

}  // namespace
}  // namespace htmlayout::render
