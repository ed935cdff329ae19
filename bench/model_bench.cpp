// The model on a large collection: 100,000 quotes and 1,000 tags, each quote
// carrying 0 to 5 tags, some tags much more used than others (tag 1 marks
// about one quote in thirteen, most tags a few dozen). Measures adding a
// quote (with its commit), the AND and OR searches of 2 and 5 tags (among the
// most used tags, and among tags picked at random), the same searches (and
// the empty one) yielding only the quotes' ids, walking all quotes with
// their tag names as the view does, and exporting all quotes.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <random>

#include "bench/collection_file.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/export_texts.h"
#include "model/logic.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace {

constexpr int kQuotes = 100000;
constexpr int kTags = 1000;

// The collection, built once for all benchmarks in a temporary folder.
class large_collection {
 public:
  large_collection() {
    std::filesystem::path data = folder_.path() / "Parvela";
    std::filesystem::create_directories(data / "logs");
    setenv("XDG_DATA_HOME", folder_.path().c_str(), 1);
    tinyfilesystem::set_app_dir(L"DataDir", data.wstring());
    fml::set_log_folder(data.wstring());
    for (const char* id : {"app", "profile", "debug", "events", "cntrl", "model", "logic"}) {
      fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
    }
    testing_support::write_file(data / "defaulttags.xml", "<tags/>");
    testing_support::write_file(data / "defaultquotes.xml", "<quotes/>");
    { pvl::logic schema_only; }
    random_tags_ = bench_support::fill_collection((data / "parvela.fdb").string(), kQuotes, kTags);
    store = std::make_unique<pvl::logic>();
  }

  // The `count` most used tags, or `count` tags picked at random once.
  std::vector<int32_t> tags_to_search(bool most_used, size_t count) const {
    if (most_used) {
      std::vector<int32_t> tags(count);
      for (size_t i = 0; i < count; ++i) tags[i] = static_cast<int32_t>(i + 1);
      return tags;
    }
    return std::vector<int32_t>(random_tags_.begin(), random_tags_.begin() + count);
  }
  std::wstring export_path() const { return (folder_.path() / "export.html").wstring(); }

  std::unique_ptr<pvl::logic> store;

 private:
  testing_support::temp_dir folder_;
  std::vector<int32_t> random_tags_;
};

large_collection& collection() {
  static large_collection instance;
  return instance;
}

void BM_AddQuote(benchmark::State& state) {
  pvl::logic& store = *collection().store;
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.addQuote(L"A quote captured during the benchmark."));
  }
}
BENCHMARK(BM_AddQuote)->Unit(benchmark::kMillisecond);

// Sets the collection's search from the benchmark's arguments (mode, most
// used or least used tags, how many) and returns the store.
pvl::logic& search_of(const benchmark::State& state) {
  pvl::logic& store = *collection().store;
  store.clearSearchTags();
  store.setSearchMode(static_cast<int32_t>(state.range(0)));
  for (int32_t tag : collection().tags_to_search(state.range(1) != 0, state.range(2))) {
    store.addSearchTag(tag);
  }
  return store;
}

void BM_Search(benchmark::State& state) {
  pvl::logic& store = search_of(state);
  size_t found = 0;
  for (auto _ : state) {
    std::vector<pvl::Quote> quotes = store.search();
    found = quotes.size();
    benchmark::DoNotOptimize(quotes.data());
  }
  state.counters["quotes_found"] = static_cast<double>(found);
  store.clearSearchTags();
}
BENCHMARK(BM_Search)
    ->ArgNames({"or", "most_used", "tags"})
    ->ArgsProduct({{pvl::logic::kSearchAnd, pvl::logic::kSearchOr}, {1, 0}, {2, 5}})
    ->Unit(benchmark::kMillisecond);

void BM_SearchIds(benchmark::State& state) {
  pvl::logic& store = search_of(state);
  size_t found = 0;
  for (auto _ : state) {
    std::vector<int32_t> ids = store.searchIds();
    found = ids.size();
    benchmark::DoNotOptimize(ids.data());
  }
  state.counters["quotes_found"] = static_cast<double>(found);
  store.clearSearchTags();
}
BENCHMARK(BM_SearchIds)
    ->ArgNames({"or", "most_used", "tags"})
    ->ArgsProduct({{pvl::logic::kSearchAnd, pvl::logic::kSearchOr}, {1, 0}, {0, 2, 5}})
    ->Unit(benchmark::kMillisecond);

// What the view does with the quote list: every text and every tag name.
void BM_WalkAllQuotesWithTags(benchmark::State& state) {
  pvl::logic& store = *collection().store;
  for (auto _ : state) {
    size_t bytes = 0;
    for (const pvl::Quote& quote : store.quotes()) {
      bytes += quote.m_utftext.size();
      for (const pvl::Tag& tag : quote.m_tags) bytes += tag.m_utfname.size();
    }
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_WalkAllQuotesWithTags)->Unit(benchmark::kMillisecond);

void BM_ExportAllQuotes(benchmark::State& state) {
  pvl::logic& store = *collection().store;
  store.clearSearchTags();
  for (auto _ : state) {
    if (!pvl::write_export(collection().export_path(), store.search())) {
      state.SkipWithError("the export file cannot be written");
    }
  }
}
BENCHMARK(BM_ExportAllQuotes)->Unit(benchmark::kMillisecond);

}  // namespace
