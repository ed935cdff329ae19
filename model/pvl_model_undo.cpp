// The model's deletions of quotes and tags, each recorded in the undo
// journal first, and the undo that restores the newest recorded step.
#include <SQLiteCpp/Exception.h>

#include <ostream>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "model/collection_file.h"
#include "model/logic.h"
#include "model/pvl_model.h"
#include "model/transaction.h"

namespace pvl {

namespace ve = view_events;

void pvlModel::begin_deletions() {
  end_deletions();
  m_batch.open = true;
  m_batch.logs_held = std::make_unique<fml::held_log_flushes>();
}

// The batch's quotes leave the file by one statement: the word indexes
// write out what they hold at the end of each statement, which would cost
// more than the deletion itself at every quote.
void pvlModel::end_deletions() {
  if (!m_batch.open) return;
  fml::getlog("model").flush();
  deletion_batch batch = std::move(m_batch);
  m_batch = deletion_batch{};
  batch.logs_held.reset();
  if (!batch.changes) return;
  try {
    batch.recorded->record(m_undo);
    batch.recorded.reset();
    m_logic->removeQuotes(batch.quotes);
    batch.changes->commit();
  } catch (const SQLite::Exception& error) {
    batch.recorded.reset();
    batch.changes.reset();  // rolled back
    batch.checks_paused.reset();
    if (batch.step_begun) m_undo.forget_last();
    reportRefusedChange(model_events::delete_quote::id, error);
    return;
  }
  batch.changes.reset();
  batch.checks_paused.reset();
  offerUndo();
}

void pvlModel::abandonDeletions() {
  fml::getlog("model").flush();
  m_batch.recorded.reset();
  m_batch.changes.reset();  // rolled back
  m_batch.checks_paused.reset();
  if (m_batch.step_begun) m_undo.forget_last();
  m_batch.step_begun = false;
  m_batch.refused = true;
}

void pvlModel::deleteQuote(int32_t id, bool also) {
  if (m_batch.refused) return;
  if (m_batch.open && !m_batch.changes) {
    SQLite::Database& db = m_logic->database();
    m_batch.checks_paused = std::make_unique<foreign_keys_paused>(db);
    m_batch.changes = std::make_unique<transaction>(db);
    m_batch.recorded = std::make_unique<undo_journal::quote_batch>(db);
  }
  if (!also) {
    m_undo.begin_step();
    m_batch.step_begun = m_batch.open;
  }
  if (m_batch.open) {
    // Recorded and removed with the batch's other quotes when it ends.
    const bool stored = m_batch.recorded->add(id);
    send(ve::vdelete_quote{id});
    if (!stored) throw wrong_quote_id(std::to_string(id));
    m_batch.quotes.push_back(id);
  } else {
    m_undo.record_quote(m_logic->database(), id);
    send(ve::vdelete_quote{id});
    m_logic->removeQuote(id);
  }
  send(ve::vrefresh_quotes{});
  std::ostream& log = fml::getlog("model");
  log << "delete_quote complete; id: " << id << '\n';
  // A batch writes its lines out once, when it ends, and offers its undo
  // once, when it is committed.
  if (m_batch.open) return;
  log.flush();
  offerUndo();
}

void pvlModel::deleteTag(int32_t id, bool also) {
  if (!also) m_undo.begin_step();
  m_undo.record_tag(m_logic->database(), id, m_logic->isTagUsedInSearch(id));
  removeTagEverywhere(id);
  send(ve::vdelete_tag{id});
  sendQuoteList();
  fml::getlog("model") << "delete_tag complete; id: " << id << std::endl;
  offerUndo();
}

void pvlModel::offerUndo() {
  if (!m_undo.can_undo()) return;
  const deleted_rows& step = m_undo.last();
  undo_note note;
  note.quotes = static_cast<int32_t>(step.quotes.size());
  for (const deleted_rows::tag_row& tag : step.tags) note.tags.push_back(tag.name);
  send(ve::vundo_note{note});
}

// The restored records are shown by building the lists again: the tag list
// when tags came back, the search bar's tags that were in it, and the quote
// list of the current search.
void pvlModel::undoDelete() {
  undo_note note;
  note.restored = true;
  if (!m_undo.can_undo()) {
    send(ve::vundo_note{note});
    return;
  }
  deleted_rows back = m_undo.restore_last(m_logic->database());
  if (!back.tags.empty()) {
    std::vector<Tag> tags = m_logic->tags();
    send(ve::vupdate_tags{tags});
  }
  for (const deleted_rows::tag_row& tag : back.tags) {
    note.tags.push_back(tag.name);
    if (!tag.in_search || !m_logic->addSearchTag(tag.id)) continue;
    const Tag shown{tag.id, tag.name};
    send(ve::vadd_search_tag{&shown});
  }
  sendQuoteList();
  note.quotes = static_cast<int32_t>(back.quotes.size());
  send(ve::vundo_note{note});
  fml::getlog("model") << "undo_delete complete; quotes: " << note.quotes
                       << "; tags: " << note.tags.size() << std::endl;
}

}  // namespace pvl
