#include "model/collection_file.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "fml/app_errors.h"
#include "fml/message.h"
#include "model/transaction.h"
#include "model/word_marks.h"
#include "model/word_query.h"

namespace pvl {

namespace {

// Written into the file's header, so that the program recognises its own
// files and leaves every other database alone.
constexpr int kApplicationId = 0x50766C61;  // "Pvla"
// Format 1: the record tables. Format 2 adds the word indexes; format 3
// keeps no word positions in the words index, which makes it less than half
// the size. A file of an older format is brought to format 3 when it is
// opened.
constexpr int kSchemaVersion = 3;
constexpr int kWordPositionsVersion = 2;
constexpr int kRecordsVersion = 1;

// "Table order" is insertion order: both record tables keep SQLite's rowid,
// which grows with every insertion, and the ids are a separate unique column.
// The link table keeps a quote's tags in the order they were attached (pos);
// its foreign keys remove the links of a removed quote or tag. Its key
// columns come first: SQLite 3.40's integrity_check misreads a NOT NULL
// column declared between the key columns of a WITHOUT ROWID table.
const char kSchema[] = R"(
CREATE TABLE tag (
  m_id INTEGER NOT NULL UNIQUE,
  m_utfname TEXT NOT NULL
);
CREATE TABLE quote (
  m_id INTEGER NOT NULL UNIQUE,
  m_utftext TEXT NOT NULL,
  m_stamp INTEGER NOT NULL
);
CREATE INDEX quote_by_stamp ON quote (m_stamp);
CREATE TABLE quote_tag (
  quote INTEGER NOT NULL REFERENCES quote (m_id) ON DELETE CASCADE,
  pos INTEGER NOT NULL,
  tag INTEGER NOT NULL REFERENCES tag (m_id) ON DELETE CASCADE,
  PRIMARY KEY (quote, pos)
) WITHOUT ROWID;
CREATE UNIQUE INDEX quote_tag_by_tag ON quote_tag (tag, quote);
)";

// The word indexes of the quotes' texts (model/word_query.h): "quote_words"
// holds every text's words, case and accents folded; "quote_chars" holds the
// trigrams of the texts written partly without spaces. Neither keeps the
// texts' sizes (columnsize = 0): they serve matching, not ranking. The words
// index keeps no positions either (detail = none): the search checks the
// order of a phrase's words on the texts the index finds (model/word_query.h).
// The trigram index keeps them, to find a run longer than 3 characters in
// one step; it holds few texts. Both read their texts
// from the table quote by its rowid and are kept in step by triggers, in
// the transaction of every change: an insertion, a deletion, and an update
// of the text or of the rowid (the undo journal moves a quote that holds
// the place of one it gives back).
std::string word_index_schema() {
  const std::string unspaced = "m_utftext GLOB '" + unspaced_text_glob() + "'";
  return R"(
CREATE VIRTUAL TABLE quote_words USING fts5 (
  m_utftext, content = 'quote', tokenize = 'unicode61 remove_diacritics 2', columnsize = 0,
  detail = none);
CREATE VIRTUAL TABLE quote_chars USING fts5 (
  m_utftext, content = 'quote', tokenize = 'trigram', columnsize = 0);
CREATE TRIGGER quote_words_insert AFTER INSERT ON quote BEGIN
  INSERT INTO quote_words (rowid, m_utftext) VALUES (new.rowid, new.m_utftext);
END;
CREATE TRIGGER quote_words_delete AFTER DELETE ON quote BEGIN
  INSERT INTO quote_words (quote_words, rowid, m_utftext)
    VALUES ('delete', old.rowid, old.m_utftext);
END;
CREATE TRIGGER quote_chars_insert AFTER INSERT ON quote WHEN new.)" + unspaced + R"( BEGIN
  INSERT INTO quote_chars (rowid, m_utftext) VALUES (new.rowid, new.m_utftext);
END;
CREATE TRIGGER quote_chars_delete AFTER DELETE ON quote WHEN old.)" + unspaced + R"( BEGIN
  INSERT INTO quote_chars (quote_chars, rowid, m_utftext)
    VALUES ('delete', old.rowid, old.m_utftext);
END;
CREATE TRIGGER quote_words_update AFTER UPDATE ON quote
    WHEN old.rowid != new.rowid OR old.m_utftext IS NOT new.m_utftext BEGIN
  INSERT INTO quote_words (quote_words, rowid, m_utftext)
    VALUES ('delete', old.rowid, old.m_utftext);
  INSERT INTO quote_words (rowid, m_utftext) VALUES (new.rowid, new.m_utftext);
END;
CREATE TRIGGER quote_chars_update_delete AFTER UPDATE ON quote
    WHEN (old.rowid != new.rowid OR old.m_utftext IS NOT new.m_utftext) AND old.)" + unspaced + R"( BEGIN
  INSERT INTO quote_chars (quote_chars, rowid, m_utftext)
    VALUES ('delete', old.rowid, old.m_utftext);
END;
CREATE TRIGGER quote_chars_update_insert AFTER UPDATE ON quote
    WHEN (old.rowid != new.rowid OR old.m_utftext IS NOT new.m_utftext) AND new.)" + unspaced + R"( BEGIN
  INSERT INTO quote_chars (rowid, m_utftext) VALUES (new.rowid, new.m_utftext);
END;
INSERT INTO quote_words (quote_words) VALUES ('rebuild');
)";
}

