// The selecting grid, the sortable grid and the quote list's grid, with the
// registration of all the program's table behaviours.
#include "view/grids.h"

#include <algorithm>

#include "htmlayout/behaviors/row_sorter.h"
#include "htmlayout/behaviors/table_rows.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "view/behavior_parts.h"

namespace pvl {
namespace {

namespace dom = htmlayout::dom;
namespace event = htmlayout::event;
namespace group = htmlayout::group;
namespace key = htmlayout::key;
namespace keyboard = htmlayout::keyboard;
namespace mouse = htmlayout::mouse;
namespace state = htmlayout::state;
namespace vk = htmlayout::vk;
using htmlayout::checked_rows;
using htmlayout::current_row;
using htmlayout::fixed_rows;
using htmlayout::is_hidden_row;
using htmlayout::navigate_by_key;
using htmlayout::scroll_to_view;
using htmlayout::set_current_row;
using htmlayout::sinking;
using htmlayout::sort_by_header;
using htmlayout::target_cell;
using htmlayout::target_row;

}  // namespace

cgrid::cgrid(const char* name) : behavior(group::mouse | group::key | group::focus, name) {}

bool cgrid::on_mouse(const dom::element& table, const dom::element& target, uint32_t event_type,
                     int, int, uint32_t buttons, uint32_t keys) {
  if (event_type != mouse::up && event_type != mouse::down && event_type != mouse::double_click)
    return false;
  const dom::element row = target_row(table, target);
  if (!row) return false;
  if (row.index() < fixed_rows(table)) {
    // Header rows are never selected; a press on one is a header click.
    if (buttons == mouse::main_button && event_type == mouse::down)
      on_header_click(table, target_cell(row, target));
    return false;
  }
  const bool checked = row.get_state() & state::checked;
  if (buttons == mouse::prop_button) {
    if (!checked) {
      set_current_row(table, row, keys, event_type == mouse::double_click);
      update_multiselect(table);
    }
    return false;
  }
  if (buttons != mouse::main_button) return false;

  const bool control = keys & keyboard::control;
  const bool shift = keys & keyboard::shift;
  // "shift" belongs to one press and its release; a release that never
  // reached the table must not leave it to the next press.
  if (event_type == mouse::down) table.remove_attribute("shift");
  if ((shift || !control) && event_type == mouse::down && !checked) {
    table.set_attribute("shift", L"");
    set_current_row(table, row, keys, false);
    update_multiselect(table);
  } else if (control && event_type == mouse::up) {
    set_current_row(table, row, keys, false);
    update_multiselect(table);
  } else if (!control && event_type == mouse::up && checked) {
    // A press inside a selection keeps it (for a drag); the release without
    // a drag reduces it to this row, unless the press already selected it.
    if (table.has_attribute("shift")) {
      table.remove_attribute("shift");
    } else {
      set_current_row(table, row, keys, false);
      update_multiselect(table);
    }
  } else {
    update_multiselect(table);
  }
  return false;
}

bool cgrid::on_key(const dom::element& table, const dom::element&, uint32_t event_type,
                   uint32_t key_code, uint32_t keys) {
  if (!navigate_by_key(table, event_type, key_code, keys)) return false;
  update_multiselect(table);
  return true;
}

bool cgrid::on_focus(const dom::element& table, const dom::element&, uint32_t event_type) {
  if (event_type & sinking) return false;
  table.update();
  return true;
}

void cgrid::on_header_click(const dom::element& table, const dom::element& cell) {
  table.post_event(event::table_header_click, cell ? cell : table, cell ? cell.index() : 0);
}

void csortable_grid::on_header_click(const dom::element& table, const dom::element& cell) {
  cgrid::on_header_click(table, cell);
  sort_by_header(table, cell);
}

bool cquote_grid::on_key(const dom::element& table, const dom::element& target, uint32_t event_type,
                         uint32_t key_code, uint32_t keys) {
  if (event_type != key::down) return false;
  if (cgrid::on_key(table, target, event_type, key_code, keys)) return true;
  if (key_code == vk::del) return remove_checked_rows(table, keys);
  // Enter copies as Ctrl+C does.
  if ((key_code == vk::key_c && (keys & keyboard::control)) || key_code == vk::enter) {
    // The rows to copy are the table's, whichever element inside it has the
    // focus.
    table.post_event(event::copy_requested, table, 0);
  }
  return false;
}

bool update_multiselect(const dom::element& table) {
  const bool several = table.count_children_with_state(state::checked, 2) >= 2;
  if (several != table.has_attribute("multiselect")) {
    if (several)
      table.set_attribute("multiselect", L"");
    else
      table.remove_attribute("multiselect");
    table.update();
  }
  return several;
}

bool remove_checked_rows(const dom::element& table, uint32_t keys) {
  const dom::element current = current_row(table);
  if (!current) return false;
  const std::vector<dom::element> removed = checked_rows(table);
  // The row that becomes current, chosen while the rows are all there.
  const auto stays = [](const dom::element& row) {
    return !(row.get_state() & state::checked) && !is_hidden_row(row);
  };
  const size_t count = table.children_count();
  const size_t first = fixed_rows(table);
  const size_t last_removed = removed.empty() ? current.index() : removed.back().index();
  dom::element next = removed.empty() ? current : dom::element();
  for (size_t i = last_removed + 1; i < count && !next; ++i)
    if (i >= first && stays(table.child(i))) next = table.child(i);
  for (size_t i = last_removed; i > first && !next; --i)
    if (stays(table.child(i - 1))) next = table.child(i - 1);
  uintptr_t place = 0;
  for (const dom::element& row : removed) {
    table.post_event(event::row_removed, row, place++);
    row.detach();
  }
  table.update();
  if (next) {
    set_current_row(table, next, keys, false);
    next.update();
    scroll_to_view(next);
  }
  update_multiselect(table);
  return true;
}

void behavior_parts::register_grids() {
  static cgrid grid;
  static csortable_grid sortable;
  static cquote_grid quotes;
  static ceditable_grid tags;
}

}  // namespace pvl
