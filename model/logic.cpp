#include "model/logic.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <ostream>
#include <unordered_map>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/collection_file.h"
#include "model/transaction.h"
#include "tinyfilesystem/errors.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

std::ostream& debug_log() { return fml::getlog("debug"); }
std::ostream& logic_log() { return fml::getlog("logic"); }

// From this many quotes on, a removal of more than half of the collection
// builds the word indexes again rather than taking each text out of them.
constexpr size_t kMostQuotesFrom = 1000;

std::string decimal(int32_t id) { return std::to_string(id); }

// "?, ?, ?" for `count` parameters.
std::string placeholders(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += i == 0 ? "?" : ", ?";
  return text;
}

// The length in bytes of the first `chars` characters of UTF-8 `text` (all
// of it when it has fewer).
size_t utf8_prefix_bytes(std::string_view text, size_t chars) {
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] & 0xC0) == 0x80) continue;  // a continuation byte
    if (chars-- == 0) return i;
  }
  return text.size();
}

// Up to this many quotes read their tags' names with their links.
constexpr size_t kNamesWithLinksUpTo = 16;
const char kLinksWithNames[] =
    "SELECT quote, tag, m_utfname FROM quote_tag JOIN tag ON tag.m_id = quote_tag.tag";

// The first column of every row `select` yields, in ascending order.
std::vector<int64_t> read_rowids(SQLite::Statement& select) {
  std::vector<int64_t> rowids;
  while (select.executeStep()) rowids.push_back(select.getColumn(0).getInt64());
  if (!std::is_sorted(rowids.begin(), rowids.end())) std::sort(rowids.begin(), rowids.end());
  return rowids;
}

}  // namespace

logic::logic() {
  std::wstring folder;
  try {
    folder = tinyfilesystem::user_app_data_folder();
  } catch (const tinyfilesystem::special_folder_error&) {
    debug_log() << "Cannot Get Folder SHGetFolderPathA" << std::endl;
    throw read_appdata_folder_error("");
  }
  using tinyfilesystem::join_path;
  std::string name = fml::wchar2utf8(join_path(join_path(folder, L"Parvela"), L"parvela.fdb"));
  try {
    db_ = open_collection(name);
  } catch (const open_db_error&) {
    debug_log() << "Cannot open db: " << name << std::endl;
    throw;
  }
  debug_log() << "db open complete" << std::endl;

  if (isDbEmpty()) {
    debug_log() << "DB is empty" << std::endl;
    createDB();
    debug_log() << "DB is created" << std::endl;
  }
  setMaxs();
  debug_log() << "setMaxs" << std::endl;
  checkTimestamp();
  debug_log() << "checkTimestamp" << std::endl;
}

logic::~logic() {
  read_quote_.reset();
  read_quote_links_.reset();
  db_.reset();
}

bool logic::isDbEmpty() {
  return db_->execAndGet(
                "SELECT NOT EXISTS (SELECT 1 FROM tag) AND NOT EXISTS (SELECT 1 FROM quote)")
             .getInt() != 0;
}

void logic::setMaxs() {
  m_max_tid = db_->execAndGet("SELECT max(0, coalesce(max(m_id), 0)) FROM tag").getInt();
  m_max_qid = db_->execAndGet("SELECT max(0, coalesce(max(m_id), 0)) FROM quote").getInt();
  logic_log() << "m_max_tid: " << m_max_tid << "m_max_qid: " << m_max_qid << std::endl;
}

void logic::checkTimestamp() {
  {
    SQLite::Statement first(*db_, "SELECT m_stamp FROM quote ORDER BY rowid LIMIT 1");
    if (!first.executeStep()) return;
    int64_t stamp = first.getColumn(0).getInt64();
    if (stamp != -1 && stamp != 0) return;
  }
  // One date for the whole pass.
  transaction dating(*db_);
  SQLite::Statement update(*db_, "UPDATE quote SET m_stamp = ? WHERE m_stamp IN (-1, 0)");
  update.bind(1, current_stamp());
  update.exec();
  dating.commit();
  logic_log() << "automatically insert dates for some quotes" << std::endl;
}

