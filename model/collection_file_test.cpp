// Files the model cannot use: each raises open_db_error saying what is wrong,
// and the file is left exactly as it was.
#include "model/collection_file.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "tests/support/unprivileged.h"

namespace pvl {
namespace {

using model_testing::test_collection;
using testing_support::read_file;
using testing_support::write_file;

class CollectionFileTest : public ::testing::Test {
 protected:
  // Opens the collection through the model's open sequence and returns the
  // error text; fails the test when the open succeeds.
  std::string open_error() {
    try {
      logic store;
    } catch (const open_db_error& error) {
      return error.what();
    }
    ADD_FAILURE() << "the collection opened";
    return {};
  }

  std::vector<std::string> folder_entries() const {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(collection_.data_dir())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string path() const { return collection_.db_file().string(); }

  test_collection collection_;
};

TEST_F(CollectionFileTest, AFileThatIsNoDatabaseIsLeftAsItWas) {
  std::string garbage = "\x01\x02 some other format, not SQLite";
  garbage.append(8192, '\x5a');
  write_file(collection_.db_file(), garbage);
  auto entries = folder_entries();

  EXPECT_EQ(open_error(), path() + ": file is not a database");
  EXPECT_EQ(read_file(collection_.db_file()), garbage);
  EXPECT_EQ(folder_entries(), entries);
  EXPECT_EQ(collection_.new_lines("debug"),
            (std::vector<std::string>{"Cannot open db: " + path()}));
}

TEST_F(CollectionFileTest, ADatabaseOfAnotherProgramIsLeftAsItWas) {
  {
    SQLite::Database other(path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    other.exec("CREATE TABLE quote (body TEXT); INSERT INTO quote VALUES ('mine')");
  }
  std::string before = read_file(collection_.db_file());

  EXPECT_EQ(open_error(), path() + ": not a Parvela collection but a database of another program");
  EXPECT_EQ(read_file(collection_.db_file()), before);
}

// Damaged databases (found by fuzzing): an empty-looking one whose first
// page is damaged, where creating the tables fails, one of the older
// format, which would be set up and then fail to read, and ones whose quote
// table lacks a column. None may have been set up or switched to a
// write-ahead log when it is refused.
TEST_F(CollectionFileTest, ADamagedDatabaseIsLeftAsItWas) {
  const std::pair<const char*, const char*> cases[] = {
      {"damaged_page_one.fdb", "database disk image is malformed"},
      {"damaged_format1.fdb", "the file is damaged (Page 7: btreeInitPage() returns error code 11)"},
      {"damaged_index_format1.fdb", "database disk image is malformed"},
      {"wrong_column_format1.fdb", "the file is damaged (no such column: m_id)"},
      {"wrong_column_format3.fdb", "the file is damaged (no such column: m_id)"}};
  for (const auto& [name, error] : cases) {
    std::string damaged = read_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "fuzz" /
                                    "corpus" / "collection_file_fuzz" / name);
    write_file(collection_.db_file(), damaged);
    auto entries = folder_entries();

    EXPECT_EQ(open_error(), path() + ": " + error) << name;
    EXPECT_EQ(read_file(collection_.db_file()), damaged) << name;
    EXPECT_EQ(folder_entries(), entries) << name;
  }
}

TEST_F(CollectionFileTest, ACollectionOfANewerFormatIsLeftAsItWas) {
  { logic store; }
  {
    SQLite::Database newer(path(), SQLite::OPEN_READWRITE);
    newer.exec("PRAGMA user_version = 4");
  }
  std::string before = read_file(collection_.db_file());

  EXPECT_EQ(open_error(),
            path() + ": a collection in format 4, which this version of Parvela cannot read");
  EXPECT_EQ(read_file(collection_.db_file()), before);
}

TEST_F(CollectionFileTest, AFolderInThePlaceOfTheFileIsReported) {
  std::filesystem::create_directory(collection_.db_file());
  EXPECT_EQ(open_error(), path() + ": not a regular file");
  EXPECT_TRUE(std::filesystem::is_empty(collection_.db_file()));
}

TEST_F(CollectionFileTest, AFileThatCannotBeWrittenIsLeftAsItWas) {
  { logic store; }
  std::string before = read_file(collection_.db_file());
  chmod(collection_.db_file().c_str(), 0400);

  std::string expected = path() + ": cannot be read and written: Error code: 13 ";
  EXPECT_TRUE(testing_support::run_unprivileged(collection_.root(), [&expected] {
    try {
      logic store;
    } catch (const open_db_error& error) {
      return std::string(error.what()).rfind(expected, 0) == 0;
    }
    return false;
  }));
  EXPECT_EQ(read_file(collection_.db_file()), before);
}

TEST_F(CollectionFileTest, AFileAnotherProgramKeepsLockedIsReportedAfterAWait) {
  { logic store; }
  std::string before = read_file(collection_.db_file());
  SQLite::Database other(path(), SQLite::OPEN_READWRITE);
  other.exec("BEGIN EXCLUSIVE");

  EXPECT_EQ(open_error(), path() + ": database is locked");
  other.exec("ROLLBACK");
  EXPECT_EQ(read_file(collection_.db_file()), before);
}

TEST_F(CollectionFileTest, AnEmptyFileBecomesANewCollection) {
  write_file(collection_.db_file(), "");
  logic store;
  EXPECT_EQ(store.quotes().size(), 4u);
}

// Another program cuts the file short while the collection is open, with
// pages still to be read from it: the reads fail with an error the program
// can report, and the process goes on (a memory-mapped read would end it
// with SIGBUS).
TEST_F(CollectionFileTest, AFileCutShortWhileOpenGivesErrorsNotACrash) {
  {
    logic store;
    for (int i = 0; i < 60; ++i) store.addQuote(std::wstring(2000, L'a' + i % 26));
  }
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      logic store;
      store.addQuote(L"the write-ahead log holds this one");
      if (::truncate(path().c_str(), 0) != 0) _exit(2);
      store.quotes();
    } catch (const std::exception&) {
      // An error is what is expected; a crash is not.
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
}

TEST_F(CollectionFileTest, TheFileKeepsAWriteAheadLogSyncedAtEveryCommit) {
  auto db = open_collection(path());
  EXPECT_EQ(db->execAndGet("PRAGMA journal_mode").getString(), "wal");
  EXPECT_EQ(db->execAndGet("PRAGMA synchronous").getInt(), 2);  // FULL
  EXPECT_EQ(db->execAndGet("PRAGMA foreign_keys").getInt(), 1);
}

}  // namespace
}  // namespace pvl
