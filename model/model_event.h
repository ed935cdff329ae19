// The message by which the rest of the program uses the collection: an event
// id and the event's payload, one struct per event. The payload's type sets
// the id, so an event cannot be built with another event's data. Texts and
// lists in a payload are the sender's, valid for the call.
// pvlModel::on_model_event (model/pvl_model.h) takes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pvl {

// A tag and a name: the new name asked for (rename_tag), or the name now in
// effect (the view's rename events).
struct tag_rename {
  int32_t tag = 0;
  std::wstring name;
};

// A quote and one of its tags.
struct quote_tag_ids {
  int32_t quote = 0;
  int32_t tag = 0;
};

// The events, each with its id (written to the log "debug" as it stands).
namespace model_events {
struct add_quote {  // the new quote's text, UTF-8, of any length
  static constexpr int32_t id = 1;
  std::string_view text;
};
struct delete_quote {
  static constexpr int32_t id = 2;
  int32_t quote = 0;
};
struct add_tag {  // the name of the new tag
  static constexpr int32_t id = 3;
  std::wstring_view name;
};
struct delete_tag {
  static constexpr int32_t id = 4;
  int32_t tag = 0;
};
struct rename_tag {
  static constexpr int32_t id = 5;
  const tag_rename& asked;
};
struct mark_quote {
  static constexpr int32_t id = 6;
  quote_tag_ids pair;
};
struct delete_mark {
  static constexpr int32_t id = 7;
  quote_tag_ids pair;
};
struct add_search_tag {
  static constexpr int32_t id = 8;
  int32_t tag = 0;
};
struct delete_search_tag {
  static constexpr int32_t id = 9;
  int32_t tag = 0;
};
struct export_data {  // the path of the file to write
  static constexpr int32_t id = 10;
  std::wstring_view path;
};
struct initial_load {
  static constexpr int32_t id = 11;
};
struct set_search_mode_and {
  static constexpr int32_t id = 12;
};
struct set_search_mode_or {
  static constexpr int32_t id = 13;
};
// The search words as typed, UTF-8 (model/word_query.h); empty: none. The
// quote list follows as it does a change of the search tags.
struct set_search_words {
  static constexpr int32_t id = 15;
  std::string_view utf8;
};
struct clear_search_tags {
  static constexpr int32_t id = 20;
};
struct copy_quote {
  static constexpr int32_t id = 30;
  int32_t quote = 0;
};
struct copy_quote_with_data {
  static constexpr int32_t id = 31;
  int32_t quote = 0;
};
struct copy_quotes {
  static constexpr int32_t id = 32;
  const std::vector<int32_t>& quotes;
};
struct copy_quotes_with_data {
  static constexpr int32_t id = 33;
  const std::vector<int32_t>& quotes;
};
struct add_search_tags {
  static constexpr int32_t id = 40;
  const std::vector<int32_t>& tags;
};
struct delete_tags {
  static constexpr int32_t id = 41;
  const std::vector<int32_t>& tags;
};
struct delete_quotes {
  static constexpr int32_t id = 42;
  const std::vector<int32_t>& quotes;
};
// As delete_quote and delete_tag, but undone together with the deletions
// just before (the rows one Delete key removes).
struct delete_quote_also {
  static constexpr int32_t id = 43;
  int32_t quote = 0;
};
struct delete_tag_also {
  static constexpr int32_t id = 44;
  int32_t tag = 0;
};
struct undo_delete {  // restores what the last deletion removed
  static constexpr int32_t id = 45;
};
struct show_quote_text {  // open or close a quote's card
  static constexpr int32_t id = 50;
  int32_t quote = 0;
  bool open = false;  // the open card's share of the text (view_event.h) or the closed card's
};
}  // namespace model_events

using model_payload = std::variant<
    std::monostate, model_events::add_quote, model_events::delete_quote, model_events::add_tag,
    model_events::delete_tag, model_events::rename_tag, model_events::mark_quote,
    model_events::delete_mark, model_events::add_search_tag, model_events::delete_search_tag,
    model_events::export_data, model_events::initial_load, model_events::set_search_mode_and,
    model_events::set_search_mode_or, model_events::clear_search_tags, model_events::copy_quote,
    model_events::copy_quote_with_data, model_events::copy_quotes,
    model_events::copy_quotes_with_data, model_events::add_search_tags, model_events::delete_tags,
    model_events::delete_quotes, model_events::delete_quote_also, model_events::delete_tag_also,
    model_events::undo_delete, model_events::show_quote_text, model_events::set_search_words>;

// Whether the payload types of a message variant (after std::monostate)
// have ids that differ, so that an id read back names one event.
template <typename Variant, size_t... I>
constexpr bool distinct_payload_ids(std::index_sequence<I...>) {
  const int32_t ids[] = {std::variant_alternative_t<I + 1, Variant>::id...};
  for (size_t i = 0; i < sizeof...(I); ++i) {
    for (size_t j = i + 1; j < sizeof...(I); ++j) {
      if (ids[i] == ids[j]) return false;
    }
  }
  return true;
}
template <typename Variant>
constexpr bool distinct_payload_ids() {
  return distinct_payload_ids<Variant>(
      std::make_index_sequence<std::variant_size_v<Variant> - 1>());
}
static_assert(distinct_payload_ids<model_payload>());

struct model_event {
  // An event: model().on_model_event(model_events::delete_quote{id}).
  template <typename Payload>
  model_event(const Payload& payload) : id(Payload::id), data(payload) {}
  // An id without its payload, which the model refuses.
  explicit model_event(int32_t bare_id) : id(bare_id) {}

  int32_t id = 0;
  model_payload data;  // std::monostate: none
};

}  // namespace pvl
