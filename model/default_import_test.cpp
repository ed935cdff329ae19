// The import of the default collection into an empty collection file.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

// No installed copy to fall back on here: the test program has none. The
// start stops, says why and where, and stores nothing; fixed files import at
// the next start.
TEST(DefaultImportTest, AMissingBrokenOrInvalidFileStopsTheStartAndStoresNothing) {
  model_testing::test_collection collection;
  const std::string tags = (collection.data_dir() / "defaulttags.xml").string();
  const std::string quotes = (collection.data_dir() / "defaultquotes.xml").string();
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
    collection.write_defaults(file.tags, file.quotes);
    if (file.quotes.empty()) std::filesystem::remove(quotes);
    try {
      logic store;
      ADD_FAILURE() << "imported: " << file.error;
    } catch (const fml::exception& error) {
      EXPECT_EQ(std::string(error.what()).rfind(file.error, 0), 0u) << error.what();
      EXPECT_TRUE(dynamic_cast<const read_xml_error*>(&error) ||
                  dynamic_cast<const wrong_tag_id*>(&error));
    }
    SQLite::Database db(collection.db_file().string());
    EXPECT_EQ(db.execAndGet("SELECT (SELECT count(*) FROM tag) + (SELECT count(*) FROM quote)").getInt(), 0);
  }
  collection.write_defaults(kTags, kQuotes);
  logic store;
  EXPECT_EQ(model_testing::quote_ids(store.quotes()), (std::vector<int32_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace pvl
