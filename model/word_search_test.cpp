// The word search: typed words to FTS5 queries, the indexes against a plain scan, format upgrades.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/pvl_model.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "model/word_query.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using testing_support::read_file;
using Ids = std::vector<int32_t>;
namespace me = model_events;

TEST(WordQueryTest, TermsBecomeQuotedFts5Queries) {
  struct row {
    std::string typed;
    word_query expected;  // words_in, words_out, chars_in, chars_out, phrases_in, phrases_out
  };
  const row rows[] = {
      {"", {}},
      {"   \t ", {}},
      {"philo", {"\"philo\"*", "", "", "", "", ""}},
      {"Café  noir", {"\"Café\"* \"noir\"*", "", "", "", "", ""}},
      {"\"to be or\" not", {"\"to\" \"be\" \"or\" \"not\"*", "", "", "", "\"to be or\"", ""}},
      {"tea -milk -sugar", {"\"tea\"*", "\"milk\"* OR \"sugar\"*", "", "", "", ""}},
      {"-\"green tea\"", {"", "", "", "", "", "\"green tea\""}},
      // FTS5 operators typed as text are words or nothing.
      {"AND OR NOT NEAR", {"\"AND\"* \"OR\"* \"NOT\"* \"NEAR\"*", "", "", "", "", ""}},
      {"* ^ : ( ) + NEAR(a b)", {"\"near\" \"a\"* \"b)\"*", "", "", "", "NEAR(a", ""}},
      {"col:val ^start end*", {"\"col\" \"val\"* \"^start\"* \"end*\"*", "", "", "", "col:val", ""}},
      // A lone "-", unbalanced and empty quotes.
      {"- tea -", {"\"tea\"*", "", "", "", "", ""}},
      {"\"open phrase", {"\"open\" \"phrase\"", "", "", "", "\"open phrase\"", ""}},
      {"a\"b\"c \"\"", {"\"a\"* \"b\" \"c\"*", "", "", "", "", ""}},
      // Control characters separate terms.
      {std::string("one\x01two\0three\x7f", 15), {"\"one\"* \"two\"* \"three\"*", "", "", "", "", ""}},
      {"\"x\ny\"", {"\"x\" \"y\"", "", "", "", "\"x y\"", ""}},
      // Text written without spaces: 3 characters or more go to the trigrams.
      {"東京タワー -大阪城 東京", {"\"東京\"*", "", "\"東京タワー\"", "\"大阪城\"", "", ""}},
      {"\"東京 タワー\"", {"", "", "\"東京 タワー\"", "", "", ""}},
      {"東京tower \"naïve 大阪城\"", {"\"東京tower\"* \"naive\" \"大阪城\"", "", "", "", "\"naïve 大阪城\"", ""}},
      // A term of several words: the index looks for each, the text for them in a row.
      {"-don't --x-y", {"", "", "", "", "", "don't x-y"}},
  };
  for (const row& r : rows) EXPECT_EQ(parse_word_query(r.typed), r.expected) << "typed: " << r.typed;
  // Long input counts up to a bound, and never cuts a character in two.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "é ";
  word_query bounded = parse_word_query(many);
  EXPECT_EQ(bounded.words_in.size(), kMaxWordQueryTerms * std::string("\"é\"* ").size() - 1);
  EXPECT_TRUE(parse_word_query(std::string(10000, 'a')).words_in.size() <= kMaxWordQueryBytes + 3);
  EXPECT_EQ(parse_word_query(std::string(999, 'a') + "é").words_in, "\"" + std::string(999, 'a') + "\"*");
}

const char* const kWords[] = {"Café",  "cafe",   "philosophy", "Philosophie", "naïve",
                              "NAIVE", "über",   "tea",        "team",        "steam",
                              "東京タワー", "大阪城", "日本語の文章"};

// Case and accents folded, as far as kWords needs.
std::string fold(std::string text) {
  for (const auto& [from, to] : {std::pair{"é", "e"}, {"ï", "i"}, {"ü", "u"}})
    for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, 2, to);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Whether the text holds only Chinese and Japanese letters (and spaces).
bool is_cjk(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char byte) {
    return byte == ' ' || (byte >= 0x80 && (byte < 0xC0 || byte >= 0xE3));
  });
}

size_t chars(const std::string& text) {
  return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

struct term {
  std::string text;  // as typed, without the quotes or "-"
  bool phrase = false, excluded = false;
};

// The quote's words: kWords joined by ", " and " ".
std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (c != ' ' && c != ',') word += c;
    else if (!word.empty()) words.push_back(fold(std::exchange(word, "")));
  }
  return words;
}