// The words index of format 2 (with positions) replaced by that of format 3;
// the triggers name the table and stay.
const char kWordsWithoutPositions[] = R"(
DROP TABLE quote_words;
CREATE VIRTUAL TABLE quote_words USING fts5 (
  m_utftext, content = 'quote', tokenize = 'unicode61 remove_diacritics 2', columnsize = 0,
  detail = none);
INSERT INTO quote_words (quote_words) VALUES ('rebuild');
)";

// Fills the trigram index with the texts its triggers take: those that match
// unspaced_text_glob(). A text without a character of U+0800 or above (as
// SQLite reads characters, a lead byte and every continuation byte after it)
// cannot match and is not looked at, which spares the costly pattern for
// most texts.
void fill_trigram_index(SQLite::Database& db) {
  const std::string glob = unspaced_text_glob();
  const auto may_match = [](const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      const unsigned char byte = static_cast<unsigned char>(text[i]);
      if (byte >= 0xE0) return true;
      if (byte >= 0xC0 && i + 2 < size && (text[i + 1] & 0xC0) == 0x80 &&
          (text[i + 2] & 0xC0) == 0x80)
        return true;
    }
    return false;
  };
  SQLite::Statement select(db, "SELECT rowid, m_utftext FROM quote");
  SQLite::Statement insert(
      db, "INSERT INTO quote_chars (rowid, m_utftext) SELECT rowid, m_utftext FROM quote "
          "WHERE rowid = ?");
  while (select.executeStep()) {
    const SQLite::Column text = select.getColumn(1);
    const char* utf8 = text.getText();
    if (!may_match(utf8, static_cast<size_t>(text.getBytes()))) continue;
    if (sqlite3_strglob(glob.c_str(), utf8) != 0) continue;
    insert.bind(1, select.getColumn(0).getInt64());
    insert.exec();
    insert.reset();
  }
}

// quote_holds_words (collection_file.h); the terms are read once per
// statement.
void holds_words(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* marks = static_cast<const word_marks*>(sqlite3_get_auxdata(context, 1));
  std::optional<word_marks> kept_here;  // when SQLite cannot keep them
  if (!marks) {
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(values[1]));
    const std::string_view terms = text ? text : "";
    sqlite3_set_auxdata(context, 1, new word_marks(terms),
                        [](void* made) { delete static_cast<word_marks*>(made); });
    marks = static_cast<const word_marks*>(sqlite3_get_auxdata(context, 1));
    if (!marks) marks = &kept_here.emplace(terms);
  }
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  const int size = sqlite3_value_bytes(values[0]);
  const bool all = sqlite3_value_int(values[2]) != 0;
  sqlite3_result_int(context, marks->holds(std::string_view(text ? text : "", size), all));
}

[[noreturn]] void fail(const std::string& path, const std::string& what) {
  throw open_db_error(path + ": " + what);
}

