#include "model/pvl_model.h"

#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <ostream>
#include <variant>

#include "fml/app_errors.h"
#include "fml/datetime.h"
#include "fml/log.h"
#include "fml/memory.h"
#include "fml/message.h"
#include "fml/overloaded.h"
#include "fml/text.h"
#include "model/collection_file.h"
#include "model/export_texts.h"
#include "model/logic.h"
#include "model/transaction.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

std::ostream& model_log() { return fml::getlog("model"); }

// A text this long leaves megabytes of freed copies behind once stored.
constexpr int64_t kLargeTextChars = 256 * 1024;

// How long a retry waits for another program's lock: briefly, so that the
// window stays responsive while the lock is held.
constexpr int kRetryLockWaitMs = 50;

// Why the file refused a change, as the user is told it.
std::string refusal_reason(const SQLite::Exception& error) {
  int code = error.getErrorCode();
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return "the collection is busy (another program is using its file)";
  }
  if (code == SQLITE_FULL) return "the disk is full";
  return std::string("the collection file cannot be used (") + error.what() + ")";
}

// What the user asked for, for a line that says it could not be done.
std::string change_name(int32_t event_id) {
  namespace me = model_events;
  switch (event_id) {
    case me::delete_quote::id:
    case me::delete_quotes::id:
      return "The quotes could not be deleted";
    case me::add_tag::id:
      return "The tag could not be added";
    case me::delete_tag::id:
    case me::delete_tags::id:
      return "The tag could not be deleted";
    case me::rename_tag::id:
      return "The tag could not be renamed";
    case me::mark_quote::id:
    case me::delete_mark::id:
      return "The quote's tags could not be changed";
    default:
      return "The collection could not be read";
  }
}

