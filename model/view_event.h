// How the model tells the view what changed: view events, and the entry the
// view offers for them. The view implements view_event_sink; until it exists
// (and in tests) something else can stand in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/model_event.h"
#include "model/records.h"

namespace htmlayout::dom {
class element;
}

namespace pvl {

// How much of a quote's text the records of these events carry: a card in
// the quote list shows at most the start of a long text, closed (vadd_quote,
// vupdate_quotes) or opened by the user (vshow_quote_text). Copies and
// exports read the whole text from the collection, never from the window.
inline constexpr int64_t kClosedCardChars = 2000;
inline constexpr int64_t kOpenCardChars = 50000;

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

// Reads a quote's record as the quote list shows it (its text cut to
// kClosedCardChars), or nullopt when it is not stored.
using quote_reader = std::function<std::optional<Quote>(int32_t quote_id)>;

// The events, each with its id. Records are the sender's, valid for the
// call; the receiver keeps nothing they refer to.
namespace view_events {
struct vadd_quote {  // the quote just stored, or null if it cannot be read
  static constexpr int32_t id = 1;
  const Quote* quote = nullptr;
};
struct vdelete_quote {
  static constexpr int32_t id = 2;
  int32_t quote = 0;
};
struct vadd_tag_id {  // the new tag's id
  static constexpr int32_t id = 3;
  int32_t tag = 0;
};
struct vdelete_tag {
  static constexpr int32_t id = 4;
  int32_t tag = 0;
};
struct vdelete_wrong_tag {  // the typed tag name was refused
  static constexpr int32_t id = 5;
};
struct vedit_tag {  // sent by the controller, never by the model
  static constexpr int32_t id = 6;
  const htmlayout::dom::element& tag;
};
struct vrename_tag {  // the name now in effect
  static constexpr int32_t id = 7;
  const tag_rename& now;
};
struct vmark_quote {  // a quote and the tag just attached to it (null if it cannot be read)
  static constexpr int32_t id = 8;
  int32_t quote = 0;
  const Tag* tag = nullptr;
};
struct vdelete_mark {
  static constexpr int32_t id = 9;
  quote_tag_ids pair;
};
struct vadd_search_tag {  // null if it cannot be read
  static constexpr int32_t id = 10;
  const Tag* tag = nullptr;
};
struct vdelete_search_tag {
  static constexpr int32_t id = 11;
  int32_t tag = 0;
};
// The quote list shown anew: the ids of its quotes, in order, and how to read
// a quote's record (quote_reader). The view builds a card from its record
// only when it first needs it, so it keeps `read` until the next
// vupdate_quotes: the reader must stay valid while the view shows the list.
struct vupdate_quotes {
  static constexpr int32_t id = 12;
  const std::vector<int32_t>& quotes;
  const quote_reader& read;
};
struct vrename_stag {  // sent only for a tag in the search
  static constexpr int32_t id = 14;
  const tag_rename& now;
};
struct vupdate_tags {  // all tags, in order
  static constexpr int32_t id = 15;
  const std::vector<Tag>& tags;
};
struct vrefresh_quotes {
  static constexpr int32_t id = 17;
};
struct vclear_search_tags {
  static constexpr int32_t id = 20;
};
struct vundo_note {
  static constexpr int32_t id = 21;
  const undo_note& note;
};
struct vshow_quote_text {  // the quote, its text cut to kOpenCardChars or kClosedCardChars
  static constexpr int32_t id = 22;
  const Quote& quote;
  bool open = false;  // whether its card is to be shown open
};
struct vnotice {  // a line the user must be told
  static constexpr int32_t id = 30;
  const notice& line;
};
}  // namespace view_events

using view_payload =
    std::variant<std::monostate, view_events::vadd_quote, view_events::vdelete_quote,
                 view_events::vadd_tag_id, view_events::vdelete_tag, view_events::vdelete_wrong_tag,
                 view_events::vedit_tag, view_events::vrename_tag, view_events::vmark_quote,
                 view_events::vdelete_mark, view_events::vadd_search_tag,
                 view_events::vdelete_search_tag, view_events::vupdate_quotes,
                 view_events::vrename_stag, view_events::vupdate_tags, view_events::vrefresh_quotes,
                 view_events::vclear_search_tags, view_events::vundo_note,
                 view_events::vshow_quote_text, view_events::vnotice>;

static_assert(distinct_payload_ids<view_payload>());

struct view_event {
  // An event: sink.on_view_event(view_events::vdelete_quote{id}).
  template <typename Payload>
  view_event(const Payload& payload) : id(Payload::id), data(payload) {}
  // An id without its payload, which the view ignores.
  explicit view_event(int32_t bare_id) : id(bare_id) {}

  int32_t id = 0;
  view_payload data;  // std::monostate: none
};

class view_event_sink {
 public:
  virtual ~view_event_sink() = default;

  // Carries out one view event. Runs synchronously inside the model's
  // handling of a model event.
  virtual void on_view_event(const view_event& event) = 0;
};

}  // namespace pvl