// Makes sure a file is there for SQLite to open, creating a missing one with
// the user's permissions only (the journal files SQLite adds copy them).
void check_or_create(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) fail(path, "not a regular file");
    // SQLite reads a file of one byte as an empty one and would make a new
    // collection of it; it is no database, whatever that byte is.
    if (info.st_size == 1) fail(path, "file is not a database");
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
      fail(path, "cannot be read and written: " + fml::system_error_text());
    }
    return;
  }
  if (errno != ENOENT) fail(path, fml::system_error_text());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) fail(path, "cannot be created: " + fml::system_error_text());
  ::close(fd);
}

// Looks at the file through a read-only connection, so that a file that is
// not a collection of this program is reported before anything could be
// written to it. Returns the file's format, 0 when it holds no database
// objects yet.
int read_version(const std::string& path) {
  SQLite::Database reader(path, SQLite::OPEN_READONLY, kCollectionLockWaitMs);
  int objects = reader.execAndGet("SELECT count(*) FROM sqlite_master").getInt();
  int application = reader.execAndGet("PRAGMA application_id").getInt();
  int version = reader.execAndGet("PRAGMA user_version").getInt();
  bool fresh = objects == 0 && application == 0 && version == 0;
  if (!fresh && application != kApplicationId) {
    fail(path, "not a Parvela collection but a database of another program");
  }
  if (!fresh && version != kSchemaVersion && version != kWordPositionsVersion &&
      version != kRecordsVersion) {
    fail(path, "a collection in format " + std::to_string(version) +
                   ", which this version of Parvela cannot read");
  }
  // The program's statements name these columns. A file of ours that lacks
  // one is damaged, and is refused before the setup below could write to it.
  if (!fresh) {
    for (const char* columns : {"SELECT m_id, m_utfname FROM tag",
                                "SELECT m_id, m_utftext, m_stamp FROM quote",
                                "SELECT quote, pos, tag FROM quote_tag"}) {
      try {
        SQLite::Statement probe(reader, columns);
      } catch (const SQLite::Exception& error) {
        fail(path, std::string("the file is damaged (") + error.what() + ")");
      }
    }
  }
  // A file that the open below is going to write (a setup, the switch to the
  // write-ahead log) is checked first, so that a damaged one is refused as
  // it is rather than half changed. A collection already set up is not read
  // through at every start.
  bool will_write = version != kSchemaVersion ||
                    reader.execAndGet("PRAGMA journal_mode").getString() != "wal";
  if (!fresh && will_write) {
    // The whole check (indexes against their tables, too): the quick one
    // passes files whose later reads fail. It runs once, before the setup.
    std::string check = reader.execAndGet("PRAGMA integrity_check(1)").getString();
    // Without the heading SQLite puts above the first fault.
    if (check.starts_with("*** ") && check.find('\n') != std::string::npos)
      check.erase(0, check.find('\n') + 1);
    if (check != "ok") fail(path, "the file is damaged (" + check + ")");
  }
  return fresh ? 0 : version;
}

int probe_version(const std::string& path) {
  try {
    return read_version(path);
  } catch (const SQLite::Exception& error) {
    // A new or older file is set up with a rollback journal (see
    // open_collection); a setup cut short leaves that journal behind, which
    // only a writable connection can roll back. Then the file is looked at
    // again, as it was before the setup.
    if (error.getExtendedErrorCode() != SQLITE_READONLY_ROLLBACK) throw;
    SQLite::Database writer(path, SQLite::OPEN_READWRITE, kCollectionLockWaitMs);
    writer.execAndGet("SELECT count(*) FROM sqlite_master");
  }
  return read_version(path);
}

}  // namespace

