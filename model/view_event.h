// How the model tells the view what changed: view events, and the entry the
// view offers for them. The view implements view_event_sink; until it exists
// (and in tests) something else can stand in its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/model_event.h"
#include "model/records.h"

namespace pvl {

// `data` is owned by the sender and valid only during the call; the receiver
// keeps nothing it points at.
struct view_event {
  int32_t id = 0;
  const void* data = nullptr;
};

// How much of a quote's text the records of these events carry: a card in
// the quote list shows at most the start of a long text, closed (vadd_quote,
// vupdate_quotes) or opened by the user (vshow_quote_text). Copies and
// exports read the whole text from the collection, never from the window.
inline constexpr int64_t kClosedCardChars = 2000;
inline constexpr int64_t kOpenCardChars = 50000;

// The event ids, with what `data` points at for each.
namespace view_events {
enum : int32_t {
  vadd_quote = 1,           // const Quote: the quote just stored, or null if it cannot be read
  vdelete_quote = 2,        // const int32_t: a quote id
  vadd_tag_id = 3,          // const int32_t: the new tag's id
  vdelete_tag = 4,          // const int32_t: a tag id
  vdelete_wrong_tag = 5,    // none: the typed tag name was refused
  vedit_tag = 6,            // sent by the controller, never by the model
  vrename_tag = 7,          // const tag_rename: the name now in effect
  vmark_quote = 8,          // const quote_tag_record
  vdelete_mark = 9,         // const quote_tag_ids
  vadd_search_tag = 10,     // const Tag, or null if it cannot be read
  vdelete_search_tag = 11,  // const int32_t: a tag id
  vupdate_quotes = 12,      // const std::vector<Quote>: the quotes to show, in order
  vrename_stag = 14,        // const tag_rename: sent only for a tag in the search
  vupdate_tags = 15,        // const std::vector<Tag>: all tags, in order
  vrefresh_quotes = 17,     // none
  vclear_search_tags = 20,  // none
  vundo_note = 21,          // const undo_note
  vshow_quote_text = 22,    // const quote_card_record
  vnotice = 30,             // const notice: a line the user must be told
};
}  // namespace view_events

// A quote and the record of the tag just attached to it (null if the tag
// cannot be read).
struct quote_tag_record {
  int32_t quote = 0;
  const Tag* tag = nullptr;
};

// A quote (its text cut to kOpenCardChars or kClosedCardChars) and whether
// its card is to be shown open.
struct quote_card_record {
  const Quote* quote = nullptr;
  bool open = false;
};

// A line for the window's notice, UTF-8 text; an error is shown as one.
struct notice {
  std::string text;
  bool error = false;
};

// What a deletion removed, for the user to take back, or what taking it back
// restored. Empty and `restored`: there was nothing to restore.
struct undo_note {
  int32_t quotes = 0;              // quotes removed or restored
  std::vector<std::string> tags;   // names (UTF-8) of the tags removed or restored
  bool restored = false;
};

class view_event_sink {
 public:
  virtual ~view_event_sink() = default;

  // Carries out one view event. Runs synchronously inside the model's
  // handling of a model event.
  virtual void on_view_event(const view_event& event) = 0;
};

}  // namespace pvl
