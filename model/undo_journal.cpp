#include "model/undo_journal.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <iterator>
#include <initializer_list>

#include "model/transaction.h"

namespace pvl {

namespace {

// A statement prepared once and run again for each record.
class reused_statement {
 public:
  reused_statement(SQLite::Database& db, const std::string& sql) : statement_(db, sql) {}

  // Runs the statement with `values` bound in order; returns whether it
  // yields a row whose first column is not 0 (for "SELECT EXISTS ...").
  bool finds(std::initializer_list<int64_t> values) {
    bind(values);
    const bool found = statement_.executeStep() && statement_.getColumn(0).getInt() != 0;
    statement_.reset();
    return found;
  }
  // Runs a statement that changes rows, with `values` bound in order.
  void run(std::initializer_list<int64_t> values) {
    bind(values);
    statement_.exec();
    statement_.reset();
  }
  SQLite::Statement& statement() { return statement_; }

 private:
  void bind(std::initializer_list<int64_t> values) {
    int index = 0;
    for (int64_t value : values) statement_.bind(++index, value);
  }
  SQLite::Statement statement_;
};

// Frees places of `table` ("quote" or "tag"): a record that took a place
// after the deletion moves behind every other record, and behind `above`
// (the last place given back so far, when the records given back are
// stored only at the end). Records newer than the deleted one are the only
// ones that can hold its place, so they keep their order among themselves.
class place_keeper {
 public:
  place_keeper(SQLite::Database& db, const std::string& table)
      : held_(db, "SELECT EXISTS (SELECT 1 FROM " + table + " WHERE rowid = ?)"),
        move_(db, "UPDATE " + table + " SET rowid = max((SELECT max(rowid) FROM " + table +
                      "), ?) + 1 WHERE rowid = ?") {}

  void free_place(int64_t rowid, int64_t above = 0) {
    if (held_.finds({rowid})) move_.run({above, rowid});
  }

 private:
  reused_statement held_;
  reused_statement move_;
};

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

// Puts links back, each at its position among its quote's links; the links
// from that position on move one place down.
class mark_restorer {
 public:
  explicit mark_restorer(SQLite::Database& db)
      : quote_(db, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)"),
        tag_(db, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_id = ?)"),
        linked_(db, "SELECT EXISTS (SELECT 1 FROM quote_tag WHERE quote = ? AND tag = ?)"),
        held_(db, "SELECT EXISTS (SELECT 1 FROM quote_tag WHERE quote = ? AND pos = ?)"),
        // Two passes through negative positions, so that no position is
        // held twice on the way.
        away_(db, "UPDATE quote_tag SET pos = -pos - 1 WHERE quote = ? AND pos >= ?"),
        back_(db, "UPDATE quote_tag SET pos = -pos WHERE quote = ? AND pos < 0"),
        insert_(db, "INSERT INTO quote_tag (quote, pos, tag) VALUES (?, ?, ?)") {}

  void restore(const deleted_rows::mark_row& mark) {
    if (!quote_.finds({mark.quote}) || !tag_.finds({mark.tag}) ||
        linked_.finds({mark.quote, mark.tag}))
      return;
    if (held_.finds({mark.quote, mark.pos})) {
      away_.run({mark.quote, mark.pos});
      back_.run({mark.quote});
    }
    insert_.run({mark.quote, mark.pos, mark.tag});
  }