int remove_most_quotes(SQLite::Database& db, const std::string& ids) {
  // The word indexes' deletion triggers, and the indexes that would take
  // each removed row out one by one, are set aside and made again from what
  // stays.
  std::vector<std::string> set_aside;
  {
    SQLite::Statement select(
        db, "SELECT sql FROM sqlite_master WHERE (type = 'trigger' AND name IN "
            "('quote_words_delete', 'quote_chars_delete')) OR (type = 'index' AND name IN "
            "('quote_tag_by_tag', 'quote_by_stamp'))");
    while (select.executeStep()) set_aside.push_back(select.getColumn(0).getString());
  }
  // When every quote goes, the tables are emptied whole: SQLite frees their
  // pages without looking up each row.
  bool every_quote = false;
  {
    SQLite::Statement listed(db,
                             "SELECT (SELECT count(*) FROM quote) = (SELECT count(*) FROM quote "
                             "WHERE m_id IN (SELECT value FROM json_each(?)))");
    listed.bind(1, ids);
    listed.executeStep();
    every_quote = listed.getColumn(0).getInt() == 1;
  }
  db.exec(
      "DROP TRIGGER IF EXISTS quote_words_delete; DROP TRIGGER IF EXISTS quote_chars_delete;"
      "DROP INDEX IF EXISTS quote_tag_by_tag; DROP INDEX IF EXISTS quote_by_stamp");
  auto remove_from = [&](const std::string& table, const std::string& column) {
    std::string sql = "DELETE FROM " + table;
    if (!every_quote) sql += " WHERE " + column + " IN (SELECT value FROM json_each(?))";
    SQLite::Statement remove(db, sql);
    if (!every_quote) remove.bind(1, ids);
    return remove.exec();
  };
  remove_from("quote_tag", "quote");
  const int removed = remove_from("quote", "m_id");
  db.exec("INSERT INTO quote_words (quote_words) VALUES ('rebuild');"
          "INSERT INTO quote_chars (quote_chars) VALUES ('delete-all')");
  fill_trigram_index(db);
  for (const std::string& sql : set_aside) db.exec(sql);
  return removed;
}

foreign_keys_paused::foreign_keys_paused(SQLite::Database& db) : db_(db) {
  if (!sqlite3_get_autocommit(db.getHandle())) return;
  if (db.execAndGet("PRAGMA foreign_keys").getInt() == 0) return;
  db.exec("PRAGMA foreign_keys = OFF");
  paused_ = true;
}

foreign_keys_paused::~foreign_keys_paused() {
  if (!paused_) return;
  try {
    db_.exec("PRAGMA foreign_keys = ON");
  } catch (const SQLite::Exception&) {
    // Only while a transaction is open, which the owner ends first.
  }
}

std::unique_ptr<SQLite::Database> open_collection(const std::string& path) {
  check_or_create(path);
  try {
    const int version = probe_version(path);
    // One thread uses the connection: SQLite's own locking is not needed.
    auto db = std::make_unique<SQLite::Database>(
        path, SQLite::OPEN_READWRITE | SQLite::OPEN_NOMUTEX, kCollectionLockWaitMs);
    if (sqlite3_db_readonly(db->getHandle(), "main") == 1) fail(path, "opened read-only");
    db->exec("PRAGMA foreign_keys = ON");
    db->exec("PRAGMA synchronous = FULL");
    // Reads with system calls, never through a memory map: another program
    // cutting the file short would turn a read of the map into SIGBUS,
    // where a read call reports an error the program can show.
    db->exec("PRAGMA mmap_size = 0");
    if (sqlite3_create_function_v2(db->getHandle(), kHoldsWordsFunction, 3,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, holds_words,
                                   nullptr, nullptr, nullptr) != SQLITE_OK) {
      fail(path, sqlite3_errmsg(db->getHandle()));
    }

    // Taking the write lock here reports a file another program keeps locked
    // now rather than at the user's first change. A file of the older format
    // gets its word indexes in the same transaction: an interrupted build
    // leaves the file as it was.
    transaction setup(*db);
    if (version == 0) {
      db->exec(kSchema);
      db->exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    }
    if (version == kWordPositionsVersion) {
      db->exec(kWordsWithoutPositions);
    } else if (version != kSchemaVersion) {
      db->exec(word_index_schema());
      fill_trigram_index(*db);
    }
    if (version != kSchemaVersion)
      db->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    setup.commit();
    // Write-ahead log, synced at every commit: a commit that returned
    // survives a killed process and a power cut, and a torn write leaves the
    // file as it was at the last commit. Switched on only now: the switch
    // writes the file's header, and a file whose setup failed above (a
    // damaged one) must be left as it was; a file switched before keeps it.
    if (db->execAndGet("PRAGMA journal_mode = WAL").getString() != "wal") {
      fail(path, "cannot keep a write-ahead log beside the file");
    }
    return db;
  } catch (const SQLite::Exception& error) {
    fail(path, error.what());
  }
}

}  // namespace pvl
