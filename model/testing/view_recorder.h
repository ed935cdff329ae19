// Stands in for the view in the model's tests: records every view event with
// a copy of its data, since the data is valid only during the call.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "fml/overloaded.h"
#include "fml/text.h"
#include "model/view_event.h"

namespace model_testing {

struct recorded_event {
  int32_t id = 0;
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

inline std::string tag_names(const std::vector<pvl::Tag>& tags) {
  std::string names;
  for (const pvl::Tag& tag : tags) names += (names.empty() ? "" : ",") + tag.m_utfname;
  return names;
}

// The event in one line, its name and the data it carried: "delete_quote 2",
// "mark_quote 4 beta", "delete_mark 2/3", "update_quotes 2(gamma,alpha) 4".
inline std::string describe(const recorded_event& e) {
  namespace ve = pvl::view_events;
  static const std::map<int32_t, std::string> kNames = {
      {ve::vadd_quote::id, "add_quote"},         {ve::vdelete_quote::id, "delete_quote"},
      {ve::vadd_tag_id::id, "add_tag_id"},       {ve::vdelete_tag::id, "delete_tag"},
      {ve::vdelete_wrong_tag::id, "wrong_tag"},  {ve::vedit_tag::id, "edit_tag"},
      {ve::vrename_tag::id, "rename_tag"},       {ve::vmark_quote::id, "mark_quote"},
      {ve::vdelete_mark::id, "delete_mark"},     {ve::vadd_search_tag::id, "add_search_tag"},
      {ve::vdelete_search_tag::id, "delete_search_tag"},
      {ve::vupdate_quotes::id, "update_quotes"}, {ve::vrename_stag::id, "rename_stag"},
      {ve::vupdate_tags::id, "update_tags"},     {ve::vrefresh_quotes::id, "refresh_quotes"},
      {ve::vclear_search_tags::id, "clear_search_tags"},
      {ve::vundo_note::id, "undo_note"},         {ve::vnotice::id, "notice"}};
  auto name = kNames.find(e.id);
  std::string text = name == kNames.end() ? std::to_string(e.id) : name->second;
  if (e.number) text += " " + std::to_string(e.number);
  if (e.quote) text += " " + std::to_string(e.quote->m_id) + " " + e.quote->m_utftext;
  if (e.pair.quote) text += " " + std::to_string(e.pair.quote);
  if (e.pair.tag) text += "/" + std::to_string(e.pair.tag);
  if (e.tag) text += " " + e.tag->m_utfname;
  if (e.rename.tag) text += " " + std::to_string(e.rename.tag) + " " + fml::wchar2utf8(e.rename.name);
  for (const pvl::Quote& quote : e.quotes) {
    text += " " + std::to_string(quote.m_id);
    if (!quote.m_tags.empty()) text += "(" + tag_names(quote.m_tags) + ")";
  }
  if (!e.tags.empty()) text += " " + tag_names(e.tags);
  if (!e.notice.text.empty()) text += ": " + e.notice.text;
  return text;
}

class view_recorder : public pvl::view_event_sink {
 public:
  void on_view_event(const pvl::view_event& event) override {
    namespace ve = pvl::view_events;
    recorded_event copy;
    copy.id = event.id;
    const auto apply = fml::overloaded{
        [&](const ve::vadd_quote& e) { copy.quote = e.quote ? std::optional(*e.quote) : std::nullopt; },
        [&](const ve::vdelete_quote& e) { copy.number = e.quote; },
        [&](const ve::vadd_tag_id& e) { copy.number = e.tag; },
        [&](const ve::vdelete_tag& e) { copy.number = e.tag; },
        [&](const ve::vdelete_search_tag& e) { copy.number = e.tag; },
        [&](const ve::vrename_tag& e) { copy.rename = e.now; },
        [&](const ve::vrename_stag& e) { copy.rename = e.now; },
        [&](const ve::vmark_quote& e) {
          copy.pair.quote = e.quote;
          copy.tag = e.tag ? std::optional(*e.tag) : std::nullopt;
        },
        [&](const ve::vdelete_mark& e) { copy.pair = e.pair; },
        [&](const ve::vadd_search_tag& e) { copy.tag = e.tag ? std::optional(*e.tag) : std::nullopt; },
        [&](const ve::vupdate_quotes& e) {
          for (int32_t id : e.quotes)
            if (std::optional<pvl::Quote> quote = e.read(id)) copy.quotes.push_back(*quote);
        },
        [&](const ve::vupdate_tags& e) { copy.tags = e.tags; },
        [&](const ve::vnotice& e) { copy.notice = e.line; },
        [&](const ve::vundo_note& e) { copy.note = e.note; },
        [](const auto&) {},
    };
    std::visit(apply, event.data);
    events.push_back(std::move(copy));
  }

  std::vector<int32_t> ids() const {
    std::vector<int32_t> ids;
    for (const recorded_event& event : events) ids.push_back(event.id);
    return ids;
  }
  std::vector<std::string> described() const {  // describe() of every event, in order
    std::vector<std::string> lines;
    for (const recorded_event& event : events) lines.push_back(describe(event));
    return lines;
  }
  void clear() { events.clear(); }

  std::vector<recorded_event> events;
};

inline std::vector<int32_t> quote_ids(const std::vector<pvl::Quote>& quotes) {  // in order
  std::vector<int32_t> ids;
  for (const pvl::Quote& quote : quotes) ids.push_back(quote.m_id);
  return ids;
}

}  // namespace model_testing
