#include "model/undo_journal.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <initializer_list>

#include "model/transaction.h"

namespace pvl {

namespace {

// Whether the query "SELECT EXISTS (...)" with `values` bound finds a row.
bool exists(SQLite::Database& db, const std::string& query,
            std::initializer_list<int64_t> values) {
  SQLite::Statement select(db, query);
  int index = 0;
  for (int64_t value : values) select.bind(++index, value);
  select.executeStep();
  return select.getColumn(0).getInt() != 0;
}

// Frees place `rowid` of `table` ("quote" or "tag"): a record that took it
// after the deletion moves behind every other record. Records newer than the
// deleted one are the only ones that can hold its place, so they keep their
// order among themselves.
void free_place(SQLite::Database& db, const std::string& table, int64_t rowid) {
  if (!exists(db, "SELECT EXISTS (SELECT 1 FROM " + table + " WHERE rowid = ?)", {rowid}))
    return;
  SQLite::Statement move(db, "UPDATE " + table + " SET rowid = (SELECT max(rowid) + 1 FROM " +
                                 table + ") WHERE rowid = ?");
  move.bind(1, rowid);
  move.exec();
}

// `name`, or with " (2)", " (3)" ... added when a tag has that name.
std::string free_tag_name(SQLite::Database& db, const std::string& name) {
  auto taken = [&](const std::string& candidate) {
    SQLite::Statement select(db, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_utfname = ?)");
    select.bind(1, candidate);
    select.executeStep();
    return select.getColumn(0).getInt() != 0;
  };
  if (!taken(name)) return name;
  for (int n = 2;; ++n) {
    std::string candidate = name + " (" + std::to_string(n) + ")";
    if (!taken(candidate)) return candidate;
  }
}

// Puts a link back at its position among the quote's links; the links from
// that position on move one place down.
void restore_mark(SQLite::Database& db, const deleted_rows::mark_row& mark) {
  if (!exists(db, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)", {mark.quote}) ||
      !exists(db, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_id = ?)", {mark.tag}) ||
      exists(db, "SELECT EXISTS (SELECT 1 FROM quote_tag WHERE quote = ? AND tag = ?)",
             {mark.quote, mark.tag}))
    return;
  if (exists(db, "SELECT EXISTS (SELECT 1 FROM quote_tag WHERE quote = ? AND pos = ?)",
             {mark.quote, mark.pos})) {
    // Two passes through negative positions, so that no position is held
    // twice on the way.
    SQLite::Statement away(db,
                           "UPDATE quote_tag SET pos = -pos - 1 WHERE quote = ? AND pos >= ?");
    away.bind(1, mark.quote);
    away.bind(2, mark.pos);
    away.exec();
    SQLite::Statement back(db, "UPDATE quote_tag SET pos = -pos WHERE quote = ? AND pos < 0");
    back.bind(1, mark.quote);
    back.exec();
  }
  SQLite::Statement insert(db, "INSERT INTO quote_tag (quote, pos, tag) VALUES (?, ?, ?)");
  insert.bind(1, mark.quote);
  insert.bind(2, mark.pos);
  insert.bind(3, mark.tag);
  insert.exec();
}

void read_marks(SQLite::Database& db, const char* query, int32_t id, deleted_rows& step) {
  SQLite::Statement links(db, query);
  links.bind(1, id);
  while (links.executeStep()) {
    step.marks.push_back(deleted_rows::mark_row{links.getColumn(0).getInt(),
                                                links.getColumn(1).getInt(),
                                                links.getColumn(2).getInt()});
  }
}

}  // namespace

void undo_journal::begin_step() {
  if (!steps_.empty() && steps_.back().quotes.empty() && steps_.back().tags.empty()) {
    steps_.back() = deleted_rows{};
    return;
  }
  if (steps_.size() == kDepth) steps_.erase(steps_.begin());
  steps_.emplace_back();
}

void undo_journal::record_quote(SQLite::Database& db, int32_t id) {
  if (steps_.empty()) begin_step();
  SQLite::Statement select(db, "SELECT rowid, m_utftext, m_stamp FROM quote WHERE m_id = ?");
  select.bind(1, id);
  if (!select.executeStep()) return;
  deleted_rows& step = steps_.back();
  step.quotes.push_back(deleted_rows::quote_row{select.getColumn(0).getInt64(), id,
                                                select.getColumn(1).getString(),
                                                select.getColumn(2).getInt64()});
  read_marks(db, "SELECT quote, pos, tag FROM quote_tag WHERE quote = ?", id, step);
}

void undo_journal::record_tag(SQLite::Database& db, int32_t id, bool in_search) {
  if (steps_.empty()) begin_step();
  SQLite::Statement select(db, "SELECT rowid, m_utfname FROM tag WHERE m_id = ?");
  select.bind(1, id);
  if (!select.executeStep()) return;
  deleted_rows& step = steps_.back();
  step.tags.push_back(deleted_rows::tag_row{select.getColumn(0).getInt64(), id,
                                            select.getColumn(1).getString(), in_search});
  read_marks(db, "SELECT quote, pos, tag FROM quote_tag WHERE tag = ?", id, step);
}

bool undo_journal::can_undo() {
  while (!steps_.empty() && steps_.back().quotes.empty() && steps_.back().tags.empty())
    steps_.pop_back();
  return !steps_.empty();
}

deleted_rows undo_journal::restore_last(SQLite::Database& db) {
  if (!can_undo()) return {};
  deleted_rows step = steps_.back();
  deleted_rows restored;
  // Places are given back from the first to the last, so that a record that
  // moves out of one place never lands on a place still to be given back.
  std::sort(step.quotes.begin(), step.quotes.end(),
            [](const auto& a, const auto& b) { return a.rowid < b.rowid; });
  std::sort(step.tags.begin(), step.tags.end(),
            [](const auto& a, const auto& b) { return a.rowid < b.rowid; });

  transaction restoring(db);
  for (const deleted_rows::quote_row& quote : step.quotes) {
    if (exists(db, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)", {quote.id})) continue;
    free_place(db, "quote", quote.rowid);
    SQLite::Statement insert(
        db, "INSERT INTO quote (rowid, m_id, m_utftext, m_stamp) VALUES (?, ?, ?, ?)");
    insert.bind(1, quote.rowid);
    insert.bind(2, quote.id);
    insert.bind(3, quote.text);
    insert.bind(4, quote.stamp);
    insert.exec();
    restored.quotes.push_back(quote);
  }
  for (deleted_rows::tag_row tag : step.tags) {
    if (exists(db, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_id = ?)", {tag.id})) continue;
    free_place(db, "tag", tag.rowid);
    tag.name = free_tag_name(db, tag.name);
    SQLite::Statement insert(db, "INSERT INTO tag (rowid, m_id, m_utfname) VALUES (?, ?, ?)");
    insert.bind(1, tag.rowid);
    insert.bind(2, tag.id);
    insert.bind(3, tag.name);
    insert.exec();
    restored.tags.push_back(tag);
  }
  // Each quote's links in the order of their positions, so that moving the
  // later ones down keeps the order they had.
  std::sort(step.marks.begin(), step.marks.end(), [](const auto& a, const auto& b) {
    return a.quote != b.quote ? a.quote < b.quote : a.pos < b.pos;
  });
  for (const deleted_rows::mark_row& mark : step.marks) restore_mark(db, mark);
  restoring.commit();
  restored.marks = step.marks;
  steps_.pop_back();
  return restored;
}

}  // namespace pvl
