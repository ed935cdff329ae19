// The engine's input side on a window like the program's, with 10,000 and
// 100,000 quote rows: the pointer moving from row to row (hover, enter,
// leave and move through every handler on the way), a click on a row, a key
// to the focused list, typing into an edited tag and a check item of the
// manage-tags menu. A stand-in geometry places row i at y = 60 i and
// answers from arithmetic, so that only the input side is measured.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/geometry.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"

namespace {

using htmlayout::point;
using htmlayout::rect;
using htmlayout::dom::element;

// Behaviours with the program's names and subscriptions, doing nothing.
htmlayout::behavior html_behavior(0x2, "html");
htmlayout::behavior body_behavior(0x2, "body");
htmlayout::behavior quote_behavior(0x101, "quote");
htmlayout::behavior qtag_behavior(0x1, "qtag");
htmlayout::behavior vtag_behavior(0x101, "vtag");
htmlayout::behavior quotelist_behavior(0x100, "quotelist");
htmlayout::behavior taglist_behavior(0x101, "taglist");
htmlayout::behavior grid_behavior(0x7, "cquote_grid");
htmlayout::behavior editable_grid_behavior(0x7, "ceditable_grid");
htmlayout::behavior menu_behavior(0x100, "manage-menu");

const char* const page = R"(<html><head><style>
html { behavior: html }
body { behavior: body }
#tagpane { behavior: taglist }
#taglist { behavior: ceditable_grid; overflow: auto }
#quotepane { behavior: quotelist }
#thequotelist { behavior: cquote_grid; overflow: auto; context-menu: selector(#quote-menu) }
div.quote { behavior: quote }
div.qtag { behavior: qtag }
div.vtag { behavior: vtag }
#manage-tags { behavior: manage-menu; display: none }
menu { display: none }
</style></head><body>
<div id=tagpane><table id=taglist multiple><tr><td><div class=vtag id=vt-1>tag</div></td></tr>
</table></div>
<div id=quotepane><table id=thequotelist multiple></table></div>
<menu id=manage-tags></menu><menu id=quote-menu><li action=copy_quote>Copy</li></menu>
</body></html>)";

std::string quote_row(int n) {
  std::string id = std::to_string(n);
  return "<tr><td><div class=\"quote\" id=\"q-" + id +
         "\"><table class=\"qtable\"><tr><td class=\"text\" colspan=2>Quote text number " + id +
         "</td></tr><tr><td class=\"links\"><div class=\"qtag\" id=\"qt-" + id +
         "-1\">alpha</div></td><td class=\"managecell\"><button class=\"managetags\" "
         "menu=\"manage-tags\">Manage...</button></td></tr></table></div></td></tr>";
}

// Rows of the quote list 60 pixels high from y = 0, each answering with its
// quote text cell; the menus' items at x >= 1000.
class row_geometry : public htmlayout::geometry {
 public:
  std::vector<element> text_cells;
  std::unordered_map<htmlayout::element_node*, rect> boxes;

  element element_at(point p) override {
    if (p.x >= 1000) {
      for (auto& [node, box] : boxes)
        if (p.y >= box.top && p.y < box.bottom && element(node).is_visible()) return element(node);
      return {};
    }
    size_t row = static_cast<size_t>(p.y / 60);
    return row < text_cells.size() ? text_cells[row] : element();
  }
  std::optional<rect> location(const element& e) override {
    auto found = boxes.find(e.node());
    if (found != boxes.end()) return found->second;
    return rect{0, 0, 800, 60};
  }
  htmlayout::scroll_range vertical_scroll(const element&) override { return {}; }
  void set_vertical_scroll(const element&, int) override {}
};

struct window {
  htmlayout::document doc;
  row_geometry layout;
  htmlayout::input in{doc, layout};
  element quotes;

  explicit window(int rows) {
    doc.set_notification_callback([](htmlayout::notification& n) -> uint32_t {
      if (n.code == htmlayout::notification_code::attach_behavior)
        htmlayout::answer_attach_behavior(static_cast<htmlayout::attach_behavior_notification&>(n));
      return 0;
    });
    doc.load_html(page);
    quotes = doc.root().select_first("#thequotelist");
    std::string html;
    for (int n = rows; n >= 1; --n) html += quote_row(n);
    quotes.set_html(html);
    layout.text_cells = quotes.select_all("td.text");
    element menu = doc.root().select_first("#manage-tags");
    std::string items;
    for (int t = 1; t <= 200; ++t)
      items += "<li type=\"check\" id=\"mtmcheck-" + std::to_string(t) + "\">tag</li>";
    menu.set_html(items);
    for (size_t i = 0; i < menu.children_count(); ++i)
      layout.boxes[menu.child(i).node()] = {1000, int(i) * 20, 1200, int(i) * 20 + 20};
  }
};

window& shared(int rows) {
  static std::unordered_map<int, std::unique_ptr<window>> windows;
  auto& w = windows[rows];
  if (!w) w = std::make_unique<window>(rows);
  return *w;
}

void BM_PointerMovesToTheNextRow(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  int y = 30;
  for (auto _ : state) {
    w.in.mouse_move({100, y}, 0, 0);
    y = (y + 60) % (60 * 1000);
  }
}
BENCHMARK(BM_PointerMovesToTheNextRow)->Arg(10000)->Arg(100000);

void BM_ClickOnARow(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  int y = 30;
  for (auto _ : state) {
    w.in.mouse_down({100, y}, htmlayout::mouse::main_button, 0);
    w.in.mouse_up({100, y}, htmlayout::mouse::main_button, 0);
    y = (y + 60) % (60 * 1000);
  }
}
BENCHMARK(BM_ClickOnARow)->Arg(10000)->Arg(100000);

void BM_KeyToTheFocusedList(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  w.in.set_focus(w.quotes);
  for (auto _ : state) {
    w.in.key_down(htmlayout::vk::down, 0);
    w.in.key_up(htmlayout::vk::down, 0);
  }
}
BENCHMARK(BM_KeyToTheFocusedList)->Arg(10000)->Arg(100000);

void BM_TypeIntoAnEditedTag(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  element table = w.doc.root().select_first("#taglist");
  element cell = table.select_first("div");
  table.set_attribute("editable", L"");
  cell.set_state(htmlayout::state::focus);
  for (auto _ : state) {
    w.in.characters(L"x", 0);
    w.in.key_down(htmlayout::vk::back, 0);
  }
  table.remove_attribute("editable");
}
BENCHMARK(BM_TypeIntoAnEditedTag)->Arg(10000)->Arg(100000);

void BM_CheckItemOfTheManageTagsMenu(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  element menu = w.doc.root().select_first("#manage-tags");
  htmlayout::show_popup(menu, w.layout.text_cells[0], htmlayout::placement::below);
  int item = 0;
  for (auto _ : state) {
    point p{1100, item * 20 + 10};
    w.in.mouse_down(p, htmlayout::mouse::main_button, 0);
    w.in.mouse_up(p, htmlayout::mouse::main_button, 0);
    item = (item + 1) % 200;
  }
  htmlayout::hide_popup(menu);
}
BENCHMARK(BM_CheckItemOfTheManageTagsMenu)->Arg(10000)->Arg(100000);

}  // namespace
