// The view's share of showing a large collection: the rows of 100,000 quote
// fragments (each quote with 0 to 5 tags, texts of one to a few lines with
// markup characters to escape) built as a full list rebuild builds them,
// without and with the marks of a word search, the
// escaping of one long text, and reading the program's "res" folder into the
// resource store; and the view rebuilding the quote list of the real main
// page, and adding one quote at the top of a long list.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <random>

#include "fml/log.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/fragments.h"
#include "view/pvview.h"
#include "view/resource_mgr.h"

namespace {

constexpr int kQuotes = 100000;

std::vector<pvl::Quote> make_quotes(int count) {
  std::mt19937 random(7);
  const char* const words[] = {"the",        "quick",  "brown", "fox", "<jumps>",
                               "over",       "lazy",   "dog",   "&",   "\u00e9t\u00e9",
                               "\"wisdom\"", "\u4e2d", "time"};
  std::vector<pvl::Quote> quotes;
  quotes.reserve(count);
  for (int id = 1; id <= count; ++id) {
    pvl::Quote quote{id, "", 1204880703 + id * 60, {}};
    const int length = 8 + static_cast<int>(random() % 60);
    for (int w = 0; w < length; ++w) {
      quote.m_utftext += words[random() % std::size(words)];
      quote.m_utftext += (w % 17 == 16) ? "\n" : " ";
    }
    const int tags = static_cast<int>(random() % 6);
    for (int t = 0; t < tags; ++t) {
      const int tag = 1 + static_cast<int>(random() % 1000);
      quote.m_tags.push_back({tag, "tag " + std::to_string(tag)});
    }
    quotes.push_back(std::move(quote));
  }
  return quotes;
}

void BM_QuoteListRows(benchmark::State& state) {
  static const std::vector<pvl::Quote> quotes = make_quotes(kQuotes);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const pvl::Quote& quote : quotes) {
      std::string row = pvl::row_fragment(pvl::quote_fragment(quote));
      bytes += row.size();
      benchmark::DoNotOptimize(row.data());
    }
  }
  state.counters["quotes"] = kQuotes;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_QuoteListRows)->Unit(benchmark::kMillisecond);

// The same rows under a word search: every text is read for the words'
// marks ("wis", "quick fox", a Chinese character).
void BM_QuoteListRowsMarked(benchmark::State& state) {
  static const std::vector<pvl::Quote> quotes = make_quotes(kQuotes);
  const pvl::word_marks marks("wis \"quick fox\" \u4e2d");
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const pvl::Quote& quote : quotes) {
      std::string row = pvl::row_fragment(pvl::quote_fragment(quote, false, marks));
      bytes += row.size();
      benchmark::DoNotOptimize(row.data());
    }
  }
  state.counters["quotes"] = kQuotes;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_QuoteListRowsMarked)->Unit(benchmark::kMillisecond);

void BM_EscapeLongText(benchmark::State& state) {
  std::wstring text;
  while (text.size() < 100000) text += L"one line with <b>markup</b> & \"quotes\"\tand a tab\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(pvl::escape_quote_text(text));
  state.SetBytesProcessed(state.iterations() * text.size() * sizeof(wchar_t));
}
BENCHMARK(BM_EscapeLongText)->Unit(benchmark::kMicrosecond);

void BM_ReadResourceFolder(benchmark::State& state) {
  testing_support::temp_dir data;
  std::filesystem::create_directories(data.path() / "logs");
  tinyfilesystem::set_app_dir(L"DataDir", data.wstr());
  fml::set_log_folder(data.wstr());
  fml::reglog("debug", L"logs/debug.log");
  const std::wstring folder = std::filesystem::path(PARVELA_SOURCE_DIR "/res").wstring();
  for (auto _ : state) {
    pvl::ResourceMgr store(folder);
    benchmark::DoNotOptimize(store.size());
  }
  fml::close_logs();
}
BENCHMARK(BM_ReadResourceFolder)->Unit(benchmark::kMicrosecond);

// The view on the real main page, with the logs it writes in a temporary
// folder.
class page_view {
 public:
  page_view() {
    std::filesystem::create_directories(data_.path() / "logs");
    tinyfilesystem::set_app_dir(L"DataDir", data_.wstr());
    fml::set_log_folder(data_.wstr());
    fml::reglog("app", L"logs/application.log");
    fml::reglog("debug", L"logs/debug.log");
    store_ = std::make_unique<pvl::ResourceMgr>(
        std::filesystem::path(PARVELA_SOURCE_DIR "/res").wstring());
    view_ = std::make_unique<pvl::pvview>(*store_);
  }
  ~page_view() {
    view_.reset();
    store_.reset();
    fml::close_logs();
  }
  pvl::pvview& view() { return *view_; }

 private:
  testing_support::temp_dir data_;
  std::unique_ptr<pvl::ResourceMgr> store_;
  std::unique_ptr<pvl::pvview> view_;
};

// The quotes' ids, and a reader of their records (ids 1 to n).
struct shown_quotes {
  explicit shown_quotes(std::vector<pvl::Quote> all) : quotes(std::move(all)) {
    for (const pvl::Quote& quote : quotes) ids.push_back(quote.m_id);
  }
  pvl::view_events::vupdate_quotes event() const { return {ids, read}; }

  std::vector<pvl::Quote> quotes;
  std::vector<int32_t> ids;
  const pvl::quote_reader read = [this](int32_t id) -> std::optional<pvl::Quote> {
    if (id < 1 || size_t(id) > quotes.size()) return std::nullopt;
    return quotes[size_t(id) - 1];
  };
};

// Every run lists other quotes than the run before (the odd ids, then the
// even ones), so that the whole list is built anew each time.
void BM_ViewRebuildQuoteList(benchmark::State& state) {
  const shown_quotes shown(make_quotes(2 * static_cast<int>(state.range(0))));
  std::vector<int32_t> halves[2];
  for (int32_t id : shown.ids) halves[id % 2].push_back(id);
  page_view page;
  size_t run = 0;
  for (auto _ : state) page.view().on_view_event(pvl::view_events::vupdate_quotes{halves[++run % 2], shown.read});
  state.counters["quotes"] = static_cast<double>(halves[0].size());
}
BENCHMARK(BM_ViewRebuildQuoteList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ViewAddQuoteToLongList(benchmark::State& state) {
  const shown_quotes shown(make_quotes(kQuotes));
  page_view page;
  page.view().on_view_event(shown.event());
  pvl::Quote added = shown.quotes.front();
  int32_t id = kQuotes;
  for (auto _ : state) {
    added.m_id = ++id;
    page.view().on_view_event(pvl::view_events::vadd_quote{&added});
  }
}
BENCHMARK(BM_ViewAddQuoteToLongList)->Unit(benchmark::kMicrosecond);

}  // namespace
