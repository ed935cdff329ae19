// The storage object on a real collection file: the open sequence, the id
// counters, the dating of undated quotes and the record operations.
#include "model/logic.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "fml/app_errors.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using model_testing::test_collection;
using Lines = std::vector<std::string>;

std::vector<std::string> without_validation(const Lines& lines) {
  Lines kept;
  for (const std::string& line : lines) {
    if (line.rfind("validating ", 0) != 0) kept.push_back(line);
  }
  return kept;
}

std::vector<int32_t> tag_ids(const std::vector<Tag>& tags) {
  std::vector<int32_t> ids;
  for (const Tag& tag : tags) ids.push_back(tag.m_id);
  return ids;
}

class LogicTest : public ::testing::Test {
 protected:
  // Writes straight into the file while no logic has it open.
  void change_file(const std::string& sql) {
    SQLite::Database db(collection_.db_file().string(), SQLite::OPEN_READWRITE);
    db.exec(sql);
  }

  test_collection collection_;
};

TEST_F(LogicTest, FirstStartCreatesThePrivateFileAndImportsTheDefaults) {
  ASSERT_FALSE(std::filesystem::exists(collection_.db_file()));
  logic store;

  struct stat info;
  ASSERT_EQ(stat(collection_.db_file().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(
      without_validation(collection_.new_lines("debug")),
      (Lines{"db open complete", "DB is empty", "DB is created", "setMaxs", "checkTimestamp"}));
  EXPECT_EQ(collection_.new_lines("logic"),
            (Lines{"quote: 2 marked with tag: 3", "quote: 2 marked with tag: 1",
                   "quote: 3 marked with tag: 2", "creating DB", "m_max_tid: 3m_max_qid: 4"}));
  EXPECT_EQ(tag_ids(store.tags()), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(quote_ids(store.quotes()), (std::vector<int32_t>{1, 2, 3, 4}));
  // New ids continue above the imported ones.
  EXPECT_EQ(store.addTag(L"delta"), 4);
  EXPECT_EQ(store.addQuote(L"five"), 5);
}

TEST_F(LogicTest, AnEmptyCollectionIsFilledAgainAtEveryStartUntilItHoldsSomething) {
  collection_.write_defaults("<tags/>", "<quotes/>");
  { logic store; }
  EXPECT_EQ(collection_.new_lines("logic"), (Lines{"creating DB", "m_max_tid: 0m_max_qid: 0"}));

  collection_.write_defaults(model_testing::kTagsXml, model_testing::kQuotesXml);
  collection_.mark_logs();
  {
    logic store;
    EXPECT_EQ(store.quotes().size(), 4u);
    for (int32_t id : {1, 2, 3, 4}) store.removeQuote(id);
  }
  // One tag left: not empty, nothing is imported.
  collection_.mark_logs();
  {
    logic store;
    EXPECT_TRUE(store.quotes().empty());
    EXPECT_EQ(store.tags().size(), 3u);
    store.removeTag(1);
    store.removeTag(2);
    store.removeTag(3);
  }
  Lines debug = without_validation(collection_.new_lines("debug"));
  EXPECT_EQ(std::count(debug.begin(), debug.end(), "DB is empty"), 0);

  // Everything deleted: the defaults come back.
  collection_.mark_logs();
  logic store;
  Lines again = without_validation(collection_.new_lines("debug"));
  EXPECT_EQ(std::count(again.begin(), again.end(), "DB is empty"), 1);
  EXPECT_EQ(quote_ids(store.quotes()), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(LogicTest, TheHighestIdIsGivenAgainOnlyAfterARestart) {
  {
    logic store;
    EXPECT_EQ(store.addQuote(L"five"), 5);
    store.removeQuote(5);
    EXPECT_EQ(store.addQuote(L"six"), 6);
    store.removeQuote(6);
    EXPECT_EQ(store.addTag(L"delta"), 4);
    store.removeTag(4);
  }
  logic store;
  EXPECT_EQ(store.addQuote(L"five again"), 5);
  EXPECT_EQ(store.addTag(L"delta again"), 4);
}

TEST_F(LogicTest, UndatedQuotesAreDatedOnlyWhenTheFirstQuoteHasNoDate) {
  { logic store; }
  change_file(
      "UPDATE quote SET m_stamp = 0 WHERE m_id = 1;"
      "UPDATE quote SET m_stamp = -1 WHERE m_id = 3;"
      "UPDATE quote SET m_stamp = 1000 WHERE m_id = 4;");
  collection_.mark_logs();
  int64_t before = std::time(nullptr);
  {
    logic store;
    std::vector<Quote> quotes = store.quotes();
    EXPECT_GE(quotes[0].m_stamp, before);
    EXPECT_LE(quotes[0].m_stamp, std::time(nullptr));
    EXPECT_EQ(quotes[2].m_stamp, quotes[0].m_stamp);  // one date for the whole pass
    EXPECT_EQ(quotes[3].m_stamp, 1000);
  }
  EXPECT_EQ(
      collection_.new_lines("logic"),
      (Lines{"m_max_tid: 3m_max_qid: 4", "automatically insert dates for some quotes", "quotes"}));

  // The first quote in table order has a date: later undated ones stay so.
  change_file("UPDATE quote SET m_stamp = 0 WHERE m_id IN (2, 3)");
  collection_.mark_logs();
  logic store;
  EXPECT_EQ(collection_.new_lines("logic"), (Lines{"m_max_tid: 3m_max_qid: 4"}));
  std::vector<Quote> quotes = store.quotes();
  EXPECT_EQ(quotes[1].m_stamp, 0);
  EXPECT_EQ(quotes[2].m_stamp, 0);
}

TEST_F(LogicTest, QuotesAreStoredAsGivenAndReadBackInInsertionOrder) {
  collection_.write_defaults("<tags/>",
                             "<quotes><quote id=\"9\" text=\"nine\"/>"
                             "<quote id=\"2\" text=\"two\"/></quotes>");
  int64_t before = std::time(nullptr);
  {
    logic store;
    EXPECT_EQ(store.addQuote(L"  Zitat \u00e4\u4e2d\U0001F600\r\nline  "), 10);
    EXPECT_EQ(store.addQuote(L""), 11);
  }
  logic store;
  std::vector<Quote> quotes = store.quotes();
  EXPECT_EQ(quote_ids(quotes), (std::vector<int32_t>{9, 2, 10, 11}));
  EXPECT_EQ(quotes[2].m_utftext, "  Zitat \u00e4\u4e2d\U0001F600\r\nline  ");
  EXPECT_GE(quotes[2].m_stamp, before);
  EXPECT_EQ(quotes[3].m_utftext, "");

  std::optional<Quote> found = store.getQuote(10);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->m_utftext, quotes[2].m_utftext);
  EXPECT_FALSE(store.getQuote(12));
  EXPECT_FALSE(store.getTag(1));
}

TEST_F(LogicTest, TagNamesAreUniqueAndARenameToATakenNameChangesNothing) {
  logic store;
  collection_.mark_logs();
  EXPECT_EQ(store.addTag(L"alpha"), -1);
  EXPECT_EQ(store.addTag(L""), 4);  // no test but uniqueness
  EXPECT_EQ(store.addTag(L"Alpha"), 5);

  EXPECT_EQ(store.renameTag(2, L"gamma"), L"beta");
  EXPECT_EQ(store.renameTag(2, L"beta"), L"beta");
  EXPECT_EQ(store.renameTag(2, L"b\u00eata"), L"b\u00eata");
  EXPECT_EQ(store.getTag(2)->m_utfname, "b\u00eata");
  EXPECT_THROW(store.renameTag(77, L"x"), wrong_tag_id);

  EXPECT_EQ(collection_.new_lines("logic"),
            (Lines{"added tag with id: 4", "added tag with id: 5", "renamed tag: 2", "getTag"}));
}

TEST_F(LogicTest, MarksKeepTheOrderOfAttachment) {
  logic store;
  EXPECT_TRUE(store.markQuote(1, 2));
  EXPECT_TRUE(store.markQuote(1, 3));
  EXPECT_TRUE(store.markQuote(1, 1));
  EXPECT_FALSE(store.markQuote(1, 3));
  EXPECT_TRUE(store.isQuoteMarked(1, 3));
  EXPECT_FALSE(store.isQuoteMarked(4, 3));

  store.unmarkQuote(1, 3);
  EXPECT_TRUE(store.markQuote(1, 3));  // attached again: now last
  EXPECT_EQ(tag_ids(store.getQuote(1)->m_tags), (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(store.getQuote(1)->m_tags[0].m_utfname, "beta");
  // Quote 2 was imported with tags 3, 1.
  EXPECT_EQ(tag_ids(store.getQuote(2)->m_tags), (std::vector<int32_t>{3, 1}));

  try {
    store.unmarkQuote(4, 2);
    FAIL() << "unmarking a tag the quote does not carry";
  } catch (const wrong_tag_id& error) {
    EXPECT_STREQ(error.what(), "2");
  }
  try {
    store.markQuote(99, 1);
    FAIL() << "marking a quote that is not stored";
  } catch (const wrong_quote_id& error) {
    EXPECT_STREQ(error.what(), "99");
  }
  EXPECT_THROW(store.markQuote(1, 99), wrong_tag_id);
  EXPECT_THROW(store.isQuoteMarked(1, 99), wrong_tag_id);
}

TEST_F(LogicTest, RemovingAQuoteOrATagRemovesItFromTheOtherSide) {
  {
    logic store;
    store.markQuote(3, 1);  // quote 3: tags 2, 1
    store.removeTag(1);
    EXPECT_EQ(tag_ids(store.getQuote(2)->m_tags), (std::vector<int32_t>{3}));
    EXPECT_EQ(tag_ids(store.getQuote(3)->m_tags), (std::vector<int32_t>{2}));
    store.removeTag(42);  // not stored: no error

    store.removeQuote(2);
    EXPECT_THROW(store.removeQuote(2), wrong_quote_id);
  }
  SQLite::Database db(collection_.db_file().string());
  EXPECT_EQ(db.execAndGet("SELECT count(*) FROM quote_tag").getInt(), 1);
  EXPECT_EQ(db.execAndGet("SELECT quote || '-' || tag FROM quote_tag").getString(), "3-2");
}

TEST_F(LogicTest, EachOperationLogsWhatItChanged) {
  logic store;
  collection_.mark_logs();
  int32_t quote = store.addQuote(L"x");
  store.markQuote(quote, 1);
  store.unmarkQuote(quote, 1);
  store.removeQuote(quote);
  store.removeTag(3);
  EXPECT_EQ(collection_.new_lines("logic"),
            (Lines{"added quote with id: 5", "quote: 5 marked with tag: 1",
                   "quote: 5 unmarked with tag: 1", "removed quote with id: 5",
                   "removed tag with id: 3"}));
  EXPECT_EQ(collection_.new_lines("debug"),
            (Lines{"validating quote with id: 5", "validating tag with id: 1",
                   "validating quote with id: 5", "validating tag with id: 1",
                   "validating quote with id: 5", "validating tag with id: 1"}));
}

TEST_F(LogicTest, WithoutAUserDataFolderTheOpenFails) {
  const char* home = std::getenv("HOME");
  std::string saved_home = home ? home : "";
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_THROW(logic store, read_appdata_folder_error);
  if (!saved_home.empty()) setenv("HOME", saved_home.c_str(), 1);
  EXPECT_EQ(collection_.new_lines("debug"), (Lines{"Cannot Get Folder SHGetFolderPathA"}));
}

}  // namespace
}  // namespace pvl