std::string clock_time(int64_t stamp) {
  std::time_t time = static_cast<std::time_t>(stamp);
  std::tm local{};
  localtime_r(&time, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

pvlModel::pvlModel()
    : m_reader([this](int32_t id) { return m_logic->readQuote(id, kClosedCardChars); }),
      m_logic(std::make_unique<logic>()) {
  fml::getlog("debug") << "Model init" << std::endl;
}

pvlModel::~pvlModel() {
  // A last try for quotes that still wait; what the file still refuses is
  // kept in a text file beside it rather than lost.
  if (!m_waiting.empty() && !storeWaitingQuotes(kCollectionLockWaitMs).empty()) {
    keepUnsavedQuotes();
  }
  // An open batch of deletions is committed; the view may be gone already.
  m_view = nullptr;
  end_deletions();
  m_logic.reset();
  fml::getlog("debug") << "Model destruct" << std::endl;
}

void pvlModel::set_view(view_event_sink* view) { m_view = view; }

void pvlModel::set_clipboard(clipboard_writer writer) { m_clipboard = std::move(writer); }

std::optional<Quote> pvlModel::quote(int32_t id) {
  return m_logic->getQuote(id, kClosedCardChars);
}

void pvlModel::applyEvent(const model_event& event) {
  namespace me = model_events;
  namespace ve = view_events;
  fml::getlog("debug") << "model event " << event.id << std::endl;
  logic& store = *m_logic;
  if (m_batch.open && event.id != me::delete_quote::id && event.id != me::delete_quote_also::id)
    end_deletions();

  const auto apply = fml::overloaded{
      [&](std::monostate) { throw wrong_event_id(std::to_string(event.id)); },
      [&](const me::add_quote& e) { addCapturedQuote(e.text); },
      [&](const me::delete_quote& e) { deleteQuote(e.quote, false); },
      [&](const me::delete_quote_also& e) { deleteQuote(e.quote, true); },
      [&](const me::delete_quotes& e) {
        m_undo.begin_step();
        for (int32_t id : e.quotes) {
          m_undo.record_quote(store.database(), id);
          send(ve::vdelete_quote{id});
          store.removeQuote(id);
        }
        sendSearch();
        offerUndo();
      },
      [&](const me::add_tag& e) {
        int32_t id = store.addTag(std::wstring(e.name));
        if (id == -1) {
          send(ve::vdelete_wrong_tag{});
        } else {
          send(ve::vadd_tag_id{id});
        }
        model_log() << "add_tag complete; id: " << id << std::endl;
      },
      [&](const me::delete_tag& e) { deleteTag(e.tag, false); },
      [&](const me::delete_tag_also& e) { deleteTag(e.tag, true); },
      [&](const me::delete_tags& e) {
        m_undo.begin_step();
        for (int32_t id : e.tags) {
          m_undo.record_tag(store.database(), id, store.isTagUsedInSearch(id));
          removeTagEverywhere(id);
        }
        for (int32_t id : e.tags) send(ve::vdelete_tag{id});
        sendQuoteList();
        offerUndo();
        model_log() << "delete_tags complete; id: " << std::endl;
      },
      [&](me::undo_delete) { undoDelete(); },
      [&](const me::rename_tag& e) {
        const tag_rename& asked = e.asked;
        const tag_rename now{asked.tag, store.renameTag(asked.tag, asked.name)};
        send(ve::vrename_tag{now});
        if (store.isTagUsedInSearch(asked.tag)) send(ve::vrename_stag{now});
        sendQuoteList();
        model_log() << "rename_tag complete; id: " << asked.tag << std::endl;
      },
      [&](const me::mark_quote& e) {
        const quote_tag_ids& pair = e.pair;
        std::optional<Tag> tag = store.getTag(pair.tag);
        if (store.markQuote(pair.quote, pair.tag)) {
          send(ve::vmark_quote{pair.quote, tag ? &*tag : nullptr});
        }
        model_log() << "mark_quote complete; quote: " << pair.quote << "; tag: " << pair.tag
                    << std::endl;
      },
      [&](const me::delete_mark& e) {
        const quote_tag_ids& pair = e.pair;
        store.unmarkQuote(pair.quote, pair.tag);
        send(ve::vdelete_mark{pair});
        if (!store.isSearchEmpty()) sendSearch();
        model_log() << "delete_mark complete; quote: " << pair.quote << "; tag: " << pair.tag
                    << std::endl;
      },
      [&](const me::add_search_tag& e) {
        if (store.addSearchTag(e.tag)) {
          std::optional<Tag> tag = store.getTag(e.tag);
          send(ve::vadd_search_tag{tag ? &*tag : nullptr});
          sendSearch();
        }
        model_log() << "add_search_tag complete; id: " << e.tag << std::endl;
      },
      [&](const me::add_search_tags& e) {
        bool added = false;
        for (int32_t id : e.tags) {
          if (!store.addSearchTag(id)) continue;
          std::optional<Tag> tag = store.getTag(id);
          send(ve::vadd_search_tag{tag ? &*tag : nullptr});
          added = true;
        }
        if (added) sendSearch();
      },
      [&](const me::delete_search_tag& e) {
        store.removeSearchTag(e.tag);
        send(ve::vdelete_search_tag{e.tag});
        sendQuoteList();
        model_log() << "delete_search_tag complete; id: " << e.tag << std::endl;
      },
      // The search words leave with the tags: the view empties its field.
      [&](me::clear_search_tags) {
        if (store.isSearchEmpty() && store.searchWords().empty()) return;
        store.clearSearchTags();
        store.setSearchWords("");
        send(ve::vclear_search_tags{});
        sendSearch();
      },
      [&](const me::set_search_words& e) {
        if (e.utf8 == store.searchWords()) return;
        store.setSearchWords(e.utf8);
        sendSearch();
      },
      [&](me::set_search_mode_and) { setSearchMode(logic::kSearchAnd); },
      [&](me::set_search_mode_or) { setSearchMode(logic::kSearchOr); },
      [&](me::initial_load) {
        std::vector<Tag> tags = store.tags();
        send(ve::vupdate_tags{tags});
        sendQuoteList();
      },
      [&](const me::show_quote_text& e) {
        std::optional<Quote> quote =
            store.getQuote(e.quote, e.open ? kOpenCardChars : kClosedCardChars);
        if (quote) {
          send(ve::vshow_quote_text{*quote, e.open});
        } else {
          model_log() << "show_quote_text skips quote " << e.quote << ": not stored" << std::endl;
        }
      },
      [&](const me::export_data& e) { exportData(std::wstring(e.path)); },
      [&](const me::copy_quote& e) { copyQuotes(e.id, {e.quote}); },
      [&](const me::copy_quote_with_data& e) { copyQuotes(e.id, {e.quote}); },
      [&](const me::copy_quotes& e) { copyQuotes(e.id, e.quotes); },
      [&](const me::copy_quotes_with_data& e) { copyQuotes(e.id, e.quotes); },
  };
  std::visit(apply, event.data);
}

void pvlModel::setSearchMode(int32_t mode) {
  m_logic->setSearchMode(mode);
  if (!m_logic->isSearchEmpty()) sendSearch();
}

void pvlModel::on_model_event(const model_event& event) {
  try {
    applyEvent(event);
  } catch (const SQLite::Exception& error) {
    // The rest of a batch goes with the refused deletion.
    if (m_batch.open) abandonDeletions();
    reportRefusedChange(event.id, error);
  }
}

void pvlModel::mark_with_tags_named(int32_t quote, const std::vector<std::string>& names) {
  std::vector<int32_t> ids;
  bool created = false;
  for (const std::string& name : names) {
    std::vector<Tag> tags = m_logic->tags();
    auto found = std::find_if(tags.begin(), tags.end(),
                              [&name](const Tag& tag) { return tag.m_utfname == name; });
    if (found != tags.end()) {
      ids.push_back(found->m_id);
    } else {
      ids.push_back(m_logic->addTag(fml::utf82wchar(name)));
      created = true;
    }
  }
  if (created) {
    std::vector<Tag> tags = m_logic->tags();
    send(view_events::vupdate_tags{tags});
  }
  for (int32_t tag : ids) on_model_event(model_events::mark_quote{{quote, tag}});
}

import_counts pvlModel::import_json_export(std::string_view json, bool merge) {
  import_counts counts = import_json(m_logic->database(), json, merge);
  m_logic->setMaxs();
  std::vector<Tag> tags = m_logic->tags();
  send(view_events::vupdate_tags{tags});
  sendQuoteList();
  return counts;
}

void pvlModel::set_retry_starter(std::function<void()> start) {
  m_retry_starter = std::move(start);
}

void pvlModel::addCapturedQuote(std::string_view text) {
  m_waiting.push_back(waiting_quote{std::string(text), current_stamp()});
  // Behind quotes that wait already, a new one waits its turn, so that the
  // collection keeps the order of the captures.
  if (m_waiting.size() > 1) {
    model_log() << "add_quote waits behind " << m_waiting.size() - 1 << " quotes" << std::endl;
    notice(std::to_string(m_waiting.size()) +
               " new quotes wait to be saved; they are kept and saved as soon as the "
               "collection can take them.",
           true);
    return;
  }
  std::string refused = storeWaitingQuotes(kCollectionLockWaitMs);
  if (refused.empty()) return;
  notice("A new quote could not be saved yet: " + refused +
             ". It is kept and saved as soon as the collection can take it.",
         true);
  if (m_retry_starter) m_retry_starter();
}

void pvlModel::retry_waiting_quotes() {
  if (m_waiting.empty()) return;
  size_t count = m_waiting.size();
  if (!storeWaitingQuotes(kRetryLockWaitMs).empty()) return;
  std::string when = clock_time(current_stamp());
  notice(count == 1
             ? "The waiting quote was saved at " + when + "."
             : "The " + std::to_string(count) + " waiting quotes were saved at " + when + ".",
         false);
}

std::string pvlModel::storeWaitingQuotes(int lock_wait_ms) {
  while (!m_waiting.empty()) {
    const waiting_quote& next = m_waiting.front();
    int32_t id;
    try {
      id = m_logic->storeQuote(next.utftext, next.stamp, lock_wait_ms);
    } catch (const SQLite::Exception& error) {
      model_log() << "add_quote waits: " << error.what() << std::endl;
      return refusal_reason(error);
    }
    m_waiting.pop_front();
    std::optional<Quote> quote = m_logic->getQuote(id, kClosedCardChars);
    send(view_events::vadd_quote{quote ? &*quote : nullptr});
    // Storing a very long text went through copies of it, all freed now.
    if (quote && quote->m_whole_chars >= kLargeTextChars) fml::release_free_memory();
    model_log() << "add_quote complete; id: " << id << std::endl;
  }
  return {};
}

void pvlModel::keepUnsavedQuotes() {
  std::string path = fml::wchar2utf8(
      tinyfilesystem::join_path(tinyfilesystem::app_dir(L"DataDir"), L"unsaved quotes.txt"));
  std::FILE* file = std::fopen(path.c_str(), "ab");
  bool kept = file != nullptr;
  for (const waiting_quote& quote : m_waiting) {
    std::string entry =
        fml::datetime_text(quote.stamp) + "\n" + quote.utftext + "\n\n";
    kept = kept && std::fwrite(entry.data(), 1, entry.size(), file) == entry.size();
  }
  if (file) kept = std::fclose(file) == 0 && kept;
  model_log() << m_waiting.size() << " waiting quotes could not be saved; "
              << (kept ? "they are kept in " : "and could not be kept in ") << path << std::endl;
}

void pvlModel::reportRefusedChange(int32_t event_id, const SQLite::Exception& error) {
  model_log() << "model event " << event_id << " failed: " << error.what() << std::endl;
  notice(change_name(event_id) + ": " + refusal_reason(error) + ".", true);
  // The view may already show the change: it is given what the file holds.
  try {
    m_logic->setMaxs();
    std::vector<Tag> tags = m_logic->tags();
    send(view_events::vupdate_tags{tags});
    sendQuoteList();
  } catch (const std::exception& again) {
    model_log() << "the collection cannot be read: " << again.what() << std::endl;
  }
}

void pvlModel::notice(const std::string& text, bool error) {
  model_log() << "notice: " << text << std::endl;
  const pvl::notice line{text, error};
  send(view_events::vnotice{line});
}

void pvlModel::send(const view_event& event) {
  if (m_view) m_view->on_view_event(event);
}

// The ids alone: the view reads a quote's record when it shows its card.
void pvlModel::sendQuoteList() {
  if (m_logic->isSearchEmpty() && !m_logic->hasSearchWords()) {
    const std::vector<int32_t> ids = m_logic->quoteIds();
    send(view_events::vupdate_quotes{ids, m_reader});
  } else {
    sendSearch();
  }
}

void pvlModel::sendSearch() {
  const std::vector<int32_t> ids = m_logic->searchIds();
  send(view_events::vupdate_quotes{ids, m_reader});
}

void pvlModel::removeTagEverywhere(int32_t id) {
  if (m_logic->isTagUsedInSearch(id)) {
    m_logic->removeSearchTag(id);
    send(view_events::vdelete_search_tag{id});
  }
  m_logic->removeTag(id);
}

void pvlModel::exportData(const std::wstring& path) {
  // The search runs first, so that a failing search leaves an existing file
  // as it was.
  std::vector<Quote> quotes = m_logic->search();
  std::string file = fml::wchar2utf8(path);
  if (!write_export(path, quotes)) {
    int error = errno;
    model_log() << "export_data failed: " << file << ": " << fml::system_error_text(error)
                << std::endl;
    notice("The export failed: " + file + " could not be written (" + std::strerror(error) + ").",
           true);
    return;
  }
  notice("Exported " + std::to_string(quotes.size()) + (quotes.size() == 1 ? " quote" : " quotes") +
             " to " + file,
         false);
}

void pvlModel::copyQuotes(int32_t event_id, const std::vector<int32_t>& ids) {
  std::vector<Quote> quotes;
  for (int32_t id : ids) {
    std::optional<Quote> quote = m_logic->getQuote(id);
    if (quote) {
      quotes.push_back(std::move(*quote));
    } else {
      model_log() << "copy skips quote " << id << ": not stored" << std::endl;
    }
  }
  // Nothing to copy leaves the clipboard as it was.
  if (quotes.empty() || !m_clipboard) return;

  std::wstring text;
  switch (event_id) {
    case model_events::copy_quote::id:
      text = copy_quote_text(quotes.front());
      break;
    case model_events::copy_quote_with_data::id:
      text = copy_quote_with_data_text(quotes.front());
      break;
    case model_events::copy_quotes::id:
      text = copy_quotes_text(quotes);
      break;
    default:
      text = copy_quotes_with_data_text(quotes);
  }
  if (!m_clipboard(text)) model_log() << "copy: the clipboard did not take the text" << std::endl;
}

}  // namespace pvl
