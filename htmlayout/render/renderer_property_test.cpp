// The document and its mirror agree after long random sequences of changes:
// rows inserted, deleted and moved, attributes and states changed (some of
// them change heights, also of rows that are not laid out), texts replaced,
// rows sorted, boxes scrolled, content put beside the list in its box. After every batch the
// mirror's HTML equals the document's (with each box's rows limited to those laid out), the rows
// follow each other without gap or overlap whether laid out or not, every
// row that shows in its box is laid out, the rows laid out are styled as
// their classes, attributes and states say, and hit testing finds the row
// that is located under the point.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/mirror_access.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/render/testing/mirror_html.h"

namespace htmlayout::render {
namespace {

using test_support::expected_html;
using test_support::mirror_html;

bool has_class(const std::string& classes, const std::string& name) {
  return (" " + classes + " ").find(" " + name + " ") != std::string::npos;
}

const char kCss[] = R"CSS(
body { margin: 0 }
#head { height: 30px } #head.big { height: 50px }
#box { height: 250px; overflow: auto; padding: 4px; border: 2px solid black }
#side { height: 60px; overflow: auto; width: 120px; float: right }
#list .row { width: 220px }
.row.tall { padding-bottom: 13px }
.row:checked { border-top: 3px solid #ff0000 }
.row:hover { background-color: #eeeeee }
.row[wide] span { font-size: 24px }
.row:current span { color: #00ff00 }
#list:focus .row { padding-top: 1px }
)CSS";

std::string row_html(int id, int words) {
  std::string text;
  for (int w = 0; w < words; ++w) text += w ? " word" : "word";
  return "<div class=row id=r" + std::to_string(id) + "><span>" + std::to_string(id) + "</span> " +
         text + "</div>";
}

class random_session {
 public:
  random_session() : random_(20240607) {
    std::string rows;
    for (int i = 0; i < 160; ++i) rows += row_html(next_id_++, pick(0, 12));
    std::string side;
    for (int i = 0; i < 6; ++i) side += "<p class=row id=s" + std::to_string(i) + ">side</p>";
    host_.load_html(std::string("<html><head><style>") + kCss +
                    "</style></head><body><div id=head>head <b>text</b></div><div id=side>" + side +
                    "</div><div id=box><div id=list>" + rows +
                    "</div></div><div id=foot>foot</div></body></html>");
  }

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  dom::element list() { return host_.doc().root().select_first("#list"); }
  dom::element box() { return host_.doc().root().select_first("#box"); }
  dom::element any_row() {
    dom::element l = list();
    if (l.children_count() == 0) return {};
    return l.child(static_cast<std::size_t>(pick(0, static_cast<int>(l.children_count()) - 1)));
  }
  // A row, something inside one, or something outside the list.
  dom::element any_element() {
    switch (pick(0, 5)) {
      case 0:
        return host_.doc().root().select_first("#head");
      case 1:
        return host_.doc().root().select_first("#side").child(static_cast<std::size_t>(pick(0, 5)));
      case 2:
        return list();
      case 3: {
        dom::element row = any_row();
        return row ? row.child(0) : row;
      }
      default:
        return any_row();
    }
  }

  void change() {
    const uint32_t states[] = {state::checked, state::hover, state::current, state::focus,
                               state::expanded};
    switch (pick(0, 12)) {
      case 0:
      case 1: {  // insert rows
        dom::element row = any_row();
        std::string html;
        for (int n = pick(1, 3); n > 0; --n) html += row_html(next_id_++, pick(0, 12));
        const int where = pick(0, 3);
        if (!row || where == 0)
          list().set_html(html, position::insert_at_start);
        else if (where == 1)
          list().set_html(html, position::append_after_last);
        else
          row.set_html(html, where == 2 ? position::insert_before : position::insert_after);
        break;
      }
      case 2:
        if (dom::element row = any_row()) row.delete_element();
        break;
      case 3: {  // move a row elsewhere
        dom::element row = any_row();
        if (!row) break;
        row.detach();
        list().insert(row,
                      static_cast<std::size_t>(pick(0, static_cast<int>(list().children_count()))));
        break;
      }
      case 4:
      case 5: {
        dom::element e = any_element();
        const char* names[] = {"class", "wide", "title"};
        const char* name = names[pick(0, 2)];
        if (pick(0, 2) == 0) {
          e.remove_attribute(name);
        } else {
          std::string value = name == std::string("class") ? (pick(0, 1) ? "row tall" : "row")
                                                           : std::to_string(pick(0, 99));
          if (e == host_.doc().root().select_first("#head")) value = pick(0, 1) ? "big" : "";
          e.set_attribute_utf8(name, value);
        }
        break;
      }
      case 6:
      case 7: {
        dom::element e = any_element();
        const uint32_t bit = states[pick(0, 4)];
        if (e.get_state() & bit)
          e.set_state(0, bit);
        else
          e.set_state(bit);
        break;
      }
      case 8: {
        dom::element row = any_row();
        if (!row) break;
        if (pick(0, 1))
          row.child(0).set_text(L"text " + std::to_wstring(pick(0, 999)));
        else
          row.set_html("<span>" + std::to_string(pick(0, 9)) + "</span> " +
                           std::string(static_cast<std::size_t>(pick(0, 90)), 'x'),
                       position::replace_content);
        break;
      }
      case 9:
        host_.view().set_scroll_pos(box(), pick(0, 9000));
        break;
      case 10:
        if (dom::element row = any_row()) host_.view().scroll_to_view(row, pick(0, 1) == 1);
        break;
      case 11:  // content in the box beside the list comes and goes
        if (dom::element note = box().select_first(".note"))
          note.delete_element();
        else
          box().set_html("<div class=note>a note <b>above</b> the list</div>",
                         position::insert_at_start);
        break;
      default:
        if (pick(0, 5) == 0) {
          struct by_id : dom::element::comparator {
            int compare(const dom::element& a, const dom::element& b) override {
              return a.get_attribute_utf8("id").value_or("") <
                             b.get_attribute_utf8("id").value_or("")
                         ? -1
                         : 1;
            }
          } order;
          list().sort(order);
        } else {
          host_.view().set_scroll_pos(box(), pick(0, 300));
        }
        break;
    }
  }

  void check(int step) {
    renderer& view = host_.view();
    view.update();
    ASSERT_EQ(mirror_html(mirror_document(view)->root()),
              expected_html(view, *host_.doc().root().node()))
        << "step " << step;

    dom::element l = list();
    const std::size_t count = l.children_count();
    const auto laid_out = view.laid_out_rows(l);
    const litehtml::position shown = to_position(view.location(box(), box_area::padding));
    const litehtml::position content = to_position(view.location(l, box_area::content));
    const dom::element note = box().select_first(".note");
    int bottom = content.y;
    for (std::size_t i = 0; i < count; ++i) {
      dom::element row = l.child(i);
      const litehtml::position at = to_position(view.location(row));
      ASSERT_EQ(at.y, bottom) << "row " << i << " of " << count << " at step " << step;
      bottom = at.bottom();
      const bool mirrored = mirror_of(view, row) != nullptr;
      if (laid_out) {
        ASSERT_EQ(mirrored, i >= laid_out->first && i < laid_out->second);
      }
      if (at.bottom() > shown.y && at.y < shown.bottom()) {
        ASSERT_TRUE(mirrored) << "row " << i << " shows but is not laid out, step " << step;
      }
      if (mirrored && at.y >= shown.y && at.bottom() <= shown.bottom() && at.height > 4) {
        dom::element hit = view.element_at(at.x + 1, at.y + at.height / 2);
        ASSERT_TRUE(hit == row || hit.parent() == row) << "step " << step;
      }
    }
    // The styles of the rows laid out follow their classes, attributes and
    // states and those of the list, as the style sheet says.
    const bool list_focused = l.get_state() & state::focus;
    auto wide_row = [](const dom::element& e) {
      return has_class(e.get_attribute_utf8("class").value_or(""), "row") &&
             e.has_attribute("wide");
    };
    for (std::size_t i = 0; i < count; ++i) {
      dom::element row = l.child(i);
      litehtml::element::ptr mirror = mirror_of(view, row);
      if (!mirror) continue;
      const std::string classes = row.get_attribute_utf8("class").value_or("");
      const bool is_row = has_class(classes, "row");
      ASSERT_EQ(mirror->padding_bottom(), is_row && has_class(classes, "tall") ? 13 : 0)
          << "step " << step;
      ASSERT_EQ(mirror->border_top(), is_row && (row.get_state() & state::checked) ? 3 : 0)
          << "step " << step;
      ASSERT_EQ(mirror->padding_top(), is_row && list_focused ? 1 : 0) << "step " << step;
      if (row.children_count() > 0 && row.child(0).tag_name() == "span") {
        litehtml::element::ptr span = mirror_of(view, row.child(0));
        ASSERT_TRUE(span);
        ASSERT_EQ(span->get_font_size(), wide_row(row) || wide_row(l) ? 24 : 16) << "step " << step;
      }
    }

    scroll_metrics metrics;
    ASSERT_TRUE(view.scroll_info(box(), metrics));
    // The content: the list (with any padding it was given) and the box's padding.
    const litehtml::position inside = to_position(view.location(box(), box_area::content));
    const int list_bottom = to_position(view.location(l, box_area::margin)).bottom();
    ASSERT_EQ(view.row_container(box()), l) << "step " << step;
    if (note) {
      ASSERT_EQ(to_position(view.location(note)).bottom(),
                to_position(view.location(l, box_area::margin)).y);
    }
    ASSERT_EQ(metrics.content_height,
              std::max(metrics.viewport_height, list_bottom + metrics.scroll_y - inside.y + 8))
        << "step " << step;
  }

  headless_host host_;

 private:
  std::mt19937 random_;
  int next_id_ = 0;
};

TEST(RendererProperty, DocumentAndMirrorAgreeThroughRandomChanges) {
  random_session session;
  session.check(-1);
  for (int step = 0; step < 400; ++step) {
    const int changes = session.pick(1, 5);
    for (int c = 0; c < changes; ++c) session.change();
    session.check(step);
    if (testing::Test::HasFatalFailure()) return;
  }
  // The mirror stayed small however the list changed.
  EXPECT_LT(session.host_.view().laid_out_rows(session.list())->second -
                session.host_.view().laid_out_rows(session.list())->first,
            60u);
}

}  // namespace
}  // namespace htmlayout::render
