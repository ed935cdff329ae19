// The word search on a real collection file: the results of the word
// indexes against a plain scan of the texts over random edits (add, delete,
// undo), input the query language would misread, and the format step that
// builds the indexes for a collection of the previous format.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/pvl_model.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using testing_support::read_file;
using Ids = std::vector<int32_t>;
namespace me = model_events;

const char* const kWords[] = {"Café",  "cafe",   "philosophy", "Philosophie", "naïve",
                              "NAIVE", "über",   "tea",        "team",        "steam",
                              "東京タワー", "大阪城", "日本語の文章"};

// Case and accents folded, as far as kWords needs.
std::string fold(std::string text) {
  for (const auto& [from, to] : {std::pair{"é", "e"}, {"ï", "i"}, {"ü", "u"}}) {
    for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, 2, to);
  }
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Whether the text holds only Chinese and Japanese letters (and spaces).
bool is_cjk(const std::string& text) {
  for (unsigned char byte : text) {
    if (byte != ' ' && (byte < 0x80 || (byte >= 0xC0 && byte < 0xE3))) return false;
  }
  return true;
}

size_t chars(const std::string& text) {
  return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

struct term {
  std::string text;  // as typed, without the quotes or "-"
  bool phrase = false;
  bool excluded = false;
};

// The quote's words: kWords joined by ", " and " ".
std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (c == ' ' || c == ',') {
      if (!word.empty()) words.push_back(fold(word));
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// The plain scan a term stands for.
bool scan_matches(const std::string& text, const term& t) {
  const std::vector<std::string> words = words_of(text);
  if (is_cjk(t.text) && chars(t.text) >= 3) return text.find(t.text) != std::string::npos;
  if (t.phrase) {
    const std::vector<std::string> wanted = words_of(t.text);
    for (size_t i = 0; i + wanted.size() <= words.size(); ++i) {
      if (std::equal(wanted.begin(), wanted.end(), words.begin() + i)) return true;
    }
    return false;
  }
  for (const std::string& word : words) {
    if (word.rfind(fold(t.text), 0) == 0) return true;
  }
  return false;
}

// A random term: a word or a prefix of one, a CJK run, a phrase of two words.
term random_term(std::mt19937& random) {
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  term t;
  std::string word = kWords[pick(std::size(kWords))];
  if (pick(4) == 0) {
    t.phrase = true;
    t.text = word + " " + kWords[pick(std::size(kWords))];
  } else if (is_cjk(word)) {
    const size_t length = chars(word);
    const size_t start = pick(length), count = 1 + pick(length - start);
    t.text = word.substr(start * 3, count * 3);  // these scripts take 3 bytes a character
  } else if (pick(2) == 0) {
    t.text = fold(word).substr(0, 1 + pick(fold(word).size()));
  } else {
    t.text = word;
  }
  t.excluded = pick(4) == 0;
  return t;
}

struct WordSearchTest : ::testing::Test {
  model_testing::test_collection collection_;
};

TEST_F(WordSearchTest, TheIndexesAgreeWithAPlainScanOverRandomEdits) {
  pvlModel model;
  model_testing::view_recorder view;
  model.set_view(&view);
  auto send = [&](const model_event& event) { model.on_model_event(event); };
  // The whole list, as the view gets it without search words.
  auto all_quotes = [&] {
    send(me::set_search_words{""});
    send(me::initial_load{});
    return view.events.back().quotes;
  };
  std::mt19937 random(19);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  for (int step = 0; step < 300; ++step) {
    std::vector<Quote> all = all_quotes();
    const size_t edit = pick(10);
    if (edit < 6 || all.empty()) {
      std::string text;
      for (size_t n = 1 + pick(6); n > 0; --n) {
        text += std::string(kWords[pick(std::size(kWords))]) + (pick(3) == 0 ? ", " : " ");
      }
      send(me::add_quote{text});
    } else if (edit < 9) {
      send(me::delete_quote{all[pick(all.size())].m_id});
    } else {
      send(me::undo_delete{});
    }
    all = all_quotes();

    std::vector<term> terms(1 + pick(2));
    std::string typed;
    for (term& t : terms) {
      t = random_term(random);
      typed += std::string(t.excluded ? "-" : "") + (t.phrase ? "\"" + t.text + "\"" : t.text) + " ";
    }
    Ids expected;
    for (const Quote& quote : all) {
      bool matches = true;
      for (const term& t : terms) matches = matches && scan_matches(quote.m_utftext, t) != t.excluded;
      if (matches) expected.push_back(quote.m_id);
    }
    send(me::set_search_words{typed});
    ASSERT_EQ(quote_ids(view.events.back().quotes), expected) << "step " << step << ": " << typed;
  }
}

TEST_F(WordSearchTest, InputTheQueryLanguageWouldMisreadRaisesNoError) {
  logic store;
  const std::string inputs[] = {"\"", "AND OR NEAR * ^ :", "NEAR(t", "t*:^", std::string(10000, '"'),
                                std::string(10000, '\x01')};
  for (const std::string& typed : inputs) {
    store.setSearchWords(typed);
    EXPECT_NO_THROW(store.search()) << typed;
    EXPECT_NO_THROW(store.searchIds()) << typed;
  }
}

// A collection of the first format: the record tables alone, format 1.
void make_previous_format(const std::string& path) {
  SQLite::Database db(path, SQLite::OPEN_READWRITE);
  db.exec("DROP TRIGGER quote_words_insert; DROP TRIGGER quote_words_delete;"
          "DROP TRIGGER quote_chars_insert; DROP TRIGGER quote_chars_delete;"
          "DROP TRIGGER quote_words_update; DROP TRIGGER quote_chars_update_delete;"
          "DROP TRIGGER quote_chars_update_insert;"
          "DROP TABLE quote_words; DROP TABLE quote_chars; PRAGMA user_version = 1");
  db.exec("INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (9, 'Café 東京タワー', 1)");
}

TEST_F(WordSearchTest, ACollectionOfAnOlderFormatGetsItsIndexesOnceOrStaysAsItWas) {
  const std::string path = collection_.db_file().string();
  auto sql = [&](const char* statements) { SQLite::Database(path, SQLite::OPEN_READWRITE).exec(statements); };
  { logic store; }
  make_previous_format(path);
  sql("CREATE TABLE quote_chars (x)");  // a build that fails on it leaves the file as it was
  const std::string before = read_file(collection_.db_file());
  EXPECT_THROW(logic{}, open_db_error);
  EXPECT_EQ(read_file(collection_.db_file()), before);

  sql("DROP TABLE quote_chars");
  {
    logic store;
    EXPECT_EQ(store.database().execAndGet("PRAGMA user_version").getInt(), 3);
    for (const char* typed : {"cafe", "京タワ", "four"}) {
      store.setSearchWords(typed);
      EXPECT_EQ(store.searchIds().size(), 1u) << typed;
    }
  }

  // Format 2 kept the words' positions: its words index is rebuilt without.
  sql("DROP TABLE quote_words; CREATE VIRTUAL TABLE quote_words USING fts5 (m_utftext, "
      "content = 'quote', tokenize = 'unicode61 remove_diacritics 2', columnsize = 0);"
      "INSERT INTO quote_words (quote_words) VALUES ('rebuild'); PRAGMA user_version = 2");
  logic store;
  EXPECT_EQ(store.database().execAndGet("PRAGMA user_version").getInt(), 3);
  const std::string words =
      store.database().execAndGet("SELECT sql FROM sqlite_master WHERE name = 'quote_words'").getString();
  EXPECT_NE(words.find("detail = none"), std::string::npos) << words;
  store.addQuote(L"the café tower");
  const std::pair<const char*, size_t> found[] = {
      {"cafe", 2}, {"\"cafe tower\"", 1}, {"cafe-tow", 1}, {"\"tower cafe\"", 0},
      {"-\"tower cafe\" cafe", 2}};
  for (const auto& [typed, count] : found) {
    store.setSearchWords(typed);
    EXPECT_EQ(store.searchIds().size(), count) << typed;
  }
}

// Removing most of a collection builds the indexes again from the quotes
// that stay: they find exactly those, and the next removal still updates
// them.
TEST_F(WordSearchTest, RemovingMostQuotesLeavesIndexesThatFindTheRest) {
  const std::string path = collection_.db_file().string();
  { logic schema_only; }
  {
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    SQLite::Transaction filling(db);
    SQLite::Statement insert(db, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, 1)");
    const char* const texts[] = {"tea 東京タワー", "Café", "steam 大阪城"};
    for (int n = 1; n <= 1500; ++n) {
      insert.bind(1, 10000 + n);  // after the quotes a new collection starts with
      insert.bind(2, texts[n % 3]);
      insert.exec();
      insert.reset();
    }
    filling.commit();
  }
  logic store;
  Ids removed;
  for (int32_t n = 1; n <= 1500; ++n)
    if (n % 10 != 0) removed.push_back(10000 + n);
  EXPECT_EQ(store.removeQuotes(removed), removed.size());
  for (const char* typed : {"tea", "京タワ", "cafe", "大阪城", "steam"}) {
    store.setSearchWords(typed);
    EXPECT_EQ(store.searchIds().size(), 50u) << typed;
  }
  store.removeQuote(10030);  // "tea 東京タワー"
  for (const char* typed : {"tea", "京タワ"}) {
    store.setSearchWords(typed);
    EXPECT_EQ(store.searchIds().size(), 49u) << typed;
  }
}

}  // namespace
}  // namespace pvl
