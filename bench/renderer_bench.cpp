// The renderer on the program's quote list: the quote fragments of the view
// (each with its tags, button and date) as rows of #thequotelist in a list
// pane 600 px wide and 600 px high, styled by the program's lists.css, in a
// window of 800 x 600, at 10,000 and 100,000 rows. Measures the first
// layout after load (mirror built and laid out), one quote inserted at the
// top and laid out, one row's state toggled and laid out, scrolling by one
// page, painting the window and one hit test; the size of the mirror, which
// must not grow with the list; and the view's rebuild of the whole list. Built twice: with the
// headless container (fixed text metrics, paint recorded) and, as renderer_qt_bench, with the
// QPainter container painting into an image.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/node.h"
#include "htmlayout/render/renderer.h"
#include "view/fragments.h"

#ifdef RENDER_BENCH_QT
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/qt/qt_container.h"
using bench_container = htmlayout::qt::qt_container;
#else
#include "htmlayout/render/testing/headless_container.h"
using bench_container = htmlayout::render::headless_container;
#endif

namespace {

using htmlayout::dom::element;
using htmlayout::render::renderer;

constexpr int kWidth = 800, kHeight = 600;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

pvl::Quote make_quote(std::mt19937& random, int id) {
  const char* const words[] = {"the", "quick", "brown", "fox",  "jumps", "over", "lazy",
                               "dog", "&",     "time",  "wise", "words", "of",   "a"};
  pvl::Quote quote{id, "", 1204880703 + int64_t{id} * 60, {}};
  const int length = 6 + static_cast<int>(random() % 40);
  for (int w = 0; w < length; ++w) {
    quote.m_utftext += words[random() % std::size(words)];
    quote.m_utftext += (w % 23 == 22) ? "\n" : " ";
  }
  const int tags = 1 + static_cast<int>(random() % 3);
  for (int t = 0; t < tags; ++t) {
    const int tag = 1 + static_cast<int>(random() % 40);
    quote.m_tags.push_back({tag, "tag " + std::to_string(tag)});
  }
  return quote;
}

std::string page(int rows) {
  std::mt19937 random(11);
  std::string html = "<html><head><style>" + read_file(PARVELA_SOURCE_DIR "/res/lists.css") +
                     "body { margin: 0; font-family: \"DejaVu Sans\", sans-serif; font-size: 13px }"
                     "#quotebox { width: 600px; height: 600px; overflow: auto }"
                     "</style></head><body><div id=quotebox><table id=thequotelist multiple>";
  html.reserve(static_cast<std::size_t>(rows) * 800);
  for (int id = rows; id >= 1; --id)
    html += pvl::row_fragment(pvl::quote_fragment(make_quote(random, id)));
  return html + "</table></div></body></html>";
}

// The engine's document of `rows` quotes, built once per size.
htmlayout::document& document_of(int rows) {
  static std::map<int, std::unique_ptr<htmlayout::document>> built;
  auto& doc = built[rows];
  if (!doc) {
    doc = std::make_unique<htmlayout::document>();
    doc->load_html(page(rows));
  }
  return *doc;
}

#ifdef RENDER_BENCH_QT
void ensure_application() {
  static int argc = 1;
  static char name[] = "renderer_qt_bench";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}
#else
void ensure_application() {}
#endif

struct view {
  explicit view(int rows) : doc(document_of(rows)), mirror(doc, container) {
    mirror.set_viewport(kWidth, kHeight);
    mirror.update();
    box = doc.root().select_first("#quotebox");
    list = doc.root().select_first("#thequotelist");
  }
  htmlayout::document& doc;
  bench_container container;
  renderer mirror;
  element box, list;
};

void BM_FirstLayout(benchmark::State& state) {
  ensure_application();
  htmlayout::document& doc = document_of(static_cast<int>(state.range(0)));
  std::size_t mirrored = 0, layouts = 0;
  for (auto _ : state) {
    bench_container container;
    renderer r(doc, container);
    r.set_viewport(kWidth, kHeight);
    r.update();
    mirrored = r.mirror_size();
    layouts = r.layout_count();
  }
  state.counters["mirror_nodes"] = static_cast<double>(mirrored);
  state.counters["layouts"] = static_cast<double>(layouts);
}

void BM_MirrorMemory(benchmark::State& state) {
  ensure_application();
  htmlayout::document& doc = document_of(static_cast<int>(state.range(0)));
  std::size_t bytes = 0, mirrored = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    {
      bench_container container;
      auto r = std::make_unique<renderer>(doc, container);
      r->set_viewport(kWidth, kHeight);
      r->update();
      bytes = mallinfo2().uordblks - before;
      mirrored = r->mirror_size();
    }
  }
  state.counters["heap_KB"] = static_cast<double>(bytes) / 1024.0;
  state.counters["mirror_nodes"] = static_cast<double>(mirrored);
}