std::vector<Tag> logic::tags() {
  logic_log() << "tags" << std::endl;
  SQLite::Statement select(*db_, "SELECT m_id, m_utfname FROM tag ORDER BY rowid");
  std::vector<Tag> tags;
  while (select.executeStep()) {
    tags.push_back(Tag{select.getColumn(0).getInt(), select.getColumn(1).getString()});
  }
  return tags;
}

std::vector<Quote> logic::quotes(int64_t text_chars) {
  logic_log() << "quotes" << std::endl;
  return selectQuotes("", {}, text_chars);
}

std::optional<Tag> logic::getTag(int32_t id) {
  logic_log() << "getTag" << std::endl;
  return getTagRecord(id);
}

std::optional<Quote> logic::getQuote(int32_t id, int64_t text_chars) {
  logic_log() << "getQuote" << std::endl;
  return readQuote(id, text_chars);
}

std::vector<int32_t> logic::quoteIds() {
  logic_log() << "quotes" << std::endl;
  SQLite::Statement select(*db_, "SELECT m_id FROM quote ORDER BY rowid");
  std::vector<int32_t> ids;
  while (select.executeStep()) ids.push_back(select.getColumn(0).getInt());
  return ids;
}

std::optional<Quote> logic::readQuote(int32_t id, int64_t text_chars) {
  if (text_chars < 0) {
    std::vector<Quote> found = selectQuotes("SELECT ?", {id}, text_chars);
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
  }
  // A card shown reads one quote: its statements are prepared once, and
  // reset after each use so that they hold no read transaction open.
  if (!read_quote_ || !read_quote_links_) {
    read_quote_ = std::make_unique<SQLite::Statement>(
        *db_, "SELECT rowid, substr(m_utftext, 1, ?), m_stamp FROM quote WHERE m_id = ?");
    read_quote_links_ = std::make_unique<SQLite::Statement>(
        *db_, std::string(kLinksWithNames) + " WHERE quote = ? ORDER BY pos");
  }
  struct reset_after_use {
    SQLite::Statement& statement;
    ~reset_after_use() { statement.tryReset(); }
  };
  SQLite::Statement& select = *read_quote_;
  reset_after_use select_reset{select};
  select.bind(1, text_chars + 1);
  select.bind(2, id);
  if (!select.executeStep()) return std::nullopt;
  Quote quote;
  quote.m_id = id;
  quote.m_utftext = select.getColumn(1).getString();
  quote.m_stamp = select.getColumn(2).getInt64();
  const size_t kept = utf8_prefix_bytes(quote.m_utftext, static_cast<size_t>(text_chars));
  if (kept < quote.m_utftext.size()) {
    quote.m_utftext.resize(kept);
    measureText(select.getColumn(0).getInt64(), quote);
  }
  SQLite::Statement& links = *read_quote_links_;
  reset_after_use links_reset{links};
  links.bind(1, id);
  while (links.executeStep())
    quote.m_tags.push_back(Tag{links.getColumn(1).getInt(), links.getColumn(2).getString()});
  return quote;
}

int32_t logic::addQuote(std::wstring_view text) {
  return storeQuote(fml::wchar2utf8(text), current_stamp(), kCollectionLockWaitMs);
}

void logic::removeQuote(int32_t id) {
  transaction removing(*db_);
  SQLite::Statement remove(*db_, "DELETE FROM quote WHERE m_id = ?");
  remove.bind(1, id);
  if (remove.exec() == 0) throw wrong_quote_id(decimal(id));
  removing.commit();
  logic_log() << "removed quote with id: " << id << std::endl;
}

size_t logic::removeQuotes(const std::vector<int32_t>& ids) {
  if (ids.empty()) return 0;
  std::string list = "[";
  for (int32_t id : ids) {
    if (list.size() > 1) list += ',';
    list += decimal(id);
  }
  list += ']';
  transaction removing(*db_);
  int removed = 0;
  const auto stored = [&] {
    return static_cast<size_t>(db_->execAndGet("SELECT count(*) FROM quote").getInt64());
  };
  if (ids.size() >= kMostQuotesFrom && ids.size() * 2 > stored()) {
    removed = remove_most_quotes(*db_, list);
  } else {
    // The links go first, by one statement: left to the foreign key, each
    // removed quote would run a deletion of its own.
    SQLite::Statement unlink(*db_, "DELETE FROM quote_tag WHERE quote IN "
                                   "(SELECT value FROM json_each(?))");
    unlink.bind(1, list);
    unlink.exec();
    SQLite::Statement remove(*db_,
                             "DELETE FROM quote WHERE m_id IN (SELECT value FROM json_each(?))");
    remove.bind(1, list);
    removed = remove.exec();
  }
  removing.commit();
  // One write of the log for all the lines.
  std::ostream& log = logic_log();
  for (int32_t id : ids) log << "removed quote with id: " << id << '\n';
  log.flush();
  return static_cast<size_t>(removed);
}

