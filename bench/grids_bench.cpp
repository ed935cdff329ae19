// The grids' share of working a long quote list: the main page (res/, with
// its style sheets) showing 10,000 or 100,000 quote rows, laid out by the
// renderer in the headless host, the quote table holding the focus. Only the
// grids and the splitter are attached, so the rows the grid removes go
// nowhere (the model's deletions are measured by the model's benchmarks).
//   BM_CtrlA         Ctrl+A checks every row.
//   BM_DeleteAll     Delete with every row checked.
//   BM_DeleteTwo     Delete with two rows in the middle checked.
//   BM_RowClick      a press and release on a row, alternating between two;
//                    BM_RowClickWithoutGrid the same with no behaviour attached.
//   BM_SelectRowInDocument  the grid's work for a click without any layout.
// Each includes the posted events' delivery and the renderer's update,
// except the last.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/behaviors/table_rows.h"
#include "view/behaviors.h"
#include "view/fragments.h"
#include "view/grids.h"

namespace {

using htmlayout::dom::element;

const std::filesystem::path kRes = std::filesystem::path(PARVELA_SOURCE_DIR) / "res";

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string quote_rows(int first, int count) {
  std::string rows;
  for (int id = first; id < first + count; ++id) {
    pvl::Quote quote{id,
                     "quote number " + std::to_string(id) + " with a few words",
                     1204880703,
                     {{1 + id % 7, "tag"}}};
    rows += pvl::row_fragment(pvl::quote_fragment(quote));
  }
  return rows;
}

class main_page {
 public:
  // Without `grids` no behaviour is attached at all: the page then costs
  // what the engine and the renderer cost by themselves.
  main_page(int quotes, bool grids) : quotes_(quotes), grids_(grids) {
    pvl::register_behaviors();
    host_.doc().set_notification_callback([grids](htmlayout::notification& n) -> uint32_t {
      if (n.code != htmlayout::notification_code::attach_behavior || !grids) return 0;
      auto& request = static_cast<htmlayout::attach_behavior_notification&>(n);
      const std::string name = request.behavior_name;
      if (name == "cquote_grid" || name == "ceditable_grid" || name == "pvlsplitter")
        htmlayout::answer_attach_behavior(request);
      return 0;
    });
    const std::filesystem::path page = kRes / "mainform.htm";
    host_.load_html(read_file(page), page.string());
    fill();
  }

  // The list holds every quote again, nothing checked, the first row current.
  void fill() {
    table().set_html(quote_rows(1, quotes_));
    host_.in().set_focus(table());
    click(0);
  }
  element table() { return host_.doc().root().select_first("#thequotelist"); }
  void key(uint32_t code, uint32_t keys) {
    host_.in().key_down(code, keys);
    host_.view().update();
  }
  void click(size_t row) {
    const element text = table().child(row).select_first("td.text");
    std::optional<htmlayout::rect> box = host_.geometry().location(text);
    const htmlayout::point p{(box->left + box->right) / 2, (box->top + box->bottom) / 2};
    host_.in().mouse_down(p, htmlayout::mouse::main_button, 0);
    host_.in().mouse_up(p, htmlayout::mouse::main_button, 0);
    host_.view().update();
  }
  int quotes() const { return quotes_; }
  bool grids() const { return grids_; }
  size_t layouts() { return host_.view().layout_count(); }

 private:
  int quotes_;
  bool grids_;
  htmlayout::render::headless_host host_{1000, 700};
};

main_page& page_of(int quotes, bool grids = true) {
  static std::unique_ptr<main_page> page;
  if (!page || page->quotes() != quotes || page->grids() != grids) {
    page.reset();
    page = std::make_unique<main_page>(quotes, grids);
  }
  return *page;
}

void BM_CtrlA(benchmark::State& state) {
  main_page& page = page_of(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    htmlayout::checkall(page.table(), false);
    state.ResumeTiming();
    page.key(htmlayout::vk::key_a, htmlayout::keyboard::control);
  }
  state.counters["checked"] = static_cast<double>(htmlayout::checked_rows(page.table()).size());
  page.click(0);
}
BENCHMARK(BM_CtrlA)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DeleteAll(benchmark::State& state) {
  main_page& page = page_of(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    page.fill();
    htmlayout::checkall(page.table(), true);
    state.ResumeTiming();
    page.key(htmlayout::vk::del, 0);
  }
  state.counters["rows_left"] = static_cast<double>(page.table().children_count());
  page.fill();
}
BENCHMARK(BM_DeleteAll)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_DeleteTwo(benchmark::State& state) {
  main_page& page = page_of(static_cast<int>(state.range(0)));
  const size_t middle = static_cast<size_t>(page.quotes() / 2);
  for (auto _ : state) {
    state.PauseTiming();
    element table = page.table();
    if (static_cast<int>(table.children_count()) < page.quotes()) page.fill();
    // Row 0 stays current; two rows far below it are the selection.
    table.child(0).set_state(0, htmlayout::state::checked);
    table.child(middle).set_state(htmlayout::state::checked);
    table.child(middle + 10).set_state(htmlayout::state::checked);
    state.ResumeTiming();
    page.key(htmlayout::vk::del, 0);
  }
}
BENCHMARK(BM_DeleteTwo)->Arg(10000)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RowClick(benchmark::State& state) {
  main_page& page = page_of(static_cast<int>(state.range(0)));
  size_t row = 0;
  const size_t layouts = page.layouts();
  for (auto _ : state) {
    row ^= 1;
    page.click(row);
  }
  state.counters["layouts"] =
      static_cast<double>(page.layouts() - layouts) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RowClick)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same clicks on the page without behaviours: hit testing, hover and
// the renderer's update alone.
void BM_RowClickWithoutGrid(benchmark::State& state) {
  main_page& page = page_of(static_cast<int>(state.range(0)), false);
  size_t row = 0;
  const size_t layouts = page.layouts();
  for (auto _ : state) {
    row ^= 1;
    page.click(row);
  }
  state.counters["layouts"] =
      static_cast<double>(page.layouts() - layouts) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RowClickWithoutGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The grid's own work for a click, without layout: making a row the
// current and only checked one of a "multiple" table in the main page's
// document (style sheets and indexes kept up to date, no renderer).
void BM_SelectRowInDocument(benchmark::State& state) {
  htmlayout::document doc;
  const std::filesystem::path page = kRes / "mainform.htm";
  doc.load_html(read_file(page), page.string());
  element table = doc.root().select_first("#thequotelist");
  table.set_html(quote_rows(1, static_cast<int>(state.range(0))));
  size_t row = 0;
  for (auto _ : state) {
    row ^= 1;
    htmlayout::set_current_row(table, table.child(row), 0, false);
    pvl::update_multiselect(table);
    doc.deliver_posted_events();
  }
}
BENCHMARK(BM_SelectRowInDocument)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
