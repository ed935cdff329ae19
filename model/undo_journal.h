// The deletions the user can take back. Before quotes or tags are removed
// from the collection file their rows are read into the journal as they
// stand: each record's place in table order (its rowid), its id, text or
// name and stamp, and the links between quotes and tags with their
// positions. restore_last puts the newest step back in one transaction.
// The journal lives in memory: it ends with the program.
#pragma once

#include <SQLiteCpp/Statement.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace SQLite {
class Database;
}

namespace pvl {

// The rows of one step: what one gesture deleted.
struct deleted_rows {
  struct quote_row {
    int64_t rowid = 0;
    int32_t id = 0;
    std::string text;
    int64_t stamp = 0;
  };
  struct tag_row {
    int64_t rowid = 0;
    int32_t id = 0;
    std::string name;
    bool in_search = false;  // the tag was in the search when it was deleted
  };
  struct mark_row {
    int32_t quote = 0;
    int32_t pos = 0;
    int32_t tag = 0;
  };
  std::vector<quote_row> quotes;
  std::vector<tag_row> tags;
  std::vector<mark_row> marks;
};

class undo_journal {
 public:
  // The steps kept; an older one is forgotten when a new one begins.
  static constexpr size_t kDepth = 20;

  // Opens a new, empty step for the deletions that follow.
  void begin_step();
  // Reads quote `id` with its links (or tag `id` with its links) from `db`
  // into the newest step, opening one when there is none. A record that is
  // not stored adds nothing.
  void record_quote(SQLite::Database& db, int32_t id);
  void record_tag(SQLite::Database& db, int32_t id, bool in_search);

  // Records the many quotes one Delete removes: add() checks each as it
  // comes, record() reads them all, as record_quote does, into the newest
  // step. Many quotes are read by one pass over each table. It must go
  // before `db` closes, and the quotes must not change from the first add()
  // to record() (the caller holds one transaction open).
  class quote_batch {
   public:
    explicit quote_batch(SQLite::Database& db);
    // Returns whether quote `id` is stored; a stored one is recorded by
    // record().
    bool add(int32_t id);
    // Reads the quotes added, with their links, into `journal`'s newest step
    // (opening one when there is none). Raises SQLite::Exception when the
    // file cannot be read; the step is then left as it was.
    void record(undo_journal& journal);

   private:
    SQLite::Database& db_;
    SQLite::Statement ask_;
    // Every stored id, ascending: read once so many were asked that one
    // read costs less than asking on.
    std::optional<std::vector<int32_t>> stored_;
    std::vector<int32_t> added_;
  };

  // False when no step holds anything to restore (steps that recorded
  // nothing are forgotten here).
  bool can_undo();
  // The newest step; only after can_undo() answered true.
  const deleted_rows& last() const { return steps_.back(); }
  // Forgets the newest step (its deletion did not happen after all).
  void forget_last();

  // Puts the newest step's records back, with their ids, stamps, places in
  // table order and links, in one transaction, and forgets the step.
  // Returns what was put back. A record whose id is stored again is left
  // out; a row that now holds a record's place in table order moves behind
  // the others; a tag whose name another tag took meanwhile gets the name
  // with " (2)" (or the next free number) added; a link whose quote or tag
  // is gone is left out. Raises SQLite::Exception when the file cannot be
  // written; then nothing is restored and the step stays.
  deleted_rows restore_last(SQLite::Database& db);

 private:
  std::vector<deleted_rows> steps_;
};

}  // namespace pvl
