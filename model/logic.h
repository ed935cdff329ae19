// The storage object of the model: owns the open collection file and the
// state of the collection that is not stored (the id counters and the tag
// search), and carries out every operation on quotes and tags. Each operation
// that changes the collection is one transaction, committed before it
// returns. Log lines go to the log "logic" unless another is named.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/records.h"
#include "model/word_query.h"

namespace SQLite {
class Database;
class Statement;
}

namespace pvl {

class logic {
 public:
  // The open sequence: opens (or creates) "parvela.fdb" in the folder
  // "Parvela" of the user's data folder, imports the default collection into
  // an empty one, computes the id counters and dates undated quotes.
  // Raises read_appdata_folder_error when there is no user data folder,
  // open_db_error when the file cannot be used, and the errors of createDB.
  logic();
  // Closes the collection file.
  ~logic();

  logic(const logic&) = delete;
  logic& operator=(const logic&) = delete;

  // --- Lifecycle steps of the open sequence.

  // True when the collection holds no tag and no quote.
  bool isDbEmpty();
  // Imports "defaulttags.xml", then "defaultquotes.xml" from "DataDir", all
  // in one transaction; a copy there that is missing, empty or no readable
  // XML gives way to the installed one (the all-users "Parvela" folder).
  // Raises read_xml_error ("<path>: <what is wrong>", with "line N: " where
  // the file tells it: a file that cannot be read, is empty, is not UTF-8,
  // nests elements more than 1000 deep, is not XML or holds invalid content)
  // and wrong_tag_id ("<tag id>: <path>: line N: ..." for a quote naming a
  // tag that is not there); then nothing of the import is stored.
  void createDB();
  // Read the elements under the root of the XML file at `path` as tags, or as
  // quotes with their tags (see data/defaultquotes.xml). Raise as createDB.
  void importTags(const std::wstring& path);
  void importQuotes(const std::wstring& path);
  // Sets the id counters to the highest stored ids (at least 0).
  void setMaxs();
  // When the first quote in table order has no date, gives every undated
  // quote the current date.
  void checkTimestamp();

  // --- Records. Ids not stored raise wrong_quote_id / wrong_tag_id with the
  // id in decimal as text, unless said otherwise.

  // How much of each text a quote record carries: kWholeText, or at most
  // that many characters (the start of the text; a record whose text was
  // cut tells the whole text's size, see Quote). Reading only the start
  // keeps a very long text out of the records the window is built from.
  static constexpr int64_t kWholeText = -1;

  // All tags / all quotes, in table (insertion) order.
  std::vector<Tag> tags();
  std::vector<Quote> quotes(int64_t text_chars = kWholeText);
  // The record with that id, if stored.
  std::optional<Tag> getTag(int32_t id);
  std::optional<Quote> getQuote(int32_t id, int64_t text_chars = kWholeText);

  // The ids of all quotes, in table order: what quotes() yields without the
  // records (and with its log line).
  std::vector<int32_t> quoteIds();
  // getQuote without its log line: the window reads the record of each
  // card it shows, when it shows it.
  std::optional<Quote> readQuote(int32_t id, int64_t text_chars);

  // Stores the text as it is (not trimmed, empty allowed) with the next id
  // and the current date; returns the id.
  int32_t addQuote(std::wstring_view text);
  // Removes the quote and its links to tags.
  void removeQuote(int32_t id);
  // Removes the stored quotes among `ids` and their links to tags by one
  // statement, however many they are (the word indexes write out what they
  // hold at the end of each statement), and writes removeQuote's line for
  // each, in the order of `ids`. Removing more than half of a collection
  // (from 1,000 quotes on) builds the word indexes again from the quotes that
  // stay (remove_most_quotes). Inside a transaction the caller holds open it
  // becomes part of that one. Returns how many were removed.
  size_t removeQuotes(const std::vector<int32_t>& ids);
  // Stores a tag with the next id and returns the id, or returns -1 and
  // stores nothing when a tag of that name exists.
  int32_t addTag(const std::wstring& name);
  // Removes the tag and its links to quotes; an id not stored is no error.
  void removeTag(int32_t id);
  // Returns the name in effect afterwards: `name`, or the old name when a tag
  // (this one included) already has that name.
  std::wstring renameTag(int32_t id, const std::wstring& name);
  // Attaches the tag after the quote's other tags. Returns false, changing
  // nothing, when the quote carries it already.
  bool markQuote(int32_t quote, int32_t tag);
  // Detaches the tag; raises wrong_tag_id when the quote does not carry it.
  void unmarkQuote(int32_t quote, int32_t tag);
  bool isQuoteMarked(int32_t quote, int32_t tag);
  // Raise when the id is not stored (and log to "debug").
  void validateTag(int32_t id);
  void validateQuote(int32_t id);

  // --- The tag search: a list of tag ids (each at most once, in the order
  // added) and a mode. Not stored; empty and AND at every start.

  static constexpr int32_t kSearchAnd = 0;
  static constexpr int32_t kSearchOr = 1;