int32_t logic::addTag(const std::wstring& name) {
  std::string utfname = fml::wchar2utf8(name);
  if (tagNameExists(utfname)) return -1;
  int32_t id = ++m_max_tid;
  transaction adding(*db_);
  insertTag(id, utfname);
  adding.commit();
  logic_log() << "added tag with id: " << id << std::endl;
  return id;
}

void logic::removeTag(int32_t id) {
  transaction removing(*db_);
  SQLite::Statement remove(*db_, "DELETE FROM tag WHERE m_id = ?");
  remove.bind(1, id);
  remove.exec();
  removing.commit();
  logic_log() << "removed tag with id: " << id << std::endl;
}

std::wstring logic::renameTag(int32_t id, const std::wstring& name) {
  validateTag(id);
  std::optional<Tag> tag = getTagRecord(id);
  if (!tag) throw wrong_tag_id(decimal(id));
  std::string utfname = fml::wchar2utf8(name);
  if (tagNameExists(utfname)) return fml::utf82wchar(tag->m_utfname);

  transaction renaming(*db_);
  SQLite::Statement update(*db_, "UPDATE tag SET m_utfname = ? WHERE m_id = ?");
  update.bind(1, utfname);
  update.bind(2, id);
  update.exec();
  renaming.commit();
  logic_log() << "renamed tag: " << id << std::endl;
  return name;
}

bool logic::markQuote(int32_t quote, int32_t tag) {
  validateQuote(quote);
  validateTag(tag);
  if (isQuoteMarked(quote, tag)) return false;

  transaction marking(*db_);
  SQLite::Statement insert(
      *db_,
      "INSERT INTO quote_tag (quote, tag, pos) "
      "SELECT ?1, ?2, coalesce(max(pos), 0) + 1 FROM quote_tag WHERE quote = ?1");
  insert.bind(1, quote);
  insert.bind(2, tag);
  insert.exec();
  marking.commit();
  logic_log() << "quote: " << quote << " marked with tag: " << tag << std::endl;
  return true;
}

void logic::unmarkQuote(int32_t quote, int32_t tag) {
  validateQuote(quote);
  validateTag(tag);

  transaction unmarking(*db_);
  SQLite::Statement remove(*db_, "DELETE FROM quote_tag WHERE quote = ? AND tag = ?");
  remove.bind(1, quote);
  remove.bind(2, tag);
  if (remove.exec() == 0) throw wrong_tag_id(decimal(tag));
  unmarking.commit();
  logic_log() << "quote: " << quote << " unmarked with tag: " << tag << std::endl;
}

bool logic::isQuoteMarked(int32_t quote, int32_t tag) {
  validateQuote(quote);
  validateTag(tag);
  SQLite::Statement select(*db_,
                           "SELECT EXISTS (SELECT 1 FROM quote_tag WHERE tag = ? AND quote = ?)");
  select.bind(1, tag);
  select.bind(2, quote);
  select.executeStep();
  return select.getColumn(0).getInt() != 0;
}

void logic::validateTag(int32_t id) {
  debug_log() << "validating tag with id: " << id << std::endl;
  SQLite::Statement select(*db_, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_id = ?)");
  select.bind(1, id);
  select.executeStep();
  if (select.getColumn(0).getInt() == 0) throw wrong_tag_id(decimal(id));
}

void logic::validateQuote(int32_t id) {
  debug_log() << "validating quote with id: " << id << std::endl;
  SQLite::Statement select(*db_, "SELECT EXISTS (SELECT 1 FROM quote WHERE m_id = ?)");
  select.bind(1, id);
  select.executeStep();
  if (select.getColumn(0).getInt() == 0) throw wrong_quote_id(decimal(id));
}

