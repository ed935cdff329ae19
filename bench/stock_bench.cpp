// "accesskeys" on the root of a page with 10,000 and 100,000 quote rows (as
// the program's list builds them): a key that names no element (every
// letter typed into the page is one), a key that clicks a button at the end
// of the page, and, for comparison, a key that has no name at all. The
// geometry knows no boxes, so that only the engine's work is measured.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/geometry.h"
#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/stock_behaviors.h"

namespace {

using htmlayout::dom::element;

const char* const page = R"(<html><head><style>
html { behavior: accesskeys }
#thequotelist { overflow: auto }
</style></head><body><table id=thequotelist multiple></table>
<button id=save accesskey="^S">Save</button></body></html>)";

std::string quote_row(int n) {
  std::string id = std::to_string(n);
  return "<tr><td><div class=\"quote\" id=\"q-" + id +
         "\"><table class=\"qtable\"><tr><td class=\"text\" colspan=2>Quote text number " + id +
         "</td></tr><tr><td class=\"links\"><div class=\"qtag\" id=\"qt-" + id +
         "-1\">alpha</div></td><td class=\"managecell\"><button class=\"managetags\" "
         "menu=\"manage-tags\">Manage...</button></td></tr></table></div></td></tr>";
}

class no_boxes : public htmlayout::geometry {
 public:
  element element_at(htmlayout::point) override { return {}; }
  std::optional<htmlayout::rect> location(const element&) override { return std::nullopt; }
  htmlayout::scroll_range vertical_scroll(const element&) override { return {}; }
  void set_vertical_scroll(const element&, int) override {}
};

struct window {
  htmlayout::document doc;
  no_boxes layout;
  htmlayout::input in{doc, layout};

  explicit window(int rows) {
    htmlayout::register_stock_behaviors();
    doc.set_notification_callback([](htmlayout::notification& n) -> uint32_t {
      if (n.code == htmlayout::notification_code::attach_behavior)
        htmlayout::answer_attach_behavior(static_cast<htmlayout::attach_behavior_notification&>(n));
      return 0;
    });
    doc.load_html(page);
    std::string html;
    for (int n = rows; n >= 1; --n) html += quote_row(n);
    doc.root().select_first("#thequotelist").set_html(html);
  }
};

window& shared(int rows) {
  static std::unordered_map<int, std::unique_ptr<window>> windows;
  auto& w = windows[rows];
  if (!w) w = std::make_unique<window>(rows);
  return *w;
}

void BM_KeyNamingNoElement(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  for (auto _ : state) w.in.key_down('Q', 0);
}
BENCHMARK(BM_KeyNamingNoElement)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_KeyClickingAButton(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  for (auto _ : state) w.in.key_down('S', htmlayout::keyboard::control);
}
BENCHMARK(BM_KeyClickingAButton)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_KeyWithoutAName(benchmark::State& state) {
  window& w = shared(static_cast<int>(state.range(0)));
  for (auto _ : state) w.in.key_down('Q', htmlayout::keyboard::shift);
}
BENCHMARK(BM_KeyWithoutAName)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