  bool isSearchEmpty() const;
  // Raises wrong_tag_id when the tag is not stored.
  bool isTagUsedInSearch(int32_t id);
  // Appends the tag; returns false when it is in the search already. Raises
  // wrong_tag_id when the tag is not stored.
  bool addSearchTag(int32_t id);
  // Raises wrong_tag_id ("wrong removeSearchTag:<id>") when the tag is not in
  // the search.
  void removeSearchTag(int32_t id);
  void clearSearchTags();
  void setSearchMode(int32_t mode);
  int32_t searchMode() const { return m_search_mode; }
  // The search words (model/word_query.h), UTF-8 as typed; empty: none.
  // Not stored; empty at every start.
  void setSearchWords(std::string_view utf8);
  const std::string& searchWords() const { return m_search_words; }
  // True when the search words hold a term that takes part.
  bool hasSearchWords() const { return !m_word_query.empty(); }

  // The quotes that carry every search tag (AND) or at least one (OR), in
  // table order, and contain the search words; all quotes when the search
  // (tags and words) is empty. Raises wrong_tag_id when an AND search holds
  // a tag that is no longer stored.
  std::vector<Quote> search(int64_t text_chars = kWholeText);
  // The ids of the quotes search() yields, in the same order and raising the
  // same; read from the indexes alone, without a text or a tag name (but
  // the texts the words index finds for a term of several words, which are
  // checked for the words in a row), so that it costs little however many
  // quotes the search finds.
  std::vector<int32_t> searchIds();

  // The search tags, in the order they were added.
  const std::vector<int32_t>& searchTags() const { return m_search_tags; }

  // --- Storing when the file may refuse.

  // Stores the UTF-8 text with the next id and the given stamp, waiting at most
  // `lock_wait_ms` for a lock another program holds on the file; returns the
  // id. Raises SQLite::Exception when the file refuses the change (locked,
  // disk full); then nothing is stored and the id is not used up.
  int32_t storeQuote(const std::string& utftext, int64_t stamp, int lock_wait_ms);

  // The open collection file, for the undo journal (model/undo_journal.h),
  // which reads deleted rows from it and writes them back.
  SQLite::Database& database() { return *db_; }

 private:
  // The quotes whose ids the SQL query `quote_ids` yields (all quotes when it
  // is empty), with `ids` bound to its parameters in order; with their tags,
  // in table order, and texts cut to `text_chars`.
  std::vector<Quote> selectQuotes(const std::string& quote_ids, const std::vector<int32_t>& ids,
                                  int64_t text_chars);
  // Sets the whole text's size (m_whole_chars, m_whole_lines) of `quote`,
  // which is in table row `rowid`.
  void measureText(int64_t rowid, Quote& quote);
  // Every tag's name by its id.
  std::unordered_map<int32_t, std::string> tagNames();
  std::optional<Tag> getTagRecord(int32_t id);
  // The SQL query of the ids of the quotes the search selects (empty: all);
  // `ids` receives the values to bind to its parameters, in order.
  std::string buildSearchQuery(std::vector<int32_t>& ids);
  // The SQL condition on the quote table that the quote contains the search
  // words; its parameters are named (bindSearch binds them).
  std::string wordsCondition() const;
  // `quote_ids` (a query of quote ids, empty: all) narrowed to the quotes
  // that contain the search words.
  std::string withWords(const std::string& quote_ids) const;
  // The quotes the search words let through, by rowid: those in `in` (every
  // quote when it is not set) and not in `out`; both ascending.
  struct word_rowids {
    std::optional<std::vector<int64_t>> in;
    std::vector<int64_t> out;
    bool lets_through(int64_t rowid) const;
  };
  // Reads the word indexes for the search words, one query per index.
  word_rowids wordRowids();
  // Every stored quote as (rowid, id), in table order: read once and kept
  // while the file is unchanged (no change through this connection, none
  // committed by another), so that a search by words alone reads no table.
  const std::vector<std::pair<int64_t, int32_t>>& quoteRows();
  struct quote_rows_cache {
    std::vector<std::pair<int64_t, int32_t>> rows;
    int64_t changes = -1;       // sqlite3_total_changes64 when read
    int64_t data_version = -1;  // PRAGMA data_version when read
  };
  quote_rows_cache m_quote_rows;
  // Binds the statement's parameters: the unnamed ones to `ids` in order,
  // the named ones to the search words' queries.
  void bindSearch(SQLite::Statement& statement, const std::vector<int32_t>& ids) const;
  bool tagNameExists(const std::string& utfname);
  void insertTag(int32_t id, const std::string& utfname);
  void insertQuote(int32_t id, const std::string& utftext, int64_t stamp);

  int32_t m_max_qid = 0;
  int32_t m_max_tid = 0;
  int32_t m_search_mode = kSearchAnd;
  std::unique_ptr<SQLite::Database> db_;
  // readQuote's statements, prepared at its first call.
  std::unique_ptr<SQLite::Statement> read_quote_;
  std::unique_ptr<SQLite::Statement> read_quote_links_;
  std::vector<int32_t> m_search_tags;
  std::string m_search_words;
  word_query m_word_query;
};

}  // namespace pvl
