// The word search on collections of 10,000 and 100,000 quotes of text with
// the word frequencies of natural language (5,000 words in Zipf's
// distribution, some with accents; 3 quotes in 100 hold a Chinese sentence).
// Measures a search for a word in few quotes (under 1,000 at 100,000), for a
// word in about half the quotes, for the 2-letter prefix typed first, and for
// a Chinese run (the trigram index) and for a phrase of two frequent words
// (its texts checked for the words in a row): the ids alone and the list as
// the model sends it. Measures once the time to build the indexes when a collection of
// the previous format is opened, and the indexes' share of the file.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "model/view_event.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace {

constexpr int kVocabulary = 5000;
const char* const kSyllables[] = {"ka", "lo", "mi", "ren", "sto", "phi", "lu", "dor", "an", "tes",
                                  "vi", "qua", "bel", "no", "ri", "sen", "ta", "mo", "gre", "u"};
const char* const kHan[] = {"中", "国", "人", "大", "学", "生", "日", "本", "语", "文",
                            "东", "京", "山", "水", "书", "时", "间", "年", "天", "心"};

// The word of frequency rank `rank` (0: the most used); every seventh one
// carries an accent.
std::string vocabulary_word(int rank) {
  std::string word;
  for (int n = rank + 1; n > 0; n /= 20) word += kSyllables[n % 20];
  if (rank % 7 == 3) word += "\u00e9";
  return word;
}

// A collection of the previous format (the record tables alone) filled with
// `quotes` quotes, in a temporary folder.
class word_collection {
 public:
  explicit word_collection(int quotes) {
    std::filesystem::path data = folder_.path() / "Parvela";
    std::filesystem::create_directories(data / "logs");
    setenv("XDG_DATA_HOME", folder_.path().c_str(), 1);
    tinyfilesystem::set_app_dir(L"DataDir", data.wstring());
    static bool logs_registered = false;  // the first collection's folder keeps the logs
    if (!logs_registered) {
      fml::set_log_folder(data.wstring());
      for (const char* id : {"app", "profile", "debug", "events", "cntrl", "model", "logic"}) {
        fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
      }
      logs_registered = true;
    }
    testing_support::write_file(data / "defaulttags.xml", "<tags/>");
    testing_support::write_file(data / "defaultquotes.xml", "<quotes/>");
    { pvl::logic schema_only; }
    path_ = (data / "parvela.fdb").string();
    SQLite::Database db(path_, SQLite::OPEN_READWRITE);
    db.exec("DROP TRIGGER quote_words_insert; DROP TRIGGER quote_words_delete;"
            "DROP TRIGGER quote_chars_insert; DROP TRIGGER quote_chars_delete;"
            "DROP TRIGGER quote_words_update; DROP TRIGGER quote_chars_update_delete;"
            "DROP TRIGGER quote_chars_update_insert;"
            "DROP TABLE quote_words; DROP TABLE quote_chars; PRAGMA user_version = 1");
    std::vector<double> weights(kVocabulary);
    for (int rank = 0; rank < kVocabulary; ++rank) weights[rank] = 1.0 / (rank + 1);
    std::discrete_distribution<int> word(weights.begin(), weights.end());
    std::uniform_int_distribution<int> length(5, 40), han(0, std::size(kHan) - 1);
    std::mt19937 random(19);
    db.exec("BEGIN");
    SQLite::Statement insert(db, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, ?)");
    for (int id = 1; id <= quotes; ++id) {
      std::string text;
      for (int n = length(random); n > 0; --n) text += vocabulary_word(word(random)) + " ";
      if (id % 33 == 0) {
        for (int n = length(random); n > 0; --n) text += kHan[han(random)];
      }
      insert.bind(1, id);
      insert.bind(2, text);
      insert.bind(3, int64_t{1700000000} + id);
      insert.exec();
      insert.reset();
    }
    db.exec("COMMIT");
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    bytes_before_ = std::filesystem::file_size(path_);

    // Opening it builds the indexes.
    const auto start = std::chrono::steady_clock::now();
    store = std::make_unique<pvl::logic>();
    build_seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    store->database().exec("PRAGMA wal_checkpoint(TRUNCATE)");
    bytes_after_ = std::filesystem::file_size(path_);
  }

  std::unique_ptr<pvl::logic> store;
  double build_seconds() const { return build_seconds_; }
  double index_share() const {
    return static_cast<double>(bytes_after_ - bytes_before_) / static_cast<double>(bytes_before_);
  }

 private:
  testing_support::temp_dir folder_;
  std::string path_;
  uintmax_t bytes_before_ = 0;
  uintmax_t bytes_after_ = 0;
  double build_seconds_ = 0;
};

word_collection& collection(int quotes) {
  static std::map<int, std::unique_ptr<word_collection>> built;
  auto& one = built[quotes];
  if (!one) one = std::make_unique<word_collection>(quotes);
  return *one;
}

// The words searched for, by the benchmark's second argument.
std::string typed_words(int64_t which) {
  switch (which) {
    case 0: return vocabulary_word(400);                  // in few quotes
    case 1: return vocabulary_word(3);                    // in about half
    case 2: return vocabulary_word(400).substr(0, 2);     // the first 2 letters typed
    case 3: return "\u5927\u5b66\u751f";                  // 3 Han characters
    default:  // a phrase of two frequent words, checked in a row on the texts
      return "\"" + vocabulary_word(0) + " " + vocabulary_word(1) + "\"";
  }
}

void BM_WordSearchIds(benchmark::State& state) {
  pvl::logic& store = *collection(static_cast<int>(state.range(0))).store;
  store.setSearchWords(typed_words(state.range(1)));
  size_t found = 0;
  for (auto _ : state) {
    std::vector<int32_t> ids = store.searchIds();
    found = ids.size();
    benchmark::DoNotOptimize(ids.data());
  }
  state.counters["quotes_found"] = static_cast<double>(found);
  store.setSearchWords("");
}
BENCHMARK(BM_WordSearchIds)
    ->ArgNames({"quotes", "word"})
    ->ArgsProduct({{10000, 100000}, {0, 1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond);

// The list the model sends the view: the found quotes with their tags,
// texts cut as a closed card's.
void BM_WordSearchList(benchmark::State& state) {
  pvl::logic& store = *collection(static_cast<int>(state.range(0))).store;
  store.setSearchWords(typed_words(state.range(1)));
  size_t found = 0;
  for (auto _ : state) {
    std::vector<pvl::Quote> quotes = store.search(pvl::kClosedCardChars);
    found = quotes.size();
    benchmark::DoNotOptimize(quotes.data());
  }
  state.counters["quotes_found"] = static_cast<double>(found);
  store.setSearchWords("");
}
BENCHMARK(BM_WordSearchList)
    ->ArgNames({"quotes", "word"})
    ->ArgsProduct({{10000, 100000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// Opening a collection of the previous format, which builds its indexes;
// measured once as the collection is made.
void BM_BuildIndexesOnOpen(benchmark::State& state) {
  word_collection& built = collection(static_cast<int>(state.range(0)));
  for (auto _ : state) state.SetIterationTime(built.build_seconds());
  state.counters["index_share_of_file"] = built.index_share();
}
BENCHMARK(BM_BuildIndexesOnOpen)
    ->ArgNames({"quotes"})
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
