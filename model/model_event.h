// The message by which the rest of the program uses the collection: an event
// id and a pointer to data that the sender owns and keeps valid for the call.
// pvlModel::on_model_event (model/pvl_model.h) takes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pvl {

struct model_event {
  int32_t id = 0;
  const void* data = nullptr;
};

// The event ids, with what `data` points at for each.
namespace model_events {
enum : int32_t {
  add_quote = 1,               // const std::string: the new quote's text, UTF-8
  delete_quote = 2,            // const int32_t: a quote id
  add_tag = 3,                 // const wchar_t: the zero-terminated name of the new tag
  delete_tag = 4,              // const int32_t: a tag id
  rename_tag = 5,              // const tag_rename
  mark_quote = 6,              // const quote_tag_ids
  delete_mark = 7,             // const quote_tag_ids
  add_search_tag = 8,          // const int32_t: a tag id
  delete_search_tag = 9,       // const int32_t: a tag id
  export_data = 10,            // const std::wstring: the path of the file to write
  initial_load = 11,           // none
  set_search_mode_and = 12,    // none
  set_search_mode_or = 13,     // none
  clear_search_tags = 20,      // none
  copy_quote = 30,             // const int32_t: a quote id
  copy_quote_with_data = 31,   // const int32_t: a quote id
  copy_quotes = 32,            // const std::vector<int32_t>: quote ids
  copy_quotes_with_data = 33,  // const std::vector<int32_t>: quote ids
  add_search_tags = 40,        // const std::vector<int32_t>: tag ids
  delete_tags = 41,            // const std::vector<int32_t>: tag ids
  delete_quotes = 42,          // const std::vector<int32_t>: quote ids
  // As delete_quote and delete_tag, but undone together with the deletions
  // just before (the rows one Delete key removes).
  delete_quote_also = 43,  // const int32_t: a quote id
  delete_tag_also = 44,    // const int32_t: a tag id
  undo_delete = 45,        // none: restores what the last deletion removed
  show_quote_text = 50,        // const quote_card: open or close a quote's card
};
}  // namespace model_events

// A tag and a name: the new name asked for (rename_tag), or the name now in
// effect (the view's rename events).
struct tag_rename {
  int32_t tag = 0;
  std::wstring name;
};

// A quote's card in the list and whether it is to show the open card's
// share of the text (view_event.h) or the closed card's.
struct quote_card {
  int32_t quote = 0;
  bool open = false;
};

// A quote and one of its tags.
struct quote_tag_ids {
  int32_t quote = 0;
  int32_t tag = 0;
};

}  // namespace pvl