bool logic::isSearchEmpty() const { return m_search_tags.empty(); }

bool logic::isTagUsedInSearch(int32_t id) {
  validateTag(id);
  logic_log() << "isTagUsedInSearch: " << id << std::endl;
  return std::find(m_search_tags.begin(), m_search_tags.end(), id) != m_search_tags.end();
}

bool logic::addSearchTag(int32_t id) {
  validateTag(id);
  logic_log() << "addSearchTag: " << id << std::endl;
  if (std::find(m_search_tags.begin(), m_search_tags.end(), id) != m_search_tags.end()) {
    return false;
  }
  m_search_tags.push_back(id);
  return true;
}

void logic::removeSearchTag(int32_t id) {
  auto found = std::find(m_search_tags.begin(), m_search_tags.end(), id);
  if (found == m_search_tags.end()) throw wrong_tag_id("wrong removeSearchTag:" + decimal(id));
  m_search_tags.erase(found);
  logic_log() << "remove search tag: " << id << std::endl;
}

void logic::clearSearchTags() { m_search_tags.clear(); }

void logic::setSearchMode(int32_t mode) { m_search_mode = mode; }

void logic::setSearchWords(std::string_view utf8) {
  m_search_words = utf8;
  m_word_query = parse_word_query(utf8);
  logic_log() << "setSearchWords: " << m_search_words.size() << " bytes" << std::endl;
}

std::vector<Quote> logic::search(int64_t text_chars) {
  std::vector<int32_t> ids;
  std::string quote_ids = withWords(buildSearchQuery(ids));
  return selectQuotes(quote_ids, ids, text_chars);
}

// The words narrow the quotes by their rowids, which the word indexes hold:
// reading a quote's id by its rowid is a lookup in the table, and for tens
// of thousands of quotes one pass over the index of ids costs less.
std::vector<int32_t> logic::searchIds() {
  std::vector<int32_t> ids;
  std::string quote_ids = buildSearchQuery(ids);
  word_rowids words;
  if (hasSearchWords()) words = wordRowids();
  std::vector<std::pair<int64_t, int32_t>> rows;
  if (quote_ids.empty()) {
    // Both lists are in rowid order: one walk along the stored quotes.
    const std::vector<std::pair<int64_t, int32_t>>& stored = quoteRows();
    std::vector<int32_t> found;
    if (!words.in) {
      for (const auto& [rowid, id] : stored)
        if (words.lets_through(rowid)) found.push_back(id);
      return found;
    }
    auto next = stored.begin();
    for (int64_t rowid : *words.in) {
      next = std::lower_bound(next, stored.end(), std::pair<int64_t, int32_t>{rowid, INT32_MIN});
      if (next == stored.end()) break;
      if (next->first == rowid && words.lets_through(rowid)) found.push_back(next->second);
    }
    return found;
  }
  // The unique index on m_id holds each quote's rowid as well, so this reads
  // only indexes; the pairs are put in table (rowid) order here. An OR
  // search joins the links straight to that index, and a quote that
  // carries several of the tags comes once per tag until the sort puts
  // its copies side by side.
  std::string sql = "SELECT rowid, m_id FROM quote";
  if (!quote_ids.empty() && m_search_mode != kSearchAnd) {
    sql = "SELECT q.rowid, q.m_id FROM quote_tag t JOIN quote q ON q.m_id = t.quote"
          " WHERE t.tag IN (" + placeholders(ids.size()) + ")";
  } else if (!quote_ids.empty()) {
    sql += " WHERE m_id IN (" + quote_ids + ")";
  }
  SQLite::Statement select(*db_, sql);
  bindSearch(select, ids);
  while (select.executeStep()) {
    const int64_t rowid = select.getColumn(0).getInt64();
    if (words.lets_through(rowid)) rows.emplace_back(rowid, select.getColumn(1).getInt());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<int32_t> found(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) found[i] = rows[i].second;
  return found;
}

const std::vector<std::pair<int64_t, int32_t>>& logic::quoteRows() {
  const int64_t changes = sqlite3_total_changes64(db_->getHandle());
  const int64_t data_version = db_->execAndGet("PRAGMA data_version").getInt64();
  if (changes != m_quote_rows.changes || data_version != m_quote_rows.data_version) {
    m_quote_rows.rows.clear();
    SQLite::Statement select(*db_, "SELECT rowid, m_id FROM quote");
    while (select.executeStep())
      m_quote_rows.rows.emplace_back(select.getColumn(0).getInt64(), select.getColumn(1).getInt());
    // The index of ids yields them in id order.
    std::sort(m_quote_rows.rows.begin(), m_quote_rows.rows.end());
    m_quote_rows.changes = changes;
    m_quote_rows.data_version = data_version;
  }
  return m_quote_rows.rows;
}

bool logic::word_rowids::lets_through(int64_t rowid) const {
  return (!in || std::binary_search(in->begin(), in->end(), rowid)) &&
         !std::binary_search(out.begin(), out.end(), rowid);
}

logic::word_rowids logic::wordRowids() {
  word_rowids found;
  const word_query& query = m_word_query;
  if (!query.phrases_in.empty() || !query.phrases_out.empty()) {
    // Terms of several words are checked on the texts the indexes let
    // through, which only the table holds.
    SQLite::Statement select(*db_, "SELECT rowid FROM quote WHERE " + wordsCondition());
    bindSearch(select, {});
    found.in = read_rowids(select);
    return found;
  }
  const auto matching = [&](const char* index, const std::string& terms) {
    SQLite::Statement select(
        *db_, std::string("SELECT rowid FROM ") + index + " WHERE " + index + " MATCH ?");
    select.bindNoCopy(1, terms);
    return read_rowids(select);
  };
  const auto combine = [](const std::vector<int64_t>& a, const std::vector<int64_t>& b,
                          bool both) {
    std::vector<int64_t> result;
    if (both)
      std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(result));
    else
      std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(result));
    return result;
  };
  for (const auto& [index, terms] : {std::pair{"quote_words", &query.words_in},
                                     std::pair{"quote_chars", &query.chars_in}}) {
    if (terms->empty()) continue;
    std::vector<int64_t> rowids = matching(index, *terms);
    found.in = found.in ? combine(*found.in, rowids, true) : std::move(rowids);
  }
  for (const auto& [index, terms] : {std::pair{"quote_words", &query.words_out},
                                     std::pair{"quote_chars", &query.chars_out}})
    if (!terms->empty()) found.out = combine(found.out, matching(index, *terms), false);
  return found;
}

