// The storage object on a real collection file: the open sequence, the id counters, the
// dating of undated quotes, the record operations, the tag search and their log lines.
#include "model/logic.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "fml/app_errors.h"
#include "model/testing/raised.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using model_testing::tag_names;
using model_testing::test_collection;
using Ids = std::vector<int32_t>;
using Lines = std::vector<std::string>;

struct LogicTest : ::testing::Test {
  test_collection collection_;
};

// Marks keep the order of attachment; the highest id is given again only after a restart.
TEST_F(LogicTest, TheOperationsOfAFreshCollection) {
  const std::wstring text = L"  Zitat \u00e4\u4e2d\U0001F600\r\nline  ";
  const std::string data_home = std::getenv("XDG_DATA_HOME");
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_THROW(logic store, read_appdata_folder_error);  // no user data folder
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(collection_.new_lines("debug"), (Lines{"Cannot Get Folder SHGetFolderPathA"}));
  {
    logic store;
    struct stat info;
    ASSERT_EQ(stat(collection_.db_file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(collection_.new_lines("logic"),
              (Lines{"quote: 2 marked with tag: 3", "quote: 2 marked with tag: 1",
                     "quote: 3 marked with tag: 2", "creating DB", "m_max_tid: 3m_max_qid: 4"}));
    collection_.mark_logs();
    EXPECT_EQ(store.addQuote(text), 5);
    EXPECT_EQ(store.addQuote(L"six"), 6);
    store.markQuote(6, 1);
    store.unmarkQuote(6, 1);
    store.removeQuote(6);
    store.removeTag(3);
    EXPECT_EQ(store.addTag(L"delta"), 4);
    store.renameTag(4, L"d");
    store.getTag(4);
    store.addSearchTag(2);
    store.isTagUsedInSearch(2);
    store.removeSearchTag(2);
    store.search();
    EXPECT_EQ(collection_.new_lines("logic"),
              (Lines{"added quote with id: 5", "added quote with id: 6", "quote: 6 marked with tag: 1",
                     "quote: 6 unmarked with tag: 1", "removed quote with id: 6",
                     "removed tag with id: 3", "added tag with id: 4", "renamed tag: 4", "getTag",
                     "addSearchTag: 2", "isTagUsedInSearch: 2", "remove search tag: 2"}));
    EXPECT_EQ(store.addQuote(L"seven"), 7);
    store.removeQuote(7);
    store.removeTag(4);
    store.removeTag(42);  // not stored: no error
    EXPECT_EQ(store.addTag(L"alpha"), -1);
    EXPECT_EQ(store.renameTag(2, L"alpha"), L"beta");
    EXPECT_EQ(store.renameTag(2, L"b\u00eata"), L"b\u00eata");
    EXPECT_THROW(store.renameTag(77, L"x"), wrong_tag_id);
    for (int32_t tag : {2, 1}) EXPECT_TRUE(store.markQuote(1, tag));
    EXPECT_FALSE(store.markQuote(1, 1));
    EXPECT_FALSE(store.isQuoteMarked(4, 1));
    store.unmarkQuote(1, 2);
    EXPECT_TRUE(store.markQuote(1, 2));  // attached again: now last
    EXPECT_EQ(tag_names(store.getQuote(1)->m_tags), "alpha,b\u00eata");
    store.removeTag(1);
    EXPECT_EQ(tag_names(store.getQuote(1)->m_tags), "b\u00eata");
    store.removeQuote(2);
    EXPECT_THROW(store.removeQuote(2), wrong_quote_id);
    const auto error_of = model_testing::raised<fml::exception>;
    EXPECT_EQ(error_of([&] { store.unmarkQuote(4, 2); }), "2");  // a tag the quote does not carry
    EXPECT_EQ(error_of([&] { store.markQuote(1, 99); }), "99");
    EXPECT_EQ(error_of([&] { store.isQuoteMarked(1, 99); }), "99");
    EXPECT_EQ(error_of([&] { store.markQuote(99, 2); }), "99");
  }
  logic store;
  EXPECT_EQ(quote_ids(store.quotes()), (Ids{1, 3, 4, 5}));
  EXPECT_EQ(store.getQuote(5)->m_utftext, "  Zitat \u00e4\u4e2d\U0001F600\r\nline  ");
  EXPECT_EQ(store.addQuote(L"six again"), 6);
  EXPECT_EQ(store.addTag(L"delta again"), 3);
  SQLite::Database db(collection_.db_file().string());
  EXPECT_EQ(db.execAndGet("SELECT group_concat(quote || '-' || tag) FROM quote_tag").getString(),
            "1-2,3-2");
}

TEST_F(LogicTest, UndatedQuotesAreDatedOnlyWhenTheFirstQuoteHasNoDate) {
  { logic store; }
  auto change_file = [&](const char* sql) {  // while no logic has the file open
    SQLite::Database(collection_.db_file().string(), SQLite::OPEN_READWRITE).exec(sql);
  };
  change_file("UPDATE quote SET m_stamp = 0 WHERE m_id = 1; UPDATE quote SET m_stamp = -1 WHERE m_id = 3;"
              "UPDATE quote SET m_stamp = 1000 WHERE m_id = 4;");
  int64_t before = std::time(nullptr);
  {
    logic store;
    std::vector<Quote> quotes = store.quotes();
    EXPECT_GE(quotes[0].m_stamp, before);
    EXPECT_LE(quotes[0].m_stamp, std::time(nullptr));
    EXPECT_EQ(quotes[2].m_stamp, quotes[0].m_stamp);  // one date for the whole pass
    EXPECT_EQ(quotes[3].m_stamp, 1000);
  }
  // The first quote in table order has a date: later undated ones stay so.
  change_file("UPDATE quote SET m_stamp = 0 WHERE m_id IN (2, 3)");
  logic store;
  std::vector<Quote> quotes = store.quotes();
  EXPECT_EQ(quotes[1].m_stamp, 0);
  EXPECT_EQ(quotes[2].m_stamp, 0);
}

// Quotes in table order 8, 3, 5, 1, 6, 2 (not id order) with tags:
// 8: a b c, 3: b, 5: a b, 1: none, 6: c a, 2: c; tag 4 marks none.
TEST_F(LogicTest, TheTagSearchSelectsByEveryTagOrByOne) {
  collection_.write_defaults(
      R"(<tags><tag id="1" name="a"/><tag id="2" name="b"/><tag id="3" name="c"/>)"
      R"(<tag id="4" name="unused"/></tags>)",
      R"(<quotes><quote id="8" text="eight"><t id="1"/><t id="2"/><t id="3"/></quote>)"
      R"(<quote id="3" text="three"><t id="2"/></quote>)"
      R"(<quote id="5" text="five"><t id="1"/><t id="2"/></quote>)"
      R"(<quote id="1" text="one"/><quote id="6" text="six"><t id="3"/><t id="1"/></quote>)"
      R"(<quote id="2" text="two"><t id="3"/></quote></quotes>)");
  logic store;
  EXPECT_TRUE(store.isSearchEmpty());
  EXPECT_EQ(quote_ids(store.search()), (Ids{8, 3, 5, 1, 6, 2}));  // AND at the start
  const int kAnd = logic::kSearchAnd, kOr = logic::kSearchOr;
  const struct {
    int mode;
    Ids tags, found;
  } rows[] = {
      {kOr, {}, {8, 3, 5, 1, 6, 2}}, {kAnd, {1, 2}, {8, 5}}, {kOr, {1, 2}, {8, 3, 5, 6}},
      {kAnd, {3, 1, 2}, {8}},        {kOr, {3, 2}, {8, 3, 5, 6, 2}},
      {kAnd, {2, 4}, {}},            {kOr, {4}, {}},
      {kAnd, {3}, {8, 6, 2}},        {kOr, {3}, {8, 6, 2}},
  };
  for (const auto& r : rows) {
    store.clearSearchTags();
    store.setSearchMode(r.mode);
    for (int32_t tag : r.tags) store.addSearchTag(tag);
    EXPECT_EQ(quote_ids(store.search()), r.found) << r.mode << " " << r.tags.size();
    EXPECT_EQ(store.searchIds(), r.found) << "the ids alone";
  }
  // Results carry their tags in attachment order.
  store.setSearchMode(kAnd);
  EXPECT_EQ(tag_names(store.search()[1].m_tags), "c,a");
  store.clearSearchTags();
  for (int32_t tag : {3, 1, 2}) EXPECT_TRUE(store.addSearchTag(tag));
  store.removeSearchTag(3);
  // An AND search over a tag no longer stored fails; OR skips it.
  store.removeTag(2);
  EXPECT_THROW(store.search(), wrong_tag_id);
  EXPECT_THROW(store.searchIds(), wrong_tag_id);
  store.setSearchMode(kOr);
  EXPECT_EQ(quote_ids(store.search()), (Ids{8, 5, 6}));
  store.clearSearchTags();
  EXPECT_TRUE(store.isSearchEmpty());
}

// A card's read of one quote (statements kept from call to call) gives what
// the general read of the collection gives: the text cut to whole
// characters, the whole text's size, and the tags as they are now.
TEST_F(LogicTest, ReadingOneQuoteAgreesWithReadingThemAll) {
  logic store;
  const std::wstring texts[] = {L"short", L"\u00e4\u4e2d\U0001F600 cut inside multibyte text",
                                L"line one\nline two\nline three\n", L""};
  for (const std::wstring& text : texts) store.addQuote(text);
  store.markQuote(5, 2);
  store.markQuote(5, 1);
  for (int64_t chars : {int64_t{3}, int64_t{2000}}) {
    for (const Quote& expected : store.quotes(chars)) {
      const std::optional<Quote> read = store.readQuote(expected.m_id, chars);
      ASSERT_TRUE(read) << expected.m_id;
      EXPECT_EQ(read->m_utftext, expected.m_utftext) << expected.m_id;
      EXPECT_EQ(read->m_stamp, expected.m_stamp) << expected.m_id;
      EXPECT_EQ(read->m_whole_chars, expected.m_whole_chars) << expected.m_id;
      EXPECT_EQ(read->m_whole_lines, expected.m_whole_lines) << expected.m_id;
      EXPECT_EQ(tag_names(read->m_tags), tag_names(expected.m_tags)) << expected.m_id;
    }
  }
  store.unmarkQuote(5, 2);
  EXPECT_EQ(tag_names(store.readQuote(5, 3)->m_tags), "alpha");
  store.removeQuote(5);
  EXPECT_FALSE(store.readQuote(5, 3));
  // The kept statements hold no transaction: every quote can still go at once.
  EXPECT_EQ(store.removeQuotes(store.quoteIds()), 7u);
}

}  // namespace
}  // namespace pvl
