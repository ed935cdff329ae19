// Stands in for the view in the model's tests: records each view event with a copy of its data
// (valid only during the call) and one line such as "update_quotes 2(gamma,alpha) 4".
#pragma once

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
  std::string text;                 // the line described above
  int32_t number = 0;               // vdelete_quote, vadd_tag_id, vdelete_tag, vdelete_search_tag
  std::optional<pvl::Quote> quote;  // vadd_quote
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

inline std::vector<int32_t> quote_ids(const std::vector<pvl::Quote>& quotes) {  // in order
  std::vector<int32_t> ids;
  for (const pvl::Quote& quote : quotes) ids.push_back(quote.m_id);
  return ids;
}

class view_recorder : public pvl::view_event_sink {
 public:
  void on_view_event(const pvl::view_event& event) override {
    namespace ve = pvl::view_events;
    recorded_event& e = events.emplace_back();
    e.id = event.id;
    e.text = std::to_string(event.id);
    const auto say = [&](const char* name, const std::string& data = "") { e.text = name + data; };
    const auto number = [](int32_t n) { return " " + std::to_string(n); };
    const auto id = [&](int32_t n) { return number(e.number = n); };
    const auto tag = [](const pvl::Tag* tag) { return tag ? " " + tag->m_utfname : ""; };
    const auto rename = [&](const pvl::tag_rename& now) {
      return number(now.tag) + " " + fml::wchar2utf8(now.name);
    };
    std::visit(fml::overloaded{
        [&](const ve::vadd_quote& v) {
          if (v.quote) e.quote = *v.quote;
          say("add_quote", v.quote ? number(v.quote->m_id) + " " + v.quote->m_utftext : "");
        },
        [&](const ve::vdelete_quote& v) { say("delete_quote", id(v.quote)); },
        [&](const ve::vadd_tag_id& v) { say("add_tag_id", id(v.tag)); },
        [&](const ve::vdelete_tag& v) { say("delete_tag", id(v.tag)); },
        [&](const ve::vdelete_search_tag& v) { say("delete_search_tag", id(v.tag)); },
        [&](const ve::vdelete_wrong_tag&) { say("wrong_tag"); },
        [&](const ve::vedit_tag&) { say("edit_tag"); },
        [&](const ve::vrename_tag& v) { say("rename_tag", rename(v.now)); },
        [&](const ve::vrename_stag& v) { say("rename_stag", rename(v.now)); },
        [&](const ve::vmark_quote& v) { say("mark_quote", number(v.quote) + tag(v.tag)); },
        [&](const ve::vdelete_mark& v) {
          say("delete_mark", number(v.pair.quote) + "/" + std::to_string(v.pair.tag));
        },
        [&](const ve::vadd_search_tag& v) { say("add_search_tag", tag(v.tag)); },
        [&](const ve::vupdate_quotes& v) {
          std::string ids;
          for (int32_t quote_id : v.quotes) {
            if (std::optional<pvl::Quote> quote = v.read(quote_id)) {
              e.quotes.push_back(*quote);
              ids += number(quote_id) + (quote->m_tags.empty() ? "" : "(" + tag_names(quote->m_tags) + ")");
            }
          }
          say("update_quotes", ids);
        },
        [&](const ve::vupdate_tags& v) {
          e.tags = v.tags;
          say("update_tags", v.tags.empty() ? "" : " " + tag_names(v.tags));
        },
        [&](const ve::vrefresh_quotes&) { say("refresh_quotes"); },
        [&](const ve::vclear_search_tags&) { say("clear_search_tags"); },
        [&](const ve::vundo_note& v) { e.note = v.note, say("undo_note"); },
        [&](const ve::vshow_quote_text&) { say("show_quote_text"); },
        [&](const ve::vnotice& v) {
          e.notice = v.line;
          say(v.line.error ? "error" : "notice", v.line.text.empty() ? "" : ": " + v.line.text);
        },
        [](std::monostate) {},
    }, event.data);
  }

  std::vector<int32_t> ids() const { return each(&recorded_event::id); }
  std::vector<std::string> described() const { return each(&recorded_event::text); }
  template <class T>
  std::vector<T> each(T recorded_event::*field) const {  // that field of every event, in order
    std::vector<T> values;
    for (const recorded_event& event : events) values.push_back(event.*field);
    return values;
  }
  void clear() { events.clear(); }

  std::vector<recorded_event> events;
};

}  // namespace model_testing
