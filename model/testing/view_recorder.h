// Stands in for the view in the model's tests: records every view event with
// a copy of its data, since the data is valid only during the call.
#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "fml/overloaded.h"
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
  std::vector<pvl::Quote> quotes;   // vupdate_quotes, read as it was sent
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
    // Events without a record, and records given as null, leave had_data false.
    copy.had_data = true;
    const auto apply = fml::overloaded{
        [&](const ve::vadd_quote& e) {
          copy.had_data = e.quote != nullptr;
          if (e.quote) copy.quote = *e.quote;
        },
        [&](const ve::vdelete_quote& e) { copy.number = e.quote; },
        [&](const ve::vadd_tag_id& e) { copy.number = e.tag; },
        [&](const ve::vdelete_tag& e) { copy.number = e.tag; },
        [&](const ve::vdelete_search_tag& e) { copy.number = e.tag; },
        [&](const ve::vrename_tag& e) { copy.rename = e.now; },
        [&](const ve::vrename_stag& e) { copy.rename = e.now; },
        [&](const ve::vmark_quote& e) {
          copy.pair.quote = e.quote;
          if (e.tag) copy.tag = *e.tag;
        },
        [&](const ve::vdelete_mark& e) { copy.pair = e.pair; },
        [&](const ve::vadd_search_tag& e) {
          copy.had_data = e.tag != nullptr;
          if (e.tag) copy.tag = *e.tag;
        },
        [&](const ve::vupdate_quotes& e) {
          for (int32_t id : e.quotes)
            if (std::optional<pvl::Quote> quote = e.read(id)) copy.quotes.push_back(*quote);
        },
        [&](const ve::vupdate_tags& e) { copy.tags = e.tags; },
        [&](const ve::vnotice& e) { copy.notice = e.line; },
        [&](const ve::vundo_note& e) { copy.note = e.note; },
        [&](const auto&) { copy.had_data = false; },
    };
    std::visit(apply, event.data);
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