 private:
  reused_statement quote_, tag_, linked_, held_, away_, back_, insert_;
};

// Runs `links` (a query of quote, pos, tag) for `id` into the step's marks.
void read_marks(SQLite::Statement& links, int32_t id, deleted_rows& step) {
  links.reset();
  links.bind(1, id);
  while (links.executeStep()) {
    step.marks.push_back(deleted_rows::mark_row{links.getColumn(0).getInt(),
                                                links.getColumn(1).getInt(),
                                                links.getColumn(2).getInt()});
  }
  links.reset();
}

// Reads the quotes `ids` that are stored, with their links, into `step`,
// each by its id.
void read_quotes(SQLite::Database& db, const std::vector<int32_t>& ids, deleted_rows& step) {
  SQLite::Statement quote(db, "SELECT rowid, m_utftext, m_stamp FROM quote WHERE m_id = ?");
  SQLite::Statement links(db, "SELECT quote, pos, tag FROM quote_tag WHERE quote = ?");
  for (int32_t id : ids) {
    quote.reset();
    quote.bind(1, id);
    if (!quote.executeStep()) continue;
    step.quotes.push_back(deleted_rows::quote_row{quote.getColumn(0).getInt64(), id,
                                                  quote.getColumn(1).getString(),
                                                  quote.getColumn(2).getInt64()});
    read_marks(links, id, step);
  }
}

// A batch asks the file whether each quote is stored up to this many, then
// reads every stored id at once.
constexpr size_t kAskEachUpTo = 64;
// A batch of at least this many quotes, a quarter of the collection or
// more, is read by one pass over each table.
constexpr size_t kScanFrom = 256;

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
  read_quotes(db, {id}, steps_.back());
}

undo_journal::quote_batch::quote_batch(SQLite::Database& db)
    : db_(db), ask_(db, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)") {}

bool undo_journal::quote_batch::add(int32_t id) {
  bool stored = false;
  if (!stored_ && added_.size() < kAskEachUpTo) {
    ask_.reset();
    ask_.bind(1, id);
    stored = ask_.executeStep() && ask_.getColumn(0).getInt() != 0;
    ask_.reset();
  } else {
    if (!stored_) {
      SQLite::Statement select(db_, "SELECT m_id FROM quote ORDER BY m_id");
      stored_.emplace();
      while (select.executeStep()) stored_->push_back(select.getColumn(0).getInt());
    }
    stored = std::binary_search(stored_->begin(), stored_->end(), id);
  }
  if (stored) added_.push_back(id);
  return stored;
}

void undo_journal::quote_batch::record(undo_journal& journal) {
  deleted_rows read;
  const size_t stored_count =
      stored_ ? stored_->size()
              : static_cast<size_t>(db_.execAndGet("SELECT count(*) FROM quote").getInt64());
  if (added_.size() < kScanFrom || added_.size() * 4 < stored_count) {
    read_quotes(db_, added_, read);
  } else {
    std::vector<int32_t> wanted = added_;
    std::sort(wanted.begin(), wanted.end());
    const auto is_wanted = [&](int32_t id) {
      return std::binary_search(wanted.begin(), wanted.end(), id);
    };
    SQLite::Statement quotes(db_, "SELECT rowid, m_id, m_utftext, m_stamp FROM quote");
    while (quotes.executeStep()) {
      const int32_t id = quotes.getColumn(1).getInt();
      if (!is_wanted(id)) continue;
      read.quotes.push_back(deleted_rows::quote_row{quotes.getColumn(0).getInt64(), id,
                                                    quotes.getColumn(2).getString(),
                                                    quotes.getColumn(3).getInt64()});
    }
    SQLite::Statement links(db_, "SELECT quote, pos, tag FROM quote_tag");
    while (links.executeStep()) {
      const int32_t quote = links.getColumn(0).getInt();
      if (!is_wanted(quote)) continue;
      read.marks.push_back(deleted_rows::mark_row{quote, links.getColumn(1).getInt(),
                                                  links.getColumn(2).getInt()});
    }
  }
  if (journal.steps_.empty()) journal.begin_step();
  deleted_rows& step = journal.steps_.back();
  if (step.quotes.empty()) {
    step.quotes = std::move(read.quotes);
  } else {
    std::move(read.quotes.begin(), read.quotes.end(), std::back_inserter(step.quotes));
  }
  step.marks.insert(step.marks.end(), read.marks.begin(), read.marks.end());
}

void undo_journal::record_tag(SQLite::Database& db, int32_t id, bool in_search) {
  if (steps_.empty()) begin_step();
  SQLite::Statement select(db, "SELECT rowid, m_utfname FROM tag WHERE m_id = ?");
  select.bind(1, id);
  if (!select.executeStep()) return;
  deleted_rows& step = steps_.back();
  step.tags.push_back(deleted_rows::tag_row{select.getColumn(0).getInt64(), id,
                                            select.getColumn(1).getString(), in_search});
  SQLite::Statement links(db, "SELECT quote, pos, tag FROM quote_tag WHERE tag = ?");
  read_marks(links, id, step);
}

void undo_journal::forget_last() {
  if (!steps_.empty()) steps_.pop_back();
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
  // The quotes wait in a table of their own and go back by one statement:
  // the word indexes write out what they hold at the end of each statement.
  db.exec("CREATE TEMP TABLE IF NOT EXISTS restored_quote "
          "(place INTEGER PRIMARY KEY, id INTEGER, text TEXT, stamp INTEGER)");
  db.exec("DELETE FROM temp.restored_quote");
  {
    reused_statement stored(db, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)");
    place_keeper places(db, "quote");
    reused_statement stage(db, "INSERT INTO temp.restored_quote VALUES (?, ?, ?, ?)");
    int64_t last_place = 0;
    for (const deleted_rows::quote_row& quote : step.quotes) {
      if (stored.finds({quote.id})) continue;
      places.free_place(quote.rowid, last_place);
      SQLite::Statement& row = stage.statement();
      row.bind(1, quote.rowid);
      row.bind(2, quote.id);
      row.bindNoCopy(3, quote.text);
      row.bind(4, quote.stamp);
      row.exec();
      row.reset();
      last_place = quote.rowid;
      restored.quotes.push_back(quote);
    }
  }
  db.exec("INSERT INTO quote (rowid, m_id, m_utftext, m_stamp) "
          "SELECT place, id, text, stamp FROM temp.restored_quote ORDER BY place");
  db.exec("DROP TABLE temp.restored_quote");
  {
    reused_statement stored(db, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_id = ?)");
    place_keeper places(db, "tag");
    for (deleted_rows::tag_row tag : step.tags) {
      if (stored.finds({tag.id})) continue;
      places.free_place(tag.rowid);
      tag.name = free_tag_name(db, tag.name);
      SQLite::Statement insert(db, "INSERT INTO tag (rowid, m_id, m_utfname) VALUES (?, ?, ?)");
      insert.bind(1, tag.rowid);
      insert.bind(2, tag.id);
      insert.bind(3, tag.name);
      insert.exec();
      restored.tags.push_back(tag);
    }
  }
  // Each quote's links in the order of their positions, so that moving the
  // later ones down keeps the order they had.
  std::sort(step.marks.begin(), step.marks.end(), [](const auto& a, const auto& b) {
    return a.quote != b.quote ? a.quote < b.quote : a.pos < b.pos;
  });
  {
    mark_restorer marks(db);
    for (const deleted_rows::mark_row& mark : step.marks) marks.restore(mark);
  }
  restoring.commit();
  restored.marks = step.marks;
  steps_.pop_back();
  return restored;
}

}  // namespace pvl