std::string logic::wordsCondition() const {
  // One FTS5 query per index and side: the terms a quote must contain
  // (their AND) and those that leave it out (their OR); then the terms of
  // several words, checked on the texts the indexes let through.
  std::string condition;
  const auto add = [&](const std::string& query, const std::string& test) {
    if (query.empty()) return;
    if (!condition.empty()) condition += " AND ";
    condition += test;
  };
  const auto indexed = [&](const char* index, const char* parameter, bool in) {
    return std::string("rowid") + (in ? " IN" : " NOT IN") + " (SELECT rowid FROM " + index +
           " WHERE " + index + " MATCH " + parameter + ")";
  };
  add(m_word_query.words_in, indexed("quote_words", ":words_in", true));
  add(m_word_query.chars_in, indexed("quote_chars", ":chars_in", true));
  add(m_word_query.words_out, indexed("quote_words", ":words_out", false));
  add(m_word_query.chars_out, indexed("quote_chars", ":chars_out", false));
  add(m_word_query.phrases_in, std::string(kHoldsWordsFunction) + "(m_utftext, :phrases_in, 1)");
  add(m_word_query.phrases_out, "NOT " + std::string(kHoldsWordsFunction) + "(m_utftext, :phrases_out, 0)");
  return condition;
}

std::string logic::withWords(const std::string& quote_ids) const {
  if (!hasSearchWords()) return quote_ids;
  std::string sql = "SELECT m_id FROM quote WHERE " + wordsCondition();
  if (!quote_ids.empty()) sql += " AND m_id IN (" + quote_ids + ")";
  return sql;
}