void BM_InsertAtTop(benchmark::State& state) {
  ensure_application();
  const int rows = static_cast<int>(state.range(0));
  view v(rows);
  std::mt19937 random(3);
  int id = rows + 1;
  for (auto _ : state) {
    v.list.set_html(pvl::row_fragment(pvl::quote_fragment(make_quote(random, id++))),
                    htmlayout::position::insert_at_start);
    v.mirror.update();
    state.PauseTiming();
    v.list.child(0).delete_element();
    v.mirror.update();
    state.ResumeTiming();
  }
  state.counters["layouts/iter"] =
      static_cast<double>(v.mirror.layout_count()) / static_cast<double>(state.iterations()) / 2;
}

void BM_ToggleRowState(benchmark::State& state) {
  ensure_application();
  view v(static_cast<int>(state.range(0)));
  element row = v.list.child(1);
  for (auto _ : state) {
    if (row.get_state() & htmlayout::state::checked)
      row.set_state(0, htmlayout::state::checked);
    else
      row.set_state(htmlayout::state::checked);
    v.mirror.update();
  }
}

void BM_ScrollOnePage(benchmark::State& state) {
  ensure_application();
  view v(static_cast<int>(state.range(0)));
  htmlayout::render::scroll_metrics metrics;
  v.mirror.scroll_info(v.box, metrics);
  const int middle = metrics.max_scroll_y() / 2;
  v.mirror.set_scroll_pos(v.box, middle);
  v.mirror.update();
  int y = middle;
  for (auto _ : state) {
    y += metrics.viewport_height;
    if (y > middle + 2000 * metrics.viewport_height) y = middle;
    v.mirror.set_scroll_pos(v.box, y);
    v.mirror.update();
  }
  state.counters["mirror_nodes"] = static_cast<double>(v.mirror.mirror_size());
}

void BM_PaintViewport(benchmark::State& state) {
  ensure_application();
  view v(static_cast<int>(state.range(0)));
  htmlayout::render::scroll_metrics metrics;
  v.mirror.scroll_info(v.box, metrics);
  v.mirror.set_scroll_pos(v.box, metrics.max_scroll_y() / 2);
  v.mirror.update();
  const litehtml::position window(0, 0, kWidth, kHeight);
#ifdef RENDER_BENCH_QT
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    htmlayout::qt::paint_view(v.mirror, v.container, painter, window);
  }
#else
  for (auto _ : state) {
    v.container.clear_painted();
    v.mirror.paint(0, htmlayout::rect{0, 0, kWidth, kHeight});
  }
  state.counters["ops"] = static_cast<double>(v.container.painted().size());
#endif
}

void BM_HitTest(benchmark::State& state) {
  ensure_application();
  view v(static_cast<int>(state.range(0)));
  htmlayout::render::scroll_metrics metrics;
  v.mirror.scroll_info(v.box, metrics);
  v.mirror.set_scroll_pos(v.box, metrics.max_scroll_y() / 2);
  v.mirror.update();
  for (auto _ : state) benchmark::DoNotOptimize(v.mirror.element_at(300, 300));
}

// The view's rebuild of the whole list (a new search): every row replaced by
// one set_html, then laid out; arg 1 with the renderer watching, arg 0
// without one, so the difference is the renderer's share.
void BM_ReplaceAllRows(benchmark::State& state) {
  ensure_application();
  const int rows = static_cast<int>(state.range(0));
  htmlayout::document doc;
  doc.load_html(page(rows));
  std::mt19937 random(5);
  std::string html;
  for (int id = 1; id <= rows; ++id)
    html += pvl::row_fragment(pvl::quote_fragment(make_quote(random, rows + id)));
  bench_container container;
  std::unique_ptr<renderer> watching;
  if (state.range(1)) {
    watching = std::make_unique<renderer>(doc, container);
    watching->set_viewport(kWidth, kHeight);
    watching->update();
  }
  element list = doc.root().select_first("#thequotelist");
  for (auto _ : state) {
    list.set_html(html, htmlayout::position::replace_content);
    if (watching) watching->update();
  }
}

BENCHMARK(BM_FirstLayout)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorMemory)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InsertAtTop)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleRowState)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollOnePage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintViewport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTest)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplaceAllRows)
    ->Args({10000, 1})
    ->Args({10000, 0})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