// The plain scan a term stands for.
bool scan_matches(const std::string& text, const term& t) {
  const std::vector<std::string> words = words_of(text);
  if (is_cjk(t.text) && chars(t.text) >= 3) return text.find(t.text) != std::string::npos;
  if (t.phrase) {
    const std::vector<std::string> wanted = words_of(t.text);
    return std::search(words.begin(), words.end(), wanted.begin(), wanted.end()) != words.end();
  }
  return std::any_of(words.begin(), words.end(),
                     [&](const std::string& word) { return word.rfind(fold(t.text), 0) == 0; });
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
      for (size_t n = 1 + pick(6); n > 0; --n)
        text += std::string(kWords[pick(std::size(kWords))]) + (pick(3) == 0 ? ", " : " ");
      if (edit == 5) {  // stored by another program: the search must see it too
        SQLite::Database other(collection_.db_file().string(), SQLite::OPEN_READWRITE);
        SQLite::Statement insert(other, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, 0)");
        insert.bind(1, 100000 + step);
        insert.bind(2, text);
        insert.exec();
      } else {
        send(me::add_quote{text});
      }
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

size_t found_by(logic& store, const std::string& typed) {
  store.setSearchWords(typed);
  return store.searchIds().size();
}

TEST_F(WordSearchTest, ACollectionOfAnOlderFormatGetsItsIndexesOnceOrStaysAsItWas) {
  const std::string path = collection_.db_file().string();
  auto sql = [&](const char* statements) { SQLite::Database(path, SQLite::OPEN_READWRITE).exec(statements); };
  { logic store; }
  // The first format: the record tables alone.
  sql("DROP TRIGGER quote_words_insert; DROP TRIGGER quote_words_delete;"
      "DROP TRIGGER quote_chars_insert; DROP TRIGGER quote_chars_delete;"
      "DROP TRIGGER quote_words_update; DROP TRIGGER quote_chars_update_delete;"
      "DROP TRIGGER quote_chars_update_insert;"
      "DROP TABLE quote_words; DROP TABLE quote_chars; PRAGMA user_version = 1;"
      "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (9, 'Café 東京タワー', 1)");
  sql("CREATE TABLE quote_chars (x)");  // a build that fails on it leaves the file as it was
  const std::string before = read_file(collection_.db_file());
  EXPECT_THROW(logic{}, open_db_error);
  EXPECT_EQ(read_file(collection_.db_file()), before);
  sql("DROP TABLE quote_chars");
  {
    logic store;
    EXPECT_EQ(store.database().execAndGet("PRAGMA user_version").getInt(), 3);
    for (const char* typed : {"cafe", "京タワ", "four"}) EXPECT_EQ(found_by(store, typed), 1u) << typed;
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
      {"cafe", 2}, {"\"cafe tower\"", 1}, {"cafe-tow", 1}, {"\"tower cafe\"", 0}, {"-\"tower cafe\" cafe", 2}};
  for (const auto& [typed, count] : found) EXPECT_EQ(found_by(store, typed), count) << typed;
  // Input the query language would misread raises no error.
  const std::string misread[] = {"\"", "AND OR NEAR * ^ :", "NEAR(t", "t*:^", std::string(10000, '"'),
                                 std::string(10000, '\x01')};
  for (const std::string& typed : misread) {
    EXPECT_NO_THROW(found_by(store, typed)) << typed;
    EXPECT_NO_THROW(store.search()) << typed;
  }
}

// A large removal rebuilds the indexes from the rest; the next removal must still update them.
TEST_F(WordSearchTest, RemovingMostQuotesLeavesIndexesThatFindTheRest) {
  { logic schema_only; }
  // Ids 10001 to 11500, after the quotes a new collection starts with; "tea" when n % 3 is 0.
  SQLite::Database(collection_.db_file().string(), SQLite::OPEN_READWRITE)
      .exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
            "INSERT INTO quote (m_id, m_utftext, m_stamp) SELECT 10000 + i, CASE i % 3 WHEN 0 THEN "
            "'tea 東京タワー' WHEN 1 THEN 'Café' ELSE 'steam 大阪城' END, 1 FROM n");
  logic store;
  Ids removed;
  for (int32_t n = 1; n <= 1500; ++n)
    if (n % 10 != 0) removed.push_back(10000 + n);
  EXPECT_EQ(store.removeQuotes(removed), removed.size());
  for (const char* typed : {"tea", "京タワ", "cafe", "大阪城", "steam"})
    EXPECT_EQ(found_by(store, typed), 50u) << typed;
  store.removeQuote(10030);  // "tea 東京タワー"
  for (const char* typed : {"tea", "京タワ"}) EXPECT_EQ(found_by(store, typed), 49u) << typed;
}

}  // namespace
}  // namespace pvl
