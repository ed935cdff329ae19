// One unit of work on the collection file. The changes made while it is open
// become durable together when commit() returns, or are undone together when
// it is destroyed uncommitted (an error left the operation half done). A unit
// opened while another is open becomes part of the outer one: its commit
// only keeps its changes for the outer unit to commit.
#pragma once

namespace SQLite {
class Database;
}

namespace pvl {

class transaction {
 public:
  // Begins the unit; the outermost one takes the file's write lock at once.
  // Raises SQLite::Exception when the lock cannot be had.
  explicit transaction(SQLite::Database& db);
  // Undoes the changes unless commit() returned.
  ~transaction();

  transaction(const transaction&) = delete;
  transaction& operator=(const transaction&) = delete;

  // Raises SQLite::Exception when the changes cannot be written; they are
  // then undone when the object is destroyed.
  void commit();

 private:
  SQLite::Database& db_;
  bool nested_;
  bool committed_ = false;
};

}  // namespace pvl
