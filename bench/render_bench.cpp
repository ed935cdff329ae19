// Layout, viewport paint and hit testing of the renderer's mirror of a quote
// list of 10,000 and 100,000 entries, scrolled to the middle: 30 rows around
// the viewport exist in litehtml, spacers stand in for the others. Built
// twice: with the headless container (fixed text metrics, paint recorded) and,
// as render_qt_bench, with the QPainter container painting into an image.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/sample_page.h"
#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/scroll_box.h"

#ifdef RENDER_BENCH_QT
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "htmlayout/qt/qt_container.h"
using bench_container = htmlayout::qt::qt_container;
#else
#include "htmlayout/render/testing/headless_container.h"
using bench_container = htmlayout::render::headless_container;
#endif

namespace {

using namespace htmlayout::render;

constexpr int kWidth = 800, kHeight = 600, kMirrorRows = 30, kTags = 200;

struct mirror {
  bench_container container;
  loaded_document loaded;
  scrollable* list = nullptr;
};

// The height one quote row takes in this container.
int row_height(bench_container& container) {
  loaded_document one = load_document(sample::page(1, 0), container, sample::page_css());
  one.document->render(kWidth);
  return locate(one.document->root()->select_one(std::string("#rows > tr"))).height;
}

std::unique_ptr<mirror> make_mirror(int total) {
  auto made = std::make_unique<mirror>();
  made->container.set_viewport(kWidth, kHeight);
  const int height = row_height(made->container);
  const int first = total / 2 - kMirrorRows / 2;
  made->loaded =
      load_document(sample::mirror_page(total, first, first + kMirrorRows - 1, height, kTags),
                    made->container, sample::page_css());
  made->loaded.document->render(kWidth);
  made->list = as_scroll_box(made->loaded.document->root()->select_one(std::string("#listpane")));
  // The viewport shows the rows a third of the way into the mirrored ones.
  made->list->set_scroll_y((first - 1 + kMirrorRows / 3) * height);
  return made;
}

#ifdef RENDER_BENCH_QT
void ensure_application() {
  static int argc = 1;
  static char name[] = "render_qt_bench";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}
#else
void ensure_application() {}
#endif

void BM_Layout(benchmark::State& state) {
  ensure_application();
  auto m = make_mirror(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(m->loaded.document->render(kWidth));
  state.counters["doc_height"] = m->loaded.document->height();
}

void BM_PaintViewport(benchmark::State& state) {
  ensure_application();
  auto m = make_mirror(static_cast<int>(state.range(0)));
  const litehtml::position viewport(0, 0, kWidth, kHeight);
#ifdef RENDER_BENCH_QT
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    m->container.paint(*m->loaded.document, painter, viewport);
  }
#else
  for (auto _ : state) {
    m->container.clear_painted();
    m->loaded.document->draw(0, 0, 0, &viewport);
  }
  state.counters["ops"] = static_cast<double>(m->container.painted().size());
#endif
}

void BM_HitTest(benchmark::State& state) {
  ensure_application();
  auto m = make_mirror(static_cast<int>(state.range(0)));
  litehtml::element::ptr root = m->loaded.document->root();
  for (auto _ : state) benchmark::DoNotOptimize(root->get_element_by_point(500, 300, 500, 300));
}

void BM_BuildMirror(benchmark::State& state) {
  ensure_application();
  for (auto _ : state) benchmark::DoNotOptimize(make_mirror(static_cast<int>(state.range(0))));
}

BENCHMARK(BM_Layout)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintViewport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTest)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildMirror)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
