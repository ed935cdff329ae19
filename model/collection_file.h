// The collection's file: an SQLite database with the tables "tag", "quote"
// and "quote_tag" and the word indexes of the quotes' texts, opened so that every committed change survives a killed
// process and a power cut (write-ahead log, synced at every commit).
#pragma once

#include <memory>
#include <string>

namespace SQLite {
class Database;
}

namespace pvl {

// How long an open or a change waits for a lock another program holds on
// the file before it gives up.
inline constexpr int kCollectionLockWaitMs = 3000;

// The SQL function every connection open_collection makes offers:
// quote_holds_words(text, terms, all) is 1 when the text holds every term
// (all = 1) or at least one (all = 0) of `terms`, search words as typed,
// matched as model/word_marks.h matches them, else 0.
inline constexpr char kHoldsWordsFunction[] = "quote_holds_words";

// Opens the collection file at `path` (UTF-8) for reading and writing. A
// missing file is created, readable by the user alone, with empty tables; a
// file of an older format gets its word indexes, built in one transaction.
// Raises open_db_error with the text "<path>: <what is wrong>" when the file
// cannot be opened, is not a database, is a database of another program or
// of a newer version, cannot be written, or stays locked by another program
// for more than a few seconds; such a file is left exactly as it was.
std::unique_ptr<SQLite::Database> open_collection(const std::string& path);

// Removes the quotes whose ids the JSON array `ids` lists, with their links
// to tags, when they are most of the collection: taking each text out of
// the word indexes, and each row out of the secondary indexes, costs more
// than building them again from what stays. The word indexes' deletion
// triggers are set aside for the statement and put back unchanged. Runs in
// the caller's transaction, which must be open; returns how many quotes
// were removed.
int remove_most_quotes(SQLite::Database& db, const std::string& ids);

// Turns the connection's foreign key checks off for the object's lifetime,
// for a bulk change that keeps the links right itself (each check costs a
// statement per removed quote). SQLite ignores the switch inside an open
// transaction, so it must be made before the change's transaction begins
// and ended after it ends; made inside one, it does nothing.
class foreign_keys_paused {
 public:
  explicit foreign_keys_paused(SQLite::Database& db);
  ~foreign_keys_paused();
  foreign_keys_paused(const foreign_keys_paused&) = delete;
  foreign_keys_paused& operator=(const foreign_keys_paused&) = delete;

 private:
  SQLite::Database& db_;
  bool paused_ = false;
};

}  // namespace pvl
