// The import of the default collection into an empty collection file, and the
// default files the program ships.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <set>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using Ids = std::vector<int32_t>;

class DefaultImportTest : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return (collection_.data_dir() / name).string(); }

  model_testing::test_collection collection_;
};

TEST_F(DefaultImportTest, TheShippedFilesMakeAUsefulFirstCollection) {
  for (const char* name : {"defaulttags.xml", "defaultquotes.xml"}) {
    std::filesystem::copy_file(std::string(PARVELA_SOURCE_DIR "/data/") + name, path(name),
                               std::filesystem::copy_options::overwrite_existing);
  }
  logic store;
  std::vector<Tag> tags = store.tags();
  std::vector<Quote> quotes = store.quotes();
  EXPECT_TRUE(tags.size() >= 8 && quotes.size() >= 20) << tags.size() << " " << quotes.size();
  size_t tagged_twice = 0;
  std::set<int32_t> used_tags;
  for (const Quote& quote : quotes) {
    tagged_twice += quote.m_tags.size() >= 2;
    for (const Tag& tag : quote.m_tags) used_tags.insert(tag.m_id);
  }
  EXPECT_GE(tagged_twice, 5u);
  EXPECT_EQ(used_tags.size(), tags.size()) << "a default tag marks no quote";
  // Entities and UTF-8 arrive decoded: a line break and the dash before the author.
  EXPECT_NE(quotes[0].m_utftext.find("\n\u2014 "), std::string::npos) << quotes[0].m_utftext;
}

// No installed copy to fall back on here: the test program has none. The
// start stops, says why and where, and stores nothing; fixed files import at
// the next start.
TEST_F(DefaultImportTest, AMissingBrokenOrInvalidFileStopsTheStartAndStoresNothing) {
  const std::string tags = path("defaulttags.xml"), quotes = path("defaultquotes.xml");
  const std::string kTags = model_testing::kTagsXml, kQuotes = model_testing::kQuotesXml;
  std::string deep = "<q>\n";
  for (int i = 0; i < 200000; ++i) deep += "<q>";
  const struct {
    std::string tags, quotes, error;
  } broken[] = {
      {kTags, "", quotes + ": cannot be read: Error code: 2"},  // missing
      {"<tags><tag id=\"1\" name=\"a\"></tags>", kQuotes,
       tags + ": line 1, column 33: Error reading end tag."},
      {kTags, "<!-- only a comment -->", quotes + ": no root element"},
      {"", kQuotes, tags + ": the file is empty"},
      {kTags, "<q>\n<quote id=\"1\" text=\"caf\xe9\"/></q>", quotes + ": line 2: the text is not UTF-8"},
      {kTags, deep, quotes + ": line 2: elements nest more than 1000 deep"},
      {"<tags>\n<tag id=\"1\" name=\"a\"/>\n<tag id=\"2\"/></tags>", kQuotes,
       tags + ": line 3: <tag> has no \"name\""},
      {"<tags><tag id=\"1\" name=\"a\"/><tag id=\"1\" name=\"b\"/></tags>", kQuotes,
       tags + ": line 1: tag id 1 is given twice"},
      {kTags, "<q><quote id=\"4\"/></q>", quotes + ": line 1: <quote> has no \"text\""},
      {kTags, "<q><quote id=\"99999999999\" text=\"big\"/></q>",
       quotes + ": line 1: id \"99999999999\" is out of range"},
      // A quote naming a tag that is not there: the whole import is undone.
      {kTags,
       "<q><quote id=\"1\" text=\"a\"><t id=\"1\"/></quote>"
       "<quote id=\"2\" text=\"b\"><t id=\"9\"/></quote></q>",
       "9: " + quotes + ": line 1: quote 2 carries tag 9, which is not among the default tags"},
  };
  for (const auto& file : broken) {
    collection_.write_defaults(file.tags, file.quotes);
    if (file.quotes.empty()) std::filesystem::remove(quotes);
    try {
      logic store;
      ADD_FAILURE() << "imported: " << file.error;
    } catch (const fml::exception& error) {
      EXPECT_EQ(std::string(error.what()).rfind(file.error, 0), 0u) << error.what();
      EXPECT_TRUE(dynamic_cast<const read_xml_error*>(&error) ||
                  dynamic_cast<const wrong_tag_id*>(&error));
    }
    SQLite::Database db(collection_.db_file().string());
    EXPECT_EQ(db.execAndGet("SELECT (SELECT count(*) FROM tag) + (SELECT count(*) FROM quote)")
                  .getInt(),
              0);
  }
  collection_.write_defaults(kTags, kQuotes);
  logic store;
  EXPECT_EQ(quote_ids(store.quotes()), (Ids{1, 2, 3, 4}));
}

}  // namespace
}  // namespace pvl
