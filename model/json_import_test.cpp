// A json export read back: random collections survive export then import
// into an empty collection unchanged, and a merge skips what is stored.
#include "model/json_import.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <random>

#include "model/collection_file.h"
#include "model/json_export.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

// Random text from pieces that stress the format: non-ASCII, line ends,
// control characters (no NUL), JSON's and markup's own characters.
std::string random_text(std::mt19937& random, size_t max_pieces) {
  static const char* const kPieces[] = {
      "a", "Zz", " ", "\n", "\r\n", "\t", "\x01", "\x1f", "\x7f", "\"", "\\", "/", "<b>", "&amp;",
      "\u00e9", "\u4e2d\u6587", "\U0001F600", "\u2028", "\\u0041", "{\"x\": [1]}"};
  std::uniform_int_distribution<size_t> count(1, max_pieces), piece(0, std::size(kPieces) - 1);
  std::string text;
  for (size_t n = count(random); n > 0; --n) text += kPieces[piece(random)];
  return text;
}

struct collection { std::vector<Tag> tags; std::vector<Quote> quotes; };

collection random_collection(std::mt19937& random) {
  collection made;
  std::uniform_int_distribution<int> tag_count(1, 6), quote_count(0, 12), coin(0, 2);
  for (int i = tag_count(random); i > 0; --i) {
    std::string name = random_text(random, 3) + "#" + std::to_string(i);  // names are unique
    made.tags.push_back(Tag{static_cast<int32_t>(made.tags.size() + 1), name});
  }
  std::uniform_int_distribution<int64_t> stamp(1, 4000000000);
  for (int i = quote_count(random); i > 0; --i) {
    Quote quote{static_cast<int32_t>(made.quotes.size() + 1), random_text(random, 40), stamp(random), {}};
    for (const Tag& tag : made.tags)
      if (coin(random) == 0) quote.m_tags.push_back(tag);
    std::shuffle(quote.m_tags.begin(), quote.m_tags.end(), random);
    made.quotes.push_back(quote);
  }
  return made;
}

std::string names(const std::vector<Tag>& tags) { return model_testing::tag_names(tags); }

TEST(JsonImportTest, ExportThenImportIntoAnEmptyCollectionKeepsEverything) {
  std::mt19937 random(20);
  for (int round = 0; round < 25; ++round) {
    model_testing::test_collection files;
    collection original = random_collection(random);
    std::string json = export_json(original.tags, original.quotes);
    {
      std::unique_ptr<SQLite::Database> db = open_collection(files.db_file().string());
      import_json(*db, json, false);
    }
    logic store;  // a collection that is not empty gets no default import
    ASSERT_EQ(names(store.tags()), names(original.tags)) << json;
    std::vector<Quote> quotes = store.quotes();
    ASSERT_EQ(quotes.size(), original.quotes.size()) << json;
    for (size_t i = 0; i < quotes.size(); ++i) {
      EXPECT_EQ(quotes[i].m_utftext, original.quotes[i].m_utftext) << json;
      EXPECT_EQ(quotes[i].m_stamp, original.quotes[i].m_stamp) << json;
      EXPECT_EQ(names(quotes[i].m_tags), names(original.quotes[i].m_tags)) << json;
    }
    // A second export of what was imported is the same file, ids aside.
    EXPECT_EQ(export_json(store.tags(), quotes), json);
  }
}

TEST(JsonImportTest, MergeMatchesTagsByNameAndSkipsStoredQuotesAndBadFilesStoreNothing) {
  model_testing::test_collection files;
  std::unique_ptr<SQLite::Database> db = open_collection(files.db_file().string());
  Quote one{1, "one", 100, {Tag{1, "a"}}};
  Quote two{2, "two", 200, {Tag{2, "b"}, Tag{1, "a"}}};
  import_json(*db, export_json({Tag{1, "a"}}, {one}), false);
  EXPECT_THROW(import_json(*db, export_json({}, {two}), false), json_import_error);

  import_counts counts = import_json(*db, export_json({Tag{1, "a"}, Tag{2, "b"}}, {one, two}), true);
  EXPECT_EQ(counts.quotes_added, 1);
  EXPECT_EQ(counts.quotes_skipped, 1);
  EXPECT_EQ(counts.tags_added, 1);

  for (const char* bad : {"", "{}", "{\"parvela\": 2}", "{\"parvela\": 1, \"quotes\": [{}]}",
                          "{\"parvela\": 1, \"quotes\": [{\"text\": \"x\"}]", "[1]",
                          "{\"parvela\": 1, \"quotes\": [{\"text\": \"x\"}]} x"}) {
    EXPECT_THROW(import_json(*db, bad, true), json_import_error) << bad;
  }
  EXPECT_EQ(db->execAndGet("SELECT count(*) FROM quote").getInt(), 2);
  EXPECT_EQ(db->execAndGet("SELECT count(*) FROM tag").getInt(), 2);
}

}  // namespace
}  // namespace pvl
