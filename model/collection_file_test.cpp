// Files the model cannot use are refused, say why, and are left exactly as they were.
#include "model/collection_file.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/raised.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::write_file;

// The damaged files were found by fuzzing: a refused file must not be set up or switched to WAL.
TEST(CollectionFileTest, AFileThatCannotBeUsedIsLeftAsItWasAndOneCutShortWhileOpenGivesErrors) {
  auto sql = [](const char* statements) {
    return [statements](const std::string& path) {
      { logic store; }
      SQLite::Database(path, SQLite::OPEN_READWRITE).exec(statements);
    };
  };
  auto from_corpus = [](const char* name) {
    return [name](const std::string& path) {
      write_file(path, read_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "fuzz/corpus" /
                                 "collection_file_fuzz" / name));
    };
  };
  auto folder_entries = [](const std::filesystem::path& folder) {
    return std::set<std::filesystem::path>(std::filesystem::directory_iterator(folder), {});
  };
  std::unique_ptr<SQLite::Database> locker;
  const struct {
    const char* name;
    std::function<void(const std::string& path)> prepare;
    std::string error;
    bool folder_kept = true;  // no -wal or -shm file was made either
  } rows[] = {
      {"no database",
       [](const std::string& path) { write_file(path, "\x01\x02 other" + std::string(8192, 'Z')); },
       "file is not a database"},
      {"another program's",
       [](const std::string& path) {
         SQLite::Database(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
             .exec("CREATE TABLE quote (body TEXT); INSERT INTO quote VALUES ('mine')");
       },
       "not a Parvela collection but a database of another program"},
      {"page one damaged", from_corpus("damaged_page_one.fdb"), "database disk image is malformed"},
      {"old format damaged", from_corpus("damaged_format1.fdb"),
       "the file is damaged (Page 7: btreeInitPage() returns error code 11)"},
      {"old format index damaged", from_corpus("damaged_index_format1.fdb"),
       "database disk image is malformed"},
      {"a column missing, old format", from_corpus("wrong_column_format1.fdb"),
       "the file is damaged (no such column: m_id)"},
      {"a column missing, word index format", from_corpus("wrong_column_format3.fdb"),
       "the file is damaged (no such column: m_id)"},
      {"newer format", sql("PRAGMA user_version = 4"),
       "a collection in format 4, which this version of Parvela cannot read", false},
      {"locked by another program",
       [&](const std::string& path) {
         sql("")(path);
         locker = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE);
         locker->exec("BEGIN EXCLUSIVE");
       },
       "database is locked"},
      {"a folder", [](const std::string& path) { std::filesystem::create_directories(path); },
       "not a regular file"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    model_testing::test_collection collection;
    const std::string path = collection.db_file().string();
    r.prepare(path);
    collection.mark_logs();
    const std::string before = read_file(path);
    const auto entries = folder_entries(collection.data_dir());
    EXPECT_EQ(model_testing::raised<open_db_error>([] { logic store; }), path + ": " + r.error);
    EXPECT_TRUE(read_file(path) == before) << "the file changed";
    EXPECT_TRUE(!r.folder_kept || folder_entries(collection.data_dir()) == entries);
    EXPECT_EQ(collection.new_lines("debug"), std::vector<std::string>{"Cannot open db: " + path});
    locker.reset();
  }
  // A file cut short under an open collection must give errors, not the SIGBUS of a memory-mapped read.
  model_testing::test_collection collection;
  write_file(collection.db_file(), "");
  {
    logic store;
    EXPECT_EQ(store.quotes().size(), 4u);
    auto db = open_collection(collection.db_file().string());
    EXPECT_EQ(db->execAndGet("PRAGMA journal_mode").getString(), "wal");
    EXPECT_EQ(db->execAndGet("PRAGMA synchronous").getInt(), 2);  // FULL
    EXPECT_EQ(db->execAndGet("PRAGMA foreign_keys").getInt(), 1);
    for (int i = 0; i < 60; ++i) store.addQuote(std::wstring(2000, L'a' + i % 26));
  }
  logic store;
  store.addQuote(L"the write-ahead log holds this one");
  ASSERT_EQ(::truncate(collection.db_file().c_str(), 0), 0);
  EXPECT_ANY_THROW(store.quotes());
}

// The test program has no installed copy of the files to fall back on.
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
