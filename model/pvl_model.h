// The model: the collection of quotes and tags behind one entry,
// on_model_event. It changes the collection, commits, and tells the view
// what changed through view events (model/view_event.h); the view events are
// its only answer. Copy texts go to the clipboard writer.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fml/log.h"
#include "fml/whoami.h"
#include "model/collection_file.h"
#include "model/json_import.h"
#include "model/model_event.h"
#include "model/undo_journal.h"
#include "model/view_event.h"

namespace SQLite {
class Exception;
}

namespace pvl {

class logic;
class transaction;

class pvlModel : public whoami {
 public:
  // Puts text on the clipboard; returns whether the clipboard took it.
  using clipboard_writer = std::function<bool(const std::wstring& text)>;

  // Opens the collection (see logic's constructor for what it raises) and
  // writes "Model init" to the log "debug".
  pvlModel();
  // Tries once more to store the quotes that wait, keeps those the file
  // still refuses in "unsaved quotes.txt" beside it, closes the collection
  // and writes "Model destruct" to "debug".
  ~pvlModel() override;

  pvlModel(const pvlModel&) = delete;
  pvlModel& operator=(const pvlModel&) = delete;

  std::string name() const override { return "model"; }

  // Carries out one event (model/model_event.h) completely, view events
  // included, before it returns. Raises pvl::wrong_event_id (the id) for an
  // event without its payload (an unknown id) and wrong_quote_id /
  // wrong_tag_id for ids that are not stored.
  // When the file cannot be read or written (another program holds its
  // lock, the disk is full) nothing is raised: a new quote waits in memory
  // (see retry_waiting_quotes), any other change is reported in a vnotice
  // and the view is given the collection as the file holds it; what an
  // event committed before the error stays.
  void on_model_event(const model_event& event);

  // How many new quotes wait in memory for the file to take them.
  size_t waiting_quotes() const { return m_waiting.size(); }
  // Tries again to store the waiting quotes, oldest first, each with the
  // stamp of its capture, and stops at the first the file still refuses.
  // Waits only briefly for another program's lock. Says in a vnotice when
  // the last one was saved.
  void retry_waiting_quotes();
  // Called when a new quote starts waiting: the owner then calls
  // retry_waiting_quotes every second or so until none waits. Empty (the
  // initial state): nobody retries.
  void set_retry_starter(std::function<void()> start);

  // The stored quote `id` with the tags it is marked with, or nullopt when
  // there is none; its text cut as a closed card's (kClosedCardChars).
  // Changes nothing and sends no view event.
  std::optional<Quote> quote(int32_t id);

  // The collection, for the command line's commands carried out by the
  // running program (shell/instance_commands.h), which read it and leave
  // its search as they found it.
  logic& store() { return *m_logic; }
  // Marks the quote with the tags named (UTF-8), creating those not stored
  // (the view is then given the tag list anew), as mark_quote events do.
  void mark_with_tags_named(int32_t quote, const std::vector<std::string>& names);
  // Stores a json export (model/json_import.h) and gives the view the
  // collection anew. Raises what import_json raises.
  import_counts import_json_export(std::string_view json, bool merge);

  // The rows one Delete key removes reach the model as a delete_quote and
  // then a delete_quote_also for each further row. Between begin_deletions()
  // and end_deletions() these are one transaction, opened by the first:
  // each is checked (an id not stored raises wrong_quote_id) and sends
  // vdelete_quote and vrefresh_quotes as it comes, and end_deletions()
  // records all of them for the undo (one step), removes them from the
  // file, commits and offers the step (one vundo_note). When the
  // file refuses any of it, none of them is deleted: the refusal is
  // reported, the view is given the collection as the file holds it, and
  // the later ones until end_deletions() are skipped. Any other event ends
  // an open batch first, and so does the model's end.
  void begin_deletions();
  void end_deletions();

  // Where view events go from now on; null (the initial state) drops them.
  // The sink must stay alive while it is installed.
  void set_view(view_event_sink* view);
  // Where copy texts go from now on; empty (the initial state) drops them.
  void set_clipboard(clipboard_writer writer);

 private:
  void send(const view_event& event);
  // The quote list: all quotes while the search is empty, else the search.
  void sendQuoteList();
  void sendSearch();
  void removeTagEverywhere(int32_t id);
  void exportData(const std::wstring& path);
  void copyQuotes(int32_t event_id, const std::vector<int32_t>& ids);
  void applyEvent(const model_event& event);
  void setSearchMode(int32_t mode);

  // --- When the file refuses a change.

  // Queues a captured text and stores what waits, unless a retry is due.
  void addCapturedQuote(std::string_view text);
  // Stores the waiting quotes in order, each waiting up to `lock_wait_ms`
  // for a lock; returns why the file refused one (then it and those behind
  // it still wait), or "" when none waits any more.
  std::string storeWaitingQuotes(int lock_wait_ms);
  // Appends the quotes that still wait to "unsaved quotes.txt" in "DataDir".
  void keepUnsavedQuotes();
  // Reports a change the file refused and gives the view the collection as
  // the file holds it.
  void reportRefusedChange(int32_t event_id, const SQLite::Exception& error);
  void notice(const std::string& text, bool error);

  struct waiting_quote {
    std::string utftext;
    int64_t stamp = 0;
  };
  std::deque<waiting_quote> m_waiting;
  std::function<void()> m_retry_starter;

  // The deletions and their undo (pvl_model_undo.cpp): each records what it
  // removes in the journal, a new step unless it is `also` one of the last
  // gesture's, and offers the step to the user (vundo_note).
  void deleteQuote(int32_t id, bool also);
  void deleteTag(int32_t id, bool also);
  void offerUndo();
  void undoDelete();
  // Takes back the open batch of deletions after the file refused one.
  void abandonDeletions();

  // The open batch of deletions (begin_deletions).
  struct deletion_batch {
    bool open = false;
    bool refused = false;  // one was refused: the batch was taken back
    // The removal keeps the links right itself; made before the transaction
    // and ended after it.
    std::unique_ptr<foreign_keys_paused> checks_paused;
    std::unique_ptr<transaction> changes;  // from the first deletion on
    std::unique_ptr<undo_journal::quote_batch> recorded;
    std::vector<int32_t> quotes;  // recorded; removed from the file together
    bool step_begun = false;  // the batch opened the newest undo step
    // The lines every part logs for each quote are written out once.
    std::unique_ptr<fml::held_log_flushes> logs_held;
  };
  deletion_batch m_batch;

  view_event_sink* m_view = nullptr;
  // Reads the records of the quotes the view shows (vupdate_quotes).
  const quote_reader m_reader;
  clipboard_writer m_clipboard;
  std::unique_ptr<logic> m_logic;
  undo_journal m_undo;
};

}  // namespace pvl
