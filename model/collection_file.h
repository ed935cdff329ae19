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

// Opens the collection file at `path` (UTF-8) for reading and writing. A
// missing file is created, readable by the user alone, with empty tables; a
// file of the previous format gets its word indexes, built in one transaction.
// Raises open_db_error with the text "<path>: <what is wrong>" when the file
// cannot be opened, is not a database, is a database of another program or
// of a newer version, cannot be written, or stays locked by another program
// for more than a few seconds; such a file is left exactly as it was.
std::unique_ptr<SQLite::Database> open_collection(const std::string& path);

}  // namespace pvl
