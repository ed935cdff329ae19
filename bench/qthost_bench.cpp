// The document widget showing the program's real main page (res/mainform.htm
// through the view, as the program loads it) with the default collection's
// tags and 10,000 or 100,000 quotes built by the view's fragments, in a
// window of 1000 x 700, painted offscreen through the widget's own paint
// event (QWidget::render). Measures the first paint after load (the widget
// made for the loaded page: mirror built, laid out, painted), one paint of
// the whole window, and scrolling the quote list by one page with its paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "htmlayout/qt/document_widget.h"
#include "view/testing/view_env.h"

namespace {

constexpr int kWidth = 1000, kHeight = 700;

void ensure_application() {
  static int argc = 1;
  static char name[] = "qthost_bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

pvl::Quote make_quote(std::mt19937& random, int id, const std::vector<pvl::Tag>& tags) {
  const char* const words[] = {"the", "quick", "brown", "fox",  "jumps", "over", "lazy",
                               "dog", "&",     "time",  "wise", "words", "of",   "a"};
  pvl::Quote quote{id, "", 1204880703 + int64_t{id} * 60, {}};
  const int length = 6 + static_cast<int>(random() % 40);
  for (int w = 0; w < length; ++w) {
    quote.m_utftext += words[random() % std::size(words)];
    quote.m_utftext += (w % 23 == 22) ? "\n" : " ";
  }
  const int count = 1 + static_cast<int>(random() % 3);
  for (int t = 0; t < count && !tags.empty(); ++t)
    quote.m_tags.push_back(tags[random() % tags.size()]);
  return quote;
}

// The view of the main page with `rows` quotes, built once per size.
pvl::testing::view_env& env_of(int rows) {
  // Emptied at exit before the logs it writes to are gone.
  static auto* built = new std::map<int, std::unique_ptr<pvl::testing::view_env>>;
  if (auto found = built->find(rows); found != built->end()) return *found->second;
  built->clear();  // one program's worth of logs and view at a time
  {
    auto made = std::make_unique<pvl::testing::view_env>();
    const std::vector<pvl::Tag> tags =
        pvl::testing::default_tags((pvl::testing::view_env::source() / "data").string());
    std::mt19937 random(11);
    std::vector<pvl::Quote> quotes;
    quotes.reserve(static_cast<std::size_t>(rows));
    for (int id = rows; id >= 1; --id) quotes.push_back(make_quote(random, id, tags));
    made->show(tags, quotes);
    static const bool cleared_at_exit = [] { return std::atexit([] { built->clear(); }) == 0; }();
    (void)cleared_at_exit;
    return *built->emplace(rows, std::move(made)).first->second;
  }
}

struct window {
  explicit window(htmlayout::document& doc) : widget(doc) {
    widget.resize(kWidth, kHeight);
    box = doc.root().select_first("#quotebox");
  }
  void paint() { widget.render(&image); }
  htmlayout::qt::document_widget widget;
  htmlayout::dom::element box;
  QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

// The layout's share (mirror built and laid out) is reported as layout_ms.
void BM_FirstPaintAfterLoad(benchmark::State& state) {
  ensure_application();
  htmlayout::document& doc = env_of(static_cast<int>(state.range(0))).view->document();
  double layout_ms = 0;
  for (auto _ : state) {
    auto w = std::make_unique<window>(doc);
    const auto start = std::chrono::steady_clock::now();
    w->widget.update_view();
    layout_ms +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    w->paint();
    state.PauseTiming();
    w.reset();  // destroyed outside the timing
    state.ResumeTiming();
  }
  state.counters["layout_ms"] = layout_ms / static_cast<double>(state.iterations());
}

void BM_PaintWindow(benchmark::State& state) {
  ensure_application();
  window w(env_of(static_cast<int>(state.range(0))).view->document());
  w.paint();
  for (auto _ : state) w.paint();
}

void BM_ScrollOnePageAndPaint(benchmark::State& state) {
  ensure_application();
  window w(env_of(static_cast<int>(state.range(0))).view->document());
  w.paint();
  htmlayout::render::scroll_metrics metrics;
  w.widget.view().scroll_info(w.box, metrics);
  const int middle = metrics.max_scroll_y() / 2;
  int y = middle;
  for (auto _ : state) {
    y += metrics.viewport_height;
    if (y > middle + 2000 * metrics.viewport_height) y = middle;
    w.widget.view().set_scroll_pos(w.box, y);
    w.widget.update_view();
    w.paint();
  }
}

BENCHMARK(BM_FirstPaintAfterLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWindow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollOnePageAndPaint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
