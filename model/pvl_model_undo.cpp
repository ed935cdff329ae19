// The model's deletions of quotes and tags, each recorded in the undo
// journal first, and the undo that restores the newest recorded step.
#include <ostream>

#include "fml/log.h"
#include "model/logic.h"
#include "model/pvl_model.h"

namespace pvl {

namespace ve = view_events;

void pvlModel::deleteQuote(int32_t id, bool also) {
  if (!also) m_undo.begin_step();
  m_undo.record_quote(m_logic->database(), id);
  send(ve::vdelete_quote{id});
  m_logic->removeQuote(id);
  send(ve::vrefresh_quotes{});
  fml::getlog("model") << "delete_quote complete; id: " << id << std::endl;
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
