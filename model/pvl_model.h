// The model: the collection of quotes and tags behind one entry,
// on_model_event. It changes the collection, commits, and tells the view
// what changed through view events (model/view_event.h); the view events are
// its only answer. Copy texts go to the clipboard writer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "fml/whoami.h"
#include "model/model_event.h"
#include "model/undo_journal.h"
#include "model/view_event.h"

namespace pvl {

class logic;

class pvlModel : public whoami {
 public:
  // Puts text on the clipboard; returns whether the clipboard took it.
  using clipboard_writer = std::function<bool(const std::wstring& text)>;

  // Opens the collection (see logic's constructor for what it raises) and
  // writes "Model init" to the log "debug".
  pvlModel();
  // Closes the collection and writes "Model destruct" to "debug".
  ~pvlModel() override;

  pvlModel(const pvlModel&) = delete;
  pvlModel& operator=(const pvlModel&) = delete;

  std::string name() const override { return "model"; }

  // Carries out one event (ids and data in model/model_event.h) completely,
  // view events included, before it returns. Raises pvl::wrong_event_id (the
  // id) for an unknown id, fml::exception when an event that needs data has
  // none, wrong_quote_id / wrong_tag_id for ids that are not stored, and
  // SQLite::Exception when the file cannot be written; what an event
  // committed before the error stays.
  void on_model_event(const model_event& event);

  // The stored quote `id` with the tags it is marked with, or nullopt when
  // there is none. Changes nothing and sends no view event.
  std::optional<Quote> quote(int32_t id);

  // Where view events go from now on; null (the initial state) drops them.
  // The sink must stay alive while it is installed.
  void set_view(view_event_sink* view);
  // Where copy texts go from now on; empty (the initial state) drops them.
  void set_clipboard(clipboard_writer writer);

 private:
  void send(int32_t id, const void* data = nullptr);
  // The quote list: all quotes while the search is empty, else the search.
  void sendQuoteList();
  void sendSearch();
  void removeTagEverywhere(int32_t id);
  void exportData(const std::wstring& path);
  void copyQuotes(int32_t event_id, const std::vector<int32_t>& ids);
  // The deletions and their undo (pvl_model_undo.cpp): each records what it
  // removes in the journal, a new step unless it is `also` one of the last
  // gesture's, and offers the step to the user (vundo_note).
  void deleteQuote(int32_t id, bool also);
  void deleteTag(int32_t id, bool also);
  void offerUndo();
  void undoDelete();

  view_event_sink* m_view = nullptr;
  clipboard_writer m_clipboard;
  std::unique_ptr<logic> m_logic;
  undo_journal m_undo;
};

}  // namespace pvl
