// Files the model cannot use: each raises open_db_error saying what is wrong,
// and the file is left exactly as it was.
#include "model/collection_file.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::write_file;

// The names in the data folder.
std::set<std::filesystem::path> folder_entries(const std::filesystem::path& folder) {
  return {std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()};
}

// Each case prepares the file; the open fails with the path and the reason,
// and neither the file nor the folder changes (damaged files were found by
// fuzzing: none may be set up or switched to a write-ahead log when refused).
TEST(CollectionFileTest, AFileThatCannotBeUsedIsRefusedAndLeftAsItWas) {
  auto sql = [](const std::string& path, const char* statements) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(statements);
  };
  std::unique_ptr<SQLite::Database> locker;
  // A damaged file found by fuzzing.
  auto from_corpus = [](const char* name) {
    return [name](const std::string& path) {
      write_file(path, read_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "fuzz" / "corpus" /
                                 "collection_file_fuzz" / name));
    };
  };
  struct row {
    const char* name;
    std::function<void(const std::string& path)> prepare;
    std::string error;
    bool folder_kept = true;  // no -wal or -shm file was made either
  };
  const row rows[] = {
      {"no database",
       [](const std::string& path) { write_file(path, "\x01\x02 other" + std::string(8192, 'Z')); },
       "file is not a database"},
      {"another program's",
       [&](const std::string& path) {
         sql(path, "CREATE TABLE quote (body TEXT); INSERT INTO quote VALUES ('mine')");
       },
       "not a Parvela collection but a database of another program"},
      {"page one damaged", from_corpus("damaged_page_one.fdb"),
       "database disk image is malformed"},
      {"old format damaged", from_corpus("damaged_format1.fdb"),
       "the file is damaged (Page 7: btreeInitPage() returns error code 11)"},
      {"old format index damaged", from_corpus("damaged_index_format1.fdb"),
       "database disk image is malformed"},
      {"a column missing, old format", from_corpus("wrong_column_format1.fdb"),
       "the file is damaged (no such column: m_id)"},
      {"a column missing, word index format", from_corpus("wrong_column_format3.fdb"),
       "the file is damaged (no such column: m_id)"},
      {"newer format",
       [&](const std::string& path) {
         { logic store; }
         sql(path, "PRAGMA user_version = 4");
       },
       "a collection in format 4, which this version of Parvela cannot read", false},
      {"locked by another program",
       [&](const std::string& path) {
         { logic store; }
         locker = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE);
         locker->exec("BEGIN EXCLUSIVE");
       },
       "database is locked"},
      {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); },
       "not a regular file"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    model_testing::test_collection collection;
    const std::string path = collection.db_file().string();
    r.prepare(path);
    collection.mark_logs();
    const std::string before = read_file(path);
    const auto entries = folder_entries(collection.data_dir());
    try {
      logic store;
      ADD_FAILURE() << "the collection opened";
    } catch (const open_db_error& error) {
      EXPECT_EQ(error.what(), path + ": " + r.error);
    }
    EXPECT_TRUE(read_file(path) == before) << "the file changed";
    if (r.folder_kept) {
      EXPECT_TRUE(folder_entries(collection.data_dir()) == entries);
    }
    EXPECT_EQ(collection.new_lines("debug"), std::vector<std::string>{"Cannot open db: " + path});
    locker.reset();
  }
  // An empty file becomes a new collection, which keeps a write-ahead log
  // synced at every commit.
  model_testing::test_collection collection;
  write_file(collection.db_file(), "");
  EXPECT_EQ(logic().quotes().size(), 4u);
  auto db = open_collection(collection.db_file().string());
  EXPECT_EQ(db->execAndGet("PRAGMA journal_mode").getString(), "wal");
  EXPECT_EQ(db->execAndGet("PRAGMA synchronous").getInt(), 2);  // FULL
  EXPECT_EQ(db->execAndGet("PRAGMA foreign_keys").getInt(), 1);
}

// Another program cuts the file short while the collection is open, with
// pages still to be read from it: the reads fail with an error the program
// can report (a memory-mapped read would end the process with SIGBUS).
TEST(CollectionFileTest, AFileCutShortWhileOpenGivesErrorsNotACrash) {
  model_testing::test_collection collection;
  {
    logic store;
    for (int i = 0; i < 60; ++i) store.addQuote(std::wstring(2000, L'a' + i % 26));
  }
  logic store;
  store.addQuote(L"the write-ahead log holds this one");
  ASSERT_EQ(::truncate(collection.db_file().c_str(), 0), 0);
  EXPECT_ANY_THROW(store.quotes());
}

}  // namespace
}  // namespace pvl
