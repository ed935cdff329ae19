// Random changes to rows (insert, delete, move, sort, attributes, states, texts), scrolls, content
// beside the list, the rows put on a shelf and back (changed meanwhile); after each batch the
// mirror equals the document, rows follow without gaps, every row that shows is laid out and
// styled as it says, and hit testing finds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/render/testing/mirror_html.h"

namespace htmlayout::render {
namespace {

bool has_class(const dom::element& e, const std::string& name) {
  return (" " + e.get_attribute_utf8("class").value_or("") + " ").find(" " + name + " ") !=
         std::string::npos;
}

const char kCss[] = R"CSS(body { margin: 0 } #head { height: 30px } #head.big { height: 50px }
#box { height: 250px; overflow: auto; padding: 4px; border: 2px solid black }
#side { height: 60px; overflow: auto; width: 120px; float: right } #list .row { width: 220px }
.row.tall { padding-bottom: 13px } .row:checked { border-top: 3px solid #ff0000 }
.row:hover { background-color: #eeeeee } .row[wide] span { font-size: 24px }
.row:current span { color: #00ff00 } #list:focus .row { padding-top: 1px }
#list[title] { font-size: 18px }
)CSS";

std::string row_html(int id, int words) {
  std::string text;
  for (int w = 0; w < words; ++w) text += w ? " word" : "word";
  return "<div class=row id=r" + std::to_string(id) + "><span>" + std::to_string(id) + "</span> " +
         text + "</div>";
}

class random_session {
 public:
  explicit random_session(unsigned seed) : random_(seed) {
    std::string rows, side;
    for (int i = 0; i < 160; ++i) rows += row_html(next_id_++, pick(0, 12));
    for (int i = 0; i < 6; ++i) side += "<p class=row id=s" + std::to_string(i) + ">side</p>";
    host.load_html(std::string("<html><head><style>") + kCss +
                   "</style></head><body><div id=head>head <b>text</b></div><div id=side>" + side +
                   "</div><div id=box><div id=list>" + rows +
                   "</div></div><div id=foot>foot</div></body></html>");
  }

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  dom::element find(const char* selector) { return host.doc().root().select_first(selector); }
  dom::element list() { return find("#list"); }
  dom::element box() { return find("#box"); }
  dom::element any_row() {
    const int rows = static_cast<int>(list().children_count());
    return rows ? list().child(static_cast<std::size_t>(pick(0, rows - 1))) : dom::element();
  }
  dom::element any_element() {
    const int what = pick(0, 5);
    if (what == 0) return find("#head");
    if (what == 1) return find("#side").child(static_cast<std::size_t>(pick(0, 5)));
    if (what == 2) return list();
    dom::element row = any_row();
    return what == 3 && row ? row.child(0) : row;
  }

  // One random change; the table's order gives the weights (insertions, attributes and states twice).
  void change() {
    const uint32_t states[] = {state::checked, state::hover, state::current, state::focus, state::expanded};
    const char* attributes[] = {"class", "wide", "title"};
    auto insert = [&] {
      dom::element row = any_row();
      std::string html;
      for (int n = pick(1, 3); n > 0; --n) html += row_html(next_id_++, pick(0, 12));
      const int where = pick(0, 3);
      if (!row || where < 2)
        list().set_html(html, where == 1 ? position::append_after_last : position::insert_at_start);
      else
        row.set_html(html, where == 2 ? position::insert_before : position::insert_after);
    };
    auto set_attribute = [&](dom::element e) {
      const std::string name = attributes[pick(0, 2)];
      if (pick(0, 2) == 0) return e.remove_attribute(name);
      std::string value = name == "class" ? (pick(0, 1) ? "row tall" : "row") : std::to_string(pick(0, 99));
      if (e == find("#head")) value = pick(0, 1) ? "big" : "";
      e.set_attribute_utf8(name, value);
    };
    auto flip_state = [&](dom::element e) {
      const uint32_t bit = states[pick(0, 4)];
      if (e == list() && pick(0, 1))  // Ctrl+A, or the selection dropped
        return e.set_children_state(static_cast<std::size_t>(pick(0, 150)), pick(0, 1) ? bit : 0, bit);
      e.get_state() & bit ? e.set_state(0, bit) : e.set_state(bit);
    };
    const std::function<void()> actions[] = {
        insert, insert, [&] { if (dom::element row = any_row()) row.delete_element(); },
        [&] {
          if (dom::element row = any_row()) {
            row.detach();
            list().insert(row, static_cast<std::size_t>(pick(0, int(list().children_count()))));
          }
        },
        [&] { set_attribute(any_element()); }, [&] { set_attribute(any_element()); },
        [&] { flip_state(any_element()); }, [&] { flip_state(any_element()); },
        [&] {
          dom::element row = any_row();
          if (row && pick(0, 1))
            row.child(0).set_text(L"text " + std::to_wstring(pick(0, 999)));
          else if (row)
            row.set_html("<span>" + std::to_string(pick(0, 9)) + "</span> " +
                             std::string(static_cast<std::size_t>(pick(0, 90)), 'x'),
                         position::replace_content);
        },
        [&] { host.view().set_scroll_pos(box(), pick(0, 9000)); },
        [&] { if (dom::element row = any_row()) host.view().scroll_to_view(row, pick(0, 1) == 1); },
        [&] {  // content in the box beside the list comes and goes
          if (dom::element note = box().select_first(".note"))
            note.delete_element();
          else
            box().set_html("<div class=note>a note <b>above</b> the list</div>", position::insert_at_start);
        },
        [&] {
          struct by_id : dom::element::comparator {
            int compare(const dom::element& a, const dom::element& b) override {
              return a.get_attribute_utf8("id") < b.get_attribute_utf8("id") ? -1 : 1;
            }
          } order;
          if (pick(0, 5) == 0)
            list().sort(order);
          else
            host.view().set_scroll_pos(box(), pick(0, 300));
        },
        [&] {  // a search puts the rows aside, its Clear brings them back
          if (!shelf_) shelf_ = host.doc().create_shelf();
          const int shelved = static_cast<int>(shelf_.children_count());
          if (shelved > 0 && pick(0, 1)) {
            dom::element row = shelf_.child(static_cast<std::size_t>(pick(0, shelved - 1)));
            return pick(0, 1) ? set_attribute(row) : flip_state(row);
          }
          list().exchange_children(shelf_);
          if (list().children_count() > 0) return;
          std::string found;  // the rows a search found
          for (int n = pick(41, 60); n > 0; --n) found += row_html(next_id_++, pick(0, 12));
          list().set_html(found, position::append_after_last);
        }};
    actions[pick(0, 13)]();
  }

  void check() {
    renderer& view = host.view();
    view.update();
    ASSERT_EQ(test_support::mirror_html(mirror_document(view)->root()),
              test_support::expected_html(view, *host.doc().root().node()));
    dom::element l = list();
    const auto laid_out = view.laid_out_rows(l);
    const litehtml::position shown = to_position(view.location(box(), box_area::padding));
    auto wide_row = [](const auto& e) { return has_class(e, "row") && e.has_attribute("wide"); };
    int bottom = to_position(view.location(l, box_area::content)).y;
    for (std::size_t i = 0; i < l.children_count(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i));
      dom::element row = l.child(i);
      const litehtml::position at = to_position(view.location(row));
      ASSERT_EQ(at.y, bottom);
      bottom = at.bottom();
      litehtml::element::ptr mirror = mirror_of(view, row);
      ASSERT_TRUE(!laid_out || (mirror != nullptr) == (i >= laid_out->first && i < laid_out->second));
      ASSERT_TRUE(mirror || at.bottom() <= shown.y || at.y >= shown.bottom()) << "shows, not laid out";
      if (!mirror) continue;
      if (at.y >= shown.y && at.bottom() <= shown.bottom() && at.height > 4) {
        dom::element hit = view.element_at(at.x + 1, at.y + at.height / 2);
        ASSERT_TRUE(hit == row || hit.parent() == row);
      }
      const bool is_row = has_class(row, "row");
      ASSERT_EQ(mirror->padding_bottom(), is_row && has_class(row, "tall") ? 13 : 0);
      ASSERT_EQ(mirror->border_top(), is_row && (row.get_state() & state::checked) ? 3 : 0);
      ASSERT_EQ(mirror->padding_top(), is_row && (l.get_state() & state::focus) ? 1 : 0);
      if (row.children_count() > 0 && row.child(0).tag_name() == "span") {
        litehtml::element::ptr span = mirror_of(view, row.child(0));
        ASSERT_TRUE(span);
        ASSERT_EQ(span->get_font_size(), wide_row(row) || wide_row(l) ? 24
                                         : l.has_attribute("title")   ? 18
                                                                      : 16);
      }
    }
    scroll_metrics metrics;
    ASSERT_TRUE(view.scroll_info(box(), metrics));
    // A short list (the shelf's search results, rows deleted) is laid out whole, and the rows may
    // be the box's children then: the note beside the list makes them several.
    if (l.children_count() > renderer::kWholeListRows)
      ASSERT_EQ(view.row_container(box()), l);
    else
      ASSERT_TRUE(view.row_container(box()) == l || view.row_container(box()) == box());
    const litehtml::position list_box = to_position(view.location(l, box_area::margin));
    if (dom::element note = box().select_first(".note")) {
      ASSERT_EQ(to_position(view.location(note)).bottom(), list_box.y);
    }
    const int inside = to_position(view.location(box(), box_area::content)).y;
    ASSERT_EQ(metrics.content_height,
              std::max(metrics.viewport_height, list_box.bottom() + metrics.scroll_y - inside + 8));
  }

  headless_host host;

 private:
  std::mt19937 random_;
  dom::element shelf_;
  int next_id_ = 0;
};

class RendererProperty : public ::testing::TestWithParam<unsigned> {};

TEST_P(RendererProperty, DocumentAndMirrorAgreeThroughRandomChanges) {
  random_session session(GetParam());
  session.check();
  for (int step = 0; step < 400 && !HasFatalFailure(); ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    for (int changes = session.pick(1, 5); changes > 0; --changes) session.change();
    session.check();
  }
  if (session.list().children_count() <= renderer::kWholeListRows) return;
  const auto rows = session.host.view().laid_out_rows(session.list());
  ASSERT_TRUE(rows);
  EXPECT_LT(rows->second - rows->first, 60u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RendererProperty, ::testing::Values(20240607u, 5u, 2u, 24u));

}  // namespace
}  // namespace htmlayout::render
