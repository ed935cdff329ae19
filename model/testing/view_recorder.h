// Stands in for the view in the model's tests: records every view event with
// a copy of its data, since the data is valid only during the call.
#pragma once

#include <optional>
#include <vector>

#include "model/view_event.h"

namespace model_testing {

struct recorded_event {
  int32_t id = 0;
  bool had_data = false;
  int32_t number = 0;               // vdelete_quote, vadd_tag_id, vdelete_tag, vdelete_search_tag
  std::optional<pvl::Quote> quote;  // vadd_quote
  std::optional<pvl::Tag> tag;      // vmark_quote, vadd_search_tag
  pvl::tag_rename rename;           // vrename_tag, vrename_stag
  pvl::quote_tag_ids pair;          // vmark_quote (quote only), vdelete_mark
  std::vector<pvl::Quote> quotes;   // vupdate_quotes
  std::vector<pvl::Tag> tags;       // vupdate_tags
  pvl::notice notice;               // vnotice
  pvl::undo_note note;              // vundo_note
};

class view_recorder : public pvl::view_event_sink {
 public:
  void on_view_event(const pvl::view_event& event) override {
    namespace ve = pvl::view_events;
    recorded_event copy;
    copy.id = event.id;
    copy.had_data = event.data != nullptr;
    if (event.data) {
      switch (event.id) {
        case ve::vadd_quote:
          copy.quote = *static_cast<const pvl::Quote*>(event.data);
          break;
        case ve::vdelete_quote:
        case ve::vadd_tag_id:
        case ve::vdelete_tag:
        case ve::vdelete_search_tag:
          copy.number = *static_cast<const int32_t*>(event.data);
          break;
        case ve::vrename_tag:
        case ve::vrename_stag:
          copy.rename = *static_cast<const pvl::tag_rename*>(event.data);
          break;
        case ve::vmark_quote: {
          auto& marked = *static_cast<const pvl::quote_tag_record*>(event.data);
          copy.pair.quote = marked.quote;
          if (marked.tag) copy.tag = *marked.tag;
          break;
        }
        case ve::vdelete_mark:
          copy.pair = *static_cast<const pvl::quote_tag_ids*>(event.data);
          break;
        case ve::vadd_search_tag:
          copy.tag = *static_cast<const pvl::Tag*>(event.data);
          break;
        case ve::vupdate_quotes:
          copy.quotes = *static_cast<const std::vector<pvl::Quote>*>(event.data);
          break;
        case ve::vupdate_tags:
          copy.tags = *static_cast<const std::vector<pvl::Tag>*>(event.data);
          break;
        case ve::vnotice:
          copy.notice = *static_cast<const pvl::notice*>(event.data);
          break;
        case ve::vundo_note:
          copy.note = *static_cast<const pvl::undo_note*>(event.data);
          break;
      }
    }
    events.push_back(std::move(copy));
  }

  std::vector<int32_t> ids() const {
    std::vector<int32_t> ids;
    for (const recorded_event& event : events) ids.push_back(event.id);
    return ids;
  }
  void clear() { events.clear(); }

  std::vector<recorded_event> events;
};

// The ids of the quotes, in order.
inline std::vector<int32_t> quote_ids(const std::vector<pvl::Quote>& quotes) {
  std::vector<int32_t> ids;
  for (const pvl::Quote& quote : quotes) ids.push_back(quote.m_id);
  return ids;
}

}  // namespace model_testing