void logic::bindSearch(SQLite::Statement& statement, const std::vector<int32_t>& ids) const {
  // The unnamed parameters take the indexes the named ones leave, in order.
  const std::pair<const char*, const std::string*> named[] = {
      {":words_in", &m_word_query.words_in},
      {":chars_in", &m_word_query.chars_in},
      {":words_out", &m_word_query.words_out},
      {":chars_out", &m_word_query.chars_out},
      {":phrases_in", &m_word_query.phrases_in},
      {":phrases_out", &m_word_query.phrases_out}};
  std::vector<int> taken;
  for (const auto& [name, query] : named) {
    const int index = statement.getIndex(name);
    if (index == 0) continue;
    statement.bindNoCopy(index, *query);
    taken.push_back(index);
  }
  int index = 1;
  for (int32_t id : ids) {
    while (std::find(taken.begin(), taken.end(), index) != taken.end()) ++index;
    statement.bind(index++, id);
  }
}

std::string logic::buildSearchQuery(std::vector<int32_t>& ids) {
  ids = m_search_tags;
  if (ids.empty()) return {};
  if (m_search_mode != kSearchAnd) {
    return "SELECT quote FROM quote_tag WHERE tag IN (" + placeholders(ids.size()) + ")";
  }
  std::string quote_ids;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (!getTagRecord(ids[i])) throw wrong_tag_id(decimal(ids[i]));
    if (i > 0) quote_ids += " INTERSECT ";
    quote_ids += "SELECT quote FROM quote_tag WHERE tag = ?";
  }
  return quote_ids;
}

