// The import of the default collection into an empty collection file, and the
// default files the program ships.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "tests/support/unprivileged.h"

namespace pvl {
namespace {

using model_testing::quote_ids;
using testing_support::read_file;
using Ids = std::vector<int32_t>;

class DefaultImportTest : public ::testing::Test {
 protected:
  // Opens the collection and returns the text of the error that stopped the
  // import, or "" when it succeeded.
  template <typename Error>
  std::string import_error() {
    try {
      logic store;
    } catch (const Error& error) {
      return error.what();
    }
    return "";
  }

  bool collection_is_empty() const {
    SQLite::Database db(collection_.db_file().string());
    return db.execAndGet("SELECT (SELECT count(*) FROM tag) + (SELECT count(*) FROM quote)")
               .getInt() == 0;
  }

  std::string tags_path() const { return (collection_.data_dir() / "defaulttags.xml").string(); }
  std::string quotes_path() const {
    return (collection_.data_dir() / "defaultquotes.xml").string();
  }

  model_testing::test_collection collection_;
};

TEST_F(DefaultImportTest, TheShippedFilesMakeAUsefulFirstCollection) {
  std::filesystem::copy_file(PARVELA_SOURCE_DIR "/data/defaulttags.xml",
                             collection_.data_dir() / "defaulttags.xml",
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(PARVELA_SOURCE_DIR "/data/defaultquotes.xml",
                             collection_.data_dir() / "defaultquotes.xml",
                             std::filesystem::copy_options::overwrite_existing);
  logic store;
  std::vector<Tag> tags = store.tags();
  std::vector<Quote> quotes = store.quotes();
  EXPECT_GE(tags.size(), 8u);
  EXPECT_LE(tags.size(), 12u);
  EXPECT_GE(quotes.size(), 20u);
  EXPECT_LE(quotes.size(), 30u);

  std::set<std::string> names;
  for (const Tag& tag : tags) names.insert(tag.m_utfname);
  EXPECT_EQ(names.size(), tags.size()) << "tag names repeat";
  size_t tagged_twice = 0;
  std::set<int32_t> used_tags;
  for (const Quote& quote : quotes) {
    EXPECT_FALSE(quote.m_utftext.empty());
    EXPECT_GT(quote.m_stamp, 0);
    if (quote.m_tags.size() >= 2) ++tagged_twice;
    for (const Tag& tag : quote.m_tags) used_tags.insert(tag.m_id);
  }
  EXPECT_GE(tagged_twice, 5u);
  EXPECT_EQ(used_tags.size(), tags.size()) << "a default tag marks no quote";
  // Entities and UTF-8 arrive decoded: a line break and the dash before the author.
  EXPECT_NE(quotes[0].m_utftext.find("\n\u2014 "), std::string::npos) << quotes[0].m_utftext;
}

TEST_F(DefaultImportTest, ReadOnlyDefaultFilesImport) {
  chmod((collection_.data_dir() / "defaulttags.xml").c_str(), 0444);
  chmod((collection_.data_dir() / "defaultquotes.xml").c_str(), 0444);
  std::string before = read_file(collection_.data_dir() / "defaultquotes.xml");
  EXPECT_TRUE(testing_support::run_unprivileged(collection_.root(), [] {
    logic store;
    return quote_ids(store.quotes()) == Ids{1, 2, 3, 4};
  }));
  EXPECT_EQ(read_file(collection_.data_dir() / "defaultquotes.xml"), before);
}

TEST_F(DefaultImportTest, OnlyTheAttributesCount) {
  collection_.write_defaults(
      "<?xml version=\"1.0\"?><!-- any names --><x>"
      "<a id=\"12abc\" name=\"twelve\" colour=\"red\">text</a><!-- skipped -->"
      "<b id=\"x1\" name=\"zero\"/><c id=\"  -7\" name=\"&lt;minus&gt; &amp; seven\"/></x>",
      "<y><z id=\"30\" text=\"q\"><t id=\"0\"/><!-- c --><t id=\"12\"/><t id=\"0\"/>"
      "<u id=\"-7\"/></z></y>");
  logic store;
  std::vector<Tag> tags = store.tags();
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].m_id, 12);
  EXPECT_EQ(tags[1].m_id, 0);
  EXPECT_EQ(tags[2].m_id, -7);
  EXPECT_EQ(tags[2].m_utfname, "<minus> & seven");
  std::optional<Quote> quote = store.getQuote(30);
  ASSERT_TRUE(quote);
  ASSERT_EQ(quote->m_tags.size(), 3u);  // tag 0 named twice, attached once
  EXPECT_EQ(quote->m_tags[0].m_id, 0);
  EXPECT_EQ(quote->m_tags[1].m_id, 12);
  EXPECT_EQ(quote->m_tags[2].m_id, -7);
  EXPECT_EQ(store.addTag(L"next"), 13);
  EXPECT_EQ(store.addQuote(L"next"), 31);
}

TEST_F(DefaultImportTest, AMissingOrBrokenFileStopsTheStartSaysWhyAndStoresNothing) {
  // No installed copy to fall back on here: the test program has none.
  std::filesystem::remove(collection_.data_dir() / "defaultquotes.xml");
  EXPECT_EQ(
      import_error<read_xml_error>().rfind(quotes_path() + ": cannot be read: Error code: 2", 0),
      0u);
  EXPECT_TRUE(collection_is_empty());

  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<q>";
  struct {
    std::string tags, quotes, error;
  } broken[] = {
      {"<tags><tag id=\"1\" name=\"a\"></tags>", model_testing::kQuotesXml,
       tags_path() + ": line 1, column 33: Error reading end tag."},
      {model_testing::kTagsXml, "<!-- only a comment -->", quotes_path() + ": no root element"},
      {"", model_testing::kQuotesXml, tags_path() + ": the file is empty"},
      {model_testing::kTagsXml, "<q>\n<quote id=\"1\" text=\"caf\xe9\"/></q>",
       quotes_path() + ": line 2: the text is not UTF-8"},
      {model_testing::kTagsXml, "<q>\n" + deep,
       quotes_path() + ": line 2: elements nest more than 1000 deep"},
  };
  for (auto& file : broken) {
    collection_.write_defaults(file.tags, file.quotes);
    EXPECT_EQ(import_error<read_xml_error>(), file.error);
    EXPECT_TRUE(collection_is_empty());
  }

  // Fixed files import at the next start.
  collection_.write_defaults(model_testing::kTagsXml, model_testing::kQuotesXml);
  logic store;
  EXPECT_EQ(quote_ids(store.quotes()), (Ids{1, 2, 3, 4}));
}

TEST_F(DefaultImportTest, InvalidContentIsReportedWithItsLineAndNothingIsStored) {
  collection_.write_defaults("<tags>\n<tag id=\"1\" name=\"a\"/>\n<tag id=\"2\"/></tags>",
                             model_testing::kQuotesXml);
  EXPECT_EQ(import_error<read_xml_error>(), tags_path() + ": line 3: <tag> has no \"name\"");

  collection_.write_defaults("<tags><tag id=\"1\" name=\"a\"/><tag id=\"1\" name=\"b\"/></tags>",
                             model_testing::kQuotesXml);
  EXPECT_EQ(import_error<read_xml_error>(), tags_path() + ": line 1: tag id 1 is given twice");

  collection_.write_defaults(model_testing::kTagsXml, "<q><quote id=\"4\"/></q>");
  EXPECT_EQ(import_error<read_xml_error>(), quotes_path() + ": line 1: <quote> has no \"text\"");

  collection_.write_defaults(model_testing::kTagsXml,
                             "<q><quote id=\"99999999999\" text=\"big\"/></q>");
  EXPECT_EQ(import_error<read_xml_error>(),
            quotes_path() + ": line 1: id \"99999999999\" is out of range");

  // A quote naming a tag that is not there: the whole import is undone.
  collection_.write_defaults(model_testing::kTagsXml,
                             "<q><quote id=\"1\" text=\"a\"><t id=\"1\"/></quote>"
                             "<quote id=\"2\" text=\"b\"><t id=\"9\"/></quote></q>");
  EXPECT_EQ(import_error<wrong_tag_id>(),
            "9: " + quotes_path() +
                ": line 1: quote 2 carries tag 9, which is not among the "
                "default tags");
  EXPECT_TRUE(collection_is_empty());
}

}  // namespace
}  // namespace pvl
