// The two lists. Their grids post behaviour events to the table when rows
// are removed, edited or copied; the behaviour of the element around each
// table turns them into model events, and runs the lists' menu items.
// "taglist" also opens a new, editable row when its button is clicked.
#include <string>
#include <vector>

#include "controller/element_ids.h"
#include "htmlayout/input/keys.h"
#include "model/model_instance.h"
#include "view/behavior_host.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
namespace event = htmlayout::event;
namespace state = htmlayout::state;
using htmlayout::dom::element;

// Posted by the quote list to itself with the first row one Delete removes:
// posted events arrive in order, so it comes after the key's other rows,
// when the model's batch of their deletions can be committed.
constexpr uint32_t kRemovedRowsDone = 0x1F0;

// Deletes a row and redraws where it was.
void delete_row(const element& row) {
  element parent = row.parent();
  row.delete_element();
  if (parent) parent.update();
}

// The element around the quote table (a "cquote_grid"). Its timer takes the
// highlight off new quotes (the view's "fresh" mark).
class behavior_quotelist : public behavior {
 public:
  behavior_quotelist() : behavior(group::behavior_event | group::timer, "quotelist") {}

  bool on_timer(const element& he) override {
    for (const element& card : he.select_all("div.quote[fresh]")) {
      card.remove_attribute("fresh");
      card.update();
    }
    return false;
  }

  // The rows one Delete removes come with their place among them (the
  // reason): the first opens a step of the undo journal, the others join it,
  // and all go to the file in one batch (pvlModel::begin_deletions).
  bool on_event(const element& he, const element& target, uint32_t code,
                uintptr_t reason) override {
    switch (code) {
      case event::menu_item_click:
        return run_list_menu_item(he, target);
      case kRemovedRowsDone:
        model().end_deletions();
        return true;
      case event::row_removed:
        if (reason == 0) {
          model().begin_deletions();
          he.post_event(kRemovedRowsDone, he, 0);
        }
        run_gesture([&] {
          const int32_t quote = parse_element_id(target.select_first("div.quote"));
          if (reason == 0) {
            model().on_model_event(model_events::delete_quote{quote});
          } else {
            model().on_model_event(model_events::delete_quote_also{quote});
          }
          return true;
        });
        delete_row(target);
        return true;
      case event::copy_requested:
        run_gesture([&] {
          std::vector<int32_t> quotes;
          for (size_t i = 0; i < target.children_count(); ++i) {
            element row = target.child(i);
            if (row.get_state() & state::checked)
              quotes.push_back(parse_element_id(row.select_first("div")));
          }
          model().on_model_event(model_events::copy_quotes{quotes});
          return true;
        });
        return true;
    }
    return false;
  }
};

// The element around the tag table (a "ceditable_grid"). Enter on the
// table, while no name is edited, puts the selected tags into the search.
class addtag : public htmlayout::behavior {
 public:
  addtag()
      : htmlayout::behavior(group::mouse | group::key | group::behavior_event, "taglist") {}

  bool on_key(const element& he, const element&, uint32_t event, uint32_t code,
              uint32_t) override {
    if (event != htmlayout::key::down || code != htmlayout::vk::enter) return false;
    const element table = he.select_first("table");
    if (!table || table.has_attribute("editable")) return false;
    std::vector<int32_t> tags;
    table.select_all("tr:checked", [&](const element& row) {
      // A row without id is a tag not stored yet.
      const element tag = row.select_first("div");
      if (tag && tag.has_attribute("id")) tags.push_back(parse_element_id(tag));
      return false;
    });
    if (tags.empty()) return false;
    model().on_model_event(model_events::add_search_tags{tags});
    return true;
  }

  bool on_event(const element& he, const element& target, uint32_t code,
                uintptr_t reason) override {
    switch (code) {
      case event::button_click:
        start_new_tag(he);
        return true;
      case event::menu_item_click:
        return run_list_menu_item(he, target);
      case event::new_row_committed: {
        std::wstring name = target.select_first("div").text();
        if (name.empty()) {
          element table = target.parent();
          target.delete_element();
          table.update();
          return false;
        }
        target.set_attribute("new_tr", L"");
        model().on_model_event(model_events::add_tag{name});
        return true;
      }
      case event::row_edit_committed: {
        element tag = target.select_first("div");
        const tag_rename rename{parse_element_id(tag), tag.text()};
        model().on_model_event(model_events::rename_tag{rename});
        return true;
      }
      case event::row_removed: {
        // A row without id was never saved: it only leaves the list.
        const element tag = target.select_first("div");
        if (tag.has_attribute("id")) {
          run_gesture([&] {
            const int32_t id = parse_element_id(tag);
            if (reason == 0) {
              model().on_model_event(model_events::delete_tag{id});
            } else {
              model().on_model_event(model_events::delete_tag_also{id});
            }
            return true;
          });
        }
        delete_row(target);
        return true;
      }
    }
    return false;
  }

 private:
  // Opens an empty, focused row at the top of the table for the name of a
  // new tag; the grid's editing commits it (new_row_committed) or drops it.
  static void start_new_tag(const element& he) {
    element table = he.select_first("table");
    if (!table) return;
    table.select_all("tr:checked", [](const element& row) {
      row.set_state(0, state::checked);
      return false;
    });
    if (element current = table.select_first("tr:current")) current.set_state(0, state::current);
    table.set_html("<tr><td><div class=\"vtag\"></div></td></tr>",
                   htmlayout::position::insert_at_start);
    table.set_attribute("editable", L"");
    table.set_attribute("action", L"add-new");
    element row = table.child(0);
    row.set_state(state::current);
    row.select_first("td").select_first("div").set_state(state::focus);
    if (host().scroll_into_view) host().scroll_into_view(row);
    table.update(true);
  }
};

}  // namespace

void behavior_parts::register_lists() {
  static behavior_quotelist quotelist;
  static addtag taglist;
}

}  // namespace pvl
