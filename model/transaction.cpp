#include "model/transaction.h"

#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

namespace pvl {

transaction::transaction(SQLite::Database& db)
    : db_(db), nested_(sqlite3_get_autocommit(db.getHandle()) == 0) {
  db_.exec(nested_ ? "SAVEPOINT nested" : "BEGIN IMMEDIATE");
}

transaction::~transaction() {
  if (committed_) return;
  // An outer unit may already have been rolled back by SQLite itself (a
  // failed write can end the transaction); then there is nothing to undo.
  if (sqlite3_get_autocommit(db_.getHandle()) != 0) return;
  if (nested_) {
    sqlite3_exec(db_.getHandle(), "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
  } else {
    sqlite3_exec(db_.getHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void transaction::commit() {
  db_.exec(nested_ ? "RELEASE nested" : "COMMIT");
  committed_ = true;
}

}  // namespace pvl
