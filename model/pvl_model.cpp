#include "model/pvl_model.h"

#include <cerrno>
#include <ostream>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/message.h"
#include "fml/text.h"
#include "model/export_texts.h"
#include "model/logic.h"

namespace pvl {

namespace {

std::ostream& model_log() { return fml::getlog("model"); }

template <typename Data>
const Data& data_of(const model_event& event) {
  if (!event.data) throw fml::exception("model event " + std::to_string(event.id) + " has no data");
  return *static_cast<const Data*>(event.data);
}

}  // namespace

pvlModel::pvlModel() : m_logic(std::make_unique<logic>()) {
  fml::getlog("debug") << "Model init" << std::endl;
}

pvlModel::~pvlModel() {
  m_logic.reset();
  fml::getlog("debug") << "Model destruct" << std::endl;
}

void pvlModel::set_view(view_event_sink* view) { m_view = view; }

void pvlModel::set_clipboard(clipboard_writer writer) { m_clipboard = std::move(writer); }

std::optional<Quote> pvlModel::quote(int32_t id) { return m_logic->getQuote(id); }

void pvlModel::on_model_event(const model_event& event) {
  namespace me = model_events;
  namespace ve = view_events;
  fml::getlog("debug") << "model event " << event.id << std::endl;
  logic& store = *m_logic;

  switch (event.id) {
    case me::add_quote: {
      int32_t id = store.addQuote(&data_of<wchar_t>(event));
      std::optional<Quote> quote = store.getQuote(id);
      send(ve::vadd_quote, quote ? &*quote : nullptr);
      model_log() << "add_quote complete; id: " << id << std::endl;
      break;
    }
    case me::delete_quote:
    case me::delete_quote_also:
      deleteQuote(data_of<int32_t>(event), event.id == me::delete_quote_also);
      break;
    case me::delete_quotes: {
      m_undo.begin_step();
      for (const int32_t& id : data_of<std::vector<int32_t>>(event)) {
        m_undo.record_quote(store.database(), id);
        send(ve::vdelete_quote, &id);
        store.removeQuote(id);
      }
      sendSearch();
      offerUndo();
      break;
    }
    case me::add_tag: {
      int32_t id = store.addTag(&data_of<wchar_t>(event));
      if (id == -1) {
        send(ve::vdelete_wrong_tag);
      } else {
        send(ve::vadd_tag_id, &id);
      }
      model_log() << "add_tag complete; id: " << id << std::endl;
      break;
    }
    case me::delete_tag:
    case me::delete_tag_also:
      deleteTag(data_of<int32_t>(event), event.id == me::delete_tag_also);
      break;
    case me::delete_tags: {
      const std::vector<int32_t>& ids = data_of<std::vector<int32_t>>(event);
      m_undo.begin_step();
      for (int32_t id : ids) {
        m_undo.record_tag(store.database(), id, store.isTagUsedInSearch(id));
        removeTagEverywhere(id);
      }
      for (const int32_t& id : ids) send(ve::vdelete_tag, &id);
      sendQuoteList();
      offerUndo();
      model_log() << "delete_tags complete; id: " << std::endl;
      break;
    }
    case me::undo_delete:
      undoDelete();
      break;
    case me::rename_tag: {
      const tag_rename& asked = data_of<tag_rename>(event);
      tag_rename now{asked.tag, store.renameTag(asked.tag, asked.name)};
      send(ve::vrename_tag, &now);
      if (store.isTagUsedInSearch(asked.tag)) send(ve::vrename_stag, &now);
      sendQuoteList();
      model_log() << "rename_tag complete; id: " << asked.tag << std::endl;
      break;
    }
    case me::mark_quote: {
      const quote_tag_ids& pair = data_of<quote_tag_ids>(event);
      std::optional<Tag> tag = store.getTag(pair.tag);
      if (store.markQuote(pair.quote, pair.tag)) {
        quote_tag_record marked{pair.quote, tag ? &*tag : nullptr};
        send(ve::vmark_quote, &marked);
      }
      model_log() << "mark_quote complete; quote: " << pair.quote << "; tag: " << pair.tag
                  << std::endl;
      break;
    }
    case me::delete_mark: {
      const quote_tag_ids& pair = data_of<quote_tag_ids>(event);
      store.unmarkQuote(pair.quote, pair.tag);
      send(ve::vdelete_mark, &pair);
      if (!store.isSearchEmpty()) sendSearch();
      model_log() << "delete_mark complete; quote: " << pair.quote << "; tag: " << pair.tag
                  << std::endl;
      break;
    }
    case me::add_search_tag: {
      const int32_t& id = data_of<int32_t>(event);
      if (store.addSearchTag(id)) {
        std::optional<Tag> tag = store.getTag(id);
        send(ve::vadd_search_tag, tag ? &*tag : nullptr);
        sendSearch();
      }
      model_log() << "add_search_tag complete; id: " << id << std::endl;
      break;
    }
    case me::add_search_tags: {
      bool added = false;
      for (int32_t id : data_of<std::vector<int32_t>>(event)) {
        if (!store.addSearchTag(id)) continue;
        std::optional<Tag> tag = store.getTag(id);
        send(ve::vadd_search_tag, tag ? &*tag : nullptr);
        added = true;
      }
      if (added) sendSearch();
      break;
    }
    case me::delete_search_tag: {
      const int32_t& id = data_of<int32_t>(event);
      store.removeSearchTag(id);
      send(ve::vdelete_search_tag, &id);
      sendQuoteList();
      model_log() << "delete_search_tag complete; id: " << id << std::endl;
      break;
    }
    case me::clear_search_tags:
      if (store.isSearchEmpty()) break;
      store.clearSearchTags();
      send(ve::vclear_search_tags);
      sendSearch();
      break;
    case me::set_search_mode_and:
    case me::set_search_mode_or:
      store.setSearchMode(event.id == me::set_search_mode_and ? logic::kSearchAnd
                                                              : logic::kSearchOr);
      if (!store.isSearchEmpty()) sendSearch();
      break;
    case me::initial_load: {
      std::vector<Tag> tags = store.tags();
      send(ve::vupdate_tags, &tags);
      std::vector<Quote> quotes = store.quotes();
      send(ve::vupdate_quotes, &quotes);
      break;
    }
    case me::export_data:
      exportData(data_of<std::wstring>(event));
      break;
    case me::copy_quote:
    case me::copy_quote_with_data:
      copyQuotes(event.id, {data_of<int32_t>(event)});
      break;
    case me::copy_quotes:
    case me::copy_quotes_with_data:
      copyQuotes(event.id, data_of<std::vector<int32_t>>(event));
      break;
    default:
      throw wrong_event_id(std::to_string(event.id));
  }
}

void pvlModel::send(int32_t id, const void* data) {
  if (m_view) m_view->on_view_event(view_event{id, data});
}

void pvlModel::sendQuoteList() {
  if (m_logic->isSearchEmpty()) {
    std::vector<Quote> quotes = m_logic->quotes();
    send(view_events::vupdate_quotes, &quotes);
  } else {
    sendSearch();
  }
}

void pvlModel::sendSearch() {
  std::vector<Quote> quotes = m_logic->search();
  send(view_events::vupdate_quotes, &quotes);
}

void pvlModel::removeTagEverywhere(int32_t id) {
  if (m_logic->isTagUsedInSearch(id)) {
    m_logic->removeSearchTag(id);
    send(view_events::vdelete_search_tag, &id);
  }
  m_logic->removeTag(id);
}

void pvlModel::exportData(const std::wstring& path) {
  // The search runs first, so that a failing search leaves an existing file
  // as it was.
  std::vector<Quote> quotes = m_logic->search();
  if (!write_export(path, quotes)) {
    int error = errno;
    model_log() << "export_data failed: " << fml::wchar2utf8(path) << ": "
                << fml::system_error_text(error) << std::endl;
  }
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
    case model_events::copy_quote:
      text = copy_quote_text(quotes.front());
      break;
    case model_events::copy_quote_with_data:
      text = copy_quote_with_data_text(quotes.front());
      break;
    case model_events::copy_quotes:
      text = copy_quotes_text(quotes);
      break;
    default:
      text = copy_quotes_with_data_text(quotes);
  }
  if (!m_clipboard(text)) model_log() << "copy: the clipboard did not take the text" << std::endl;
}

}  // namespace pvl