std::vector<Quote> logic::selectQuotes(const std::string& quote_ids,
                                       const std::vector<int32_t>& ids, int64_t text_chars) {
  // A selection comes in the order of its ids and is put in table order
  // here, which costs less than having SQLite sort the texts.
  // A text is read whole, or one character more than asked for: that
  // character tells that the text goes on.
  const bool whole = text_chars < 0;
  std::string quote_sql =
      whole ? "SELECT rowid, m_id, m_utftext, m_stamp FROM quote"
            : "SELECT rowid, m_id, substr(m_utftext, 1, " + std::to_string(text_chars + 1) +
                  "), m_stamp FROM quote";
  if (quote_ids.empty())
    quote_sql += " ORDER BY rowid";
  else
    quote_sql += " WHERE m_id IN (" + quote_ids + ")";

  SQLite::Statement select(*db_, quote_sql);
  bindSearch(select, ids);
  std::vector<std::pair<int64_t, Quote>> rows;
  while (select.executeStep()) {
    Quote quote;
    quote.m_id = select.getColumn(1).getInt();
    quote.m_utftext = select.getColumn(2).getString();
    quote.m_stamp = select.getColumn(3).getInt64();
    if (!whole) {
      const size_t kept = utf8_prefix_bytes(quote.m_utftext, static_cast<size_t>(text_chars));
      if (kept < quote.m_utftext.size()) {
        quote.m_utftext.resize(kept);
        measureText(select.getColumn(0).getInt64(), quote);
      }
    }
    rows.emplace_back(select.getColumn(0).getInt64(), std::move(quote));
  }
  if (!quote_ids.empty()) {
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  std::vector<Quote> quotes;
  quotes.reserve(rows.size());
  for (auto& row : rows) quotes.push_back(std::move(row.second));
  if (quotes.empty()) return quotes;

  // The links come ordered by quote id and then attachment order; they are
  // merged into the quotes taken in id order. A few quotes (a card being
  // shown) read their tags' names with their links; more read every name
  // once.
  const bool few = quotes.size() <= kNamesWithLinksUpTo;
  std::string link_sql = few ? kLinksWithNames : "SELECT quote, tag, NULL FROM quote_tag";
  if (!quote_ids.empty()) link_sql += " WHERE quote IN (" + quote_ids + ")";
  link_sql += " ORDER BY quote, pos";
  SQLite::Statement links(*db_, link_sql);
  bindSearch(links, ids);
  std::unordered_map<int32_t, std::string> names;
  if (!few) names = tagNames();
  std::vector<Quote*> by_id(quotes.size());
  for (size_t i = 0; i < quotes.size(); ++i) by_id[i] = &quotes[i];
  std::sort(by_id.begin(), by_id.end(),
            [](const Quote* a, const Quote* b) { return a->m_id < b->m_id; });
  auto next = by_id.begin();
  while (links.executeStep()) {
    int32_t quote = links.getColumn(0).getInt();
    int32_t tag = links.getColumn(1).getInt();
    while (next != by_id.end() && (*next)->m_id < quote) ++next;
    if (next == by_id.end()) break;
    if ((*next)->m_id == quote)
      (*next)->m_tags.push_back(Tag{tag, few ? links.getColumn(2).getString() : names[tag]});
  }
  return quotes;
}

void logic::measureText(int64_t rowid, Quote& quote) {
  // Read in pieces, so that a text of many megabytes is never held whole.
  sqlite3_blob* blob = nullptr;
  if (sqlite3_blob_open(db_->getHandle(), "main", "quote", "m_utftext", rowid, 0, &blob) !=
      SQLITE_OK) {
    sqlite3_blob_close(blob);
    throw SQLite::Exception(db_->getHandle());
  }
  const int size = sqlite3_blob_bytes(blob);
  std::string piece(std::min(size, 1 << 20), '\0');
  quote.m_whole_chars = 0;
  quote.m_whole_lines = 1;
  for (int offset = 0; offset < size; offset += static_cast<int>(piece.size())) {
    const int length = std::min(size - offset, static_cast<int>(piece.size()));
    if (sqlite3_blob_read(blob, piece.data(), length, offset) != SQLITE_OK) {
      sqlite3_blob_close(blob);
      throw SQLite::Exception(db_->getHandle());
    }
    for (const char byte : std::string_view(piece.data(), length)) {
      quote.m_whole_chars += (byte & 0xC0) != 0x80;  // not a continuation byte
      quote.m_whole_lines += byte == '\n';
    }
    // A line feed at the very end closes the last line.
    if (offset + length == size && piece[length - 1] == '\n') --quote.m_whole_lines;
  }
  sqlite3_blob_close(blob);
}

std::unordered_map<int32_t, std::string> logic::tagNames() {
  std::unordered_map<int32_t, std::string> names;
  SQLite::Statement select(*db_, "SELECT m_id, m_utfname FROM tag");
  while (select.executeStep()) {
    names.emplace(select.getColumn(0).getInt(), select.getColumn(1).getString());
  }
  return names;
}

std::optional<Tag> logic::getTagRecord(int32_t id) {
  SQLite::Statement select(*db_, "SELECT m_utfname FROM tag WHERE m_id = ?");
  select.bind(1, id);
  if (!select.executeStep()) return std::nullopt;
  return Tag{id, select.getColumn(0).getString()};
}

bool logic::tagNameExists(const std::string& utfname) {
  SQLite::Statement select(*db_, "SELECT EXISTS (SELECT 1 FROM tag WHERE m_utfname = ?)");
  select.bind(1, utfname);
  select.executeStep();
  return select.getColumn(0).getInt() != 0;
}

void logic::insertTag(int32_t id, const std::string& utfname) {
  SQLite::Statement insert(*db_, "INSERT INTO tag (m_id, m_utfname) VALUES (?, ?)");
  insert.bind(1, id);
  insert.bind(2, utfname);
  insert.exec();
}

void logic::insertQuote(int32_t id, const std::string& utftext, int64_t stamp) {
  SQLite::Statement insert(*db_, "INSERT INTO quote (m_id, m_utftext, m_stamp) VALUES (?, ?, ?)");
  insert.bind(1, id);
  insert.bindNoCopy(2, utftext);
  insert.bind(3, stamp);
  insert.exec();
}

int32_t logic::storeQuote(const std::string& utftext, int64_t stamp, int lock_wait_ms) {
  db_->setBusyTimeout(lock_wait_ms);
  int32_t id = 0;
  try {
    transaction adding(*db_);
    // Under the write lock: a command may have stored quotes since the
    // counter was read.
    id = std::max(m_max_qid, db_->execAndGet("SELECT coalesce(max(m_id), 0) FROM quote").getInt()) + 1;
    insertQuote(id, utftext, stamp);
    adding.commit();
  } catch (...) {
    db_->setBusyTimeout(kCollectionLockWaitMs);
    throw;
  }
  db_->setBusyTimeout(kCollectionLockWaitMs);
  m_max_qid = id;
  logic_log() << "added quote with id: " << id << std::endl;
  return id;
}

}  // namespace pvl
