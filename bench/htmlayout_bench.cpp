// Builds a document like the program's main window the way its view does:
// a tag table of 200 rows and a quote table that gets one row at a time,
// inserted before the first row. Measures the build, selection by id and
// the memory each row takes.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <random>
#include <string>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/large_memory.h"
#include "htmlayout/dom/node.h"

namespace {

using htmlayout::dom::element;

// Behaviours with the program's names and subscriptions, doing nothing.
htmlayout::behavior quote_behavior(0x101, "quote");
htmlayout::behavior qtag_behavior(0x1, "qtag");
htmlayout::behavior vtag_behavior(0x101, "vtag");
htmlayout::behavior managetags_behavior(0x101, "managetags");
htmlayout::behavior quotelist_behavior(0x100, "quotelist");
htmlayout::behavior taglist_behavior(0x101, "taglist");
htmlayout::behavior grid_behavior(0x7, "cquote_grid");
htmlayout::behavior editable_grid_behavior(0x7, "ceditable_grid");
htmlayout::behavior sms_behavior(0x100, "sms");

const char* const page = R"(<html><head><style>
body { behavior: body }
html { behavior: html }
#tagpane { behavior: taglist }
#taglist { behavior: ceditable_grid; overflow: auto }
#quotepane { behavior: quotelist }
#thequotelist { behavior: cquote_grid; overflow: auto }
#thequotelist tr:checked { cursor: pointer }
div.quote { behavior: quote; context-menu: selector(#quote-menu) }
div.qtag { behavior: qtag; cursor: pointer }
div.vtag { behavior: vtag; context-menu: selector(#tag-menu) }
button.managetags { behavior: managetags }
#manage-tags { behavior: manage-menu; display: none }
body[cursor='dragquote.cur'] { cursor: url(dragquote.cur) }
body[cursor='dragtag.cur'] { cursor: url(dragtag.cur) }
.splitter { behavior: pvlsplitter; cursor: e-resize }
#panes { flow: horizontal }
</style></head><body>
<div id=panes><div id=tagpane><table id=taglist multiple></table></div>
<div class=splitter></div>
<div id=quotepane><div id=p-searchbar is_empty><div class=caption>Drop tags here to search</div>
</div><table id=thequotelist multiple></table></div></div>
<menu id=manage-tags></menu><menu id=quote-menu><li action=delete_quote>Delete</li></menu>
</body></html>)";

std::string quote_fragment(int n) {
  std::string id = std::to_string(n);
  return "<div class=\"quote\" id=\"q-" + id +
         "\"><table class=\"qtable\" border=1 cellspacing=-1px><tr><td colspan=3><div "
         "class=\"title\"></div></td></tr><tr><td class=\"text\" colspan=3>Some quote text "
         "number " +
         id +
         " that is long enough to wrap over two lines in a pane about four hundred pixels "
         "wide, with an &#38; entity</td></tr><tr><td class=\"links\"><div class=\"qtag\" "
         "id=\"qt-" +
         id + "-1\">alpha</div><div class=\"qtag\" id=\"qt-" + id +
         "-2\">beta</div></td><td class=\"managecell\"><button class=\"managetags\" "
         "menu=\"manage-tags\">Manage...</button></td><td class=\"timestamp\">2026-12-6  "
         "9:5:3</td></tr></table></div>";
}

std::string row_fragment(const std::string& fragment) {
  return "<tr><td>" + fragment + "</td></tr>";
}

void host(htmlayout::document& doc) {
  doc.set_notification_callback([](htmlayout::notification& n) -> uint32_t {
    if (n.code == htmlayout::notification_code::attach_behavior) {
      htmlayout::answer_attach_behavior(static_cast<htmlayout::attach_behavior_notification&>(n));
    } else if (n.code == htmlayout::notification_code::create_control) {
      auto& request = static_cast<htmlayout::create_control_notification&>(n);
      if (request.element.has_attribute("message"))
        request.element.attach_event_handler(htmlayout::element_proc, &sms_behavior, 0x3FF);
    }
    return 0;
  });
}

// Loads the page and the tag list.
element load(htmlayout::document& doc) {
  host(doc);
  doc.load_html(page);
  element root = doc.root();
  element tags = root.select_first("[id='taglist']");
  element menu = root.select_first("#manage-tags");
  for (int t = 1; t <= 200; ++t) {
    std::string name = "tag " + std::to_string(t);
    tags.set_html(
        row_fragment("<div class=\"vtag\" id=\"vt-" + std::to_string(t) + "\">" + name + "</div>"),
        htmlayout::position::insert_at_start);
    menu.set_html("<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-" + std::to_string(t) +
                      "\">" + name + "</li>",
                  htmlayout::position::insert_at_start);
  }
  return root.select_first("[id='thequotelist']");
}

void add_rows(const element& quotes, int first, int count) {
  for (int n = first; n < first + count; ++n)
    quotes.set_html(row_fragment(quote_fragment(n)), htmlayout::position::insert_at_start);
}

// Memory in use: malloc's (small and mapped blocks) and the engine's large
// blocks, less what freed nodes left in the node pools for reuse.
size_t heap_in_use() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd + htmlayout::large_memory_in_use() - htmlayout::idle_node_memory();
}

void BM_BuildQuoteList(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  double bytes_per_row = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<htmlayout::document>();
    element quotes = load(*doc);
    size_t before = heap_in_use();
    state.ResumeTiming();
    add_rows(quotes, 1, rows);
    state.PauseTiming();
    bytes_per_row = double(heap_in_use() - before) / rows;
    quotes = element();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_row"] = bytes_per_row;
  state.counters["us_per_row"] = benchmark::Counter(
      double(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildQuoteList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A document of 100,000 rows shared by the lookups.
struct big_document {
  htmlayout::document doc;
  element root;
  element quotes;
  big_document() {
    quotes = load(doc);
    add_rows(quotes, 1, 100000);
    root = doc.root();
  }
};

big_document& shared() {
  static big_document instance;
  return instance;
}

void BM_SelectQuoteById(benchmark::State& state) {
  big_document& d = shared();
  std::mt19937 random(1);
  char selector[64];
  for (auto _ : state) {
    snprintf(selector, sizeof selector, "[id='q-%d']", int(random() % 100000) + 1);
    benchmark::DoNotOptimize(d.root.select_first(selector));
  }
}
BENCHMARK(BM_SelectQuoteById);

// The same quote again and again: the lookup without cache misses.
void BM_SelectSameQuoteById(benchmark::State& state) {
  big_document& d = shared();
  for (auto _ : state) benchmark::DoNotOptimize(d.quotes.select_first("[id='q-500']"));
}
BENCHMARK(BM_SelectSameQuoteById);

// What formatting the selector costs in the two above.
void BM_FormatSelectorOnly(benchmark::State& state) {
  std::mt19937 random(1);
  char selector[64];
  for (auto _ : state) {
    snprintf(selector, sizeof selector, "[id='q-%d']", int(random() % 100000) + 1);
    benchmark::DoNotOptimize(selector);
  }
}
BENCHMARK(BM_FormatSelectorOnly);

// As the view finds a quote: under the quote list.
void BM_SelectQuoteByIdInList(benchmark::State& state) {
  big_document& d = shared();
  std::mt19937 random(1);
  char selector[64];
  for (auto _ : state) {
    snprintf(selector, sizeof selector, "[id='q-%d']", int(random() % 100000) + 1);
    benchmark::DoNotOptimize(d.quotes.select_first(selector));
  }
}
BENCHMARK(BM_SelectQuoteByIdInList);

void BM_SelectMenuByHash(benchmark::State& state) {
  big_document& d = shared();
  for (auto _ : state) benchmark::DoNotOptimize(d.root.select_first("#manage-tags"));
}
BENCHMARK(BM_SelectMenuByHash);

void BM_SelectCheckedRows(benchmark::State& state) {
  big_document& d = shared();
  d.quotes.child(10).set_state(htmlayout::state::checked);
  d.quotes.child(5000).set_state(htmlayout::state::checked);
  for (auto _ : state) benchmark::DoNotOptimize(d.quotes.select_all("tr:checked"));
  d.quotes.child(10).set_state(0, htmlayout::state::checked);
  d.quotes.child(5000).set_state(0, htmlayout::state::checked);
}
BENCHMARK(BM_SelectCheckedRows);

void BM_ToggleRowState(benchmark::State& state) {
  big_document& d = shared();
  element row = d.quotes.child(777);
  for (auto _ : state) {
    row.set_state(htmlayout::state::checked | htmlayout::state::current);
    row.set_state(0, htmlayout::state::checked | htmlayout::state::current);
  }
}
BENCHMARK(BM_ToggleRowState);

void BM_InsertAndDeleteTopRow(benchmark::State& state) {
  big_document& d = shared();
  int n = 200000;
  for (auto _ : state) {
    d.quotes.set_html(row_fragment(quote_fragment(++n)), htmlayout::position::insert_at_start);
    d.quotes.child(0).delete_element();
  }
}
BENCHMARK(BM_InsertAndDeleteTopRow);

}  // namespace
