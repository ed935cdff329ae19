#include "htmlayout/behaviors/table_rows.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/style.h"

namespace htmlayout {
namespace {

// Index of the first shown row at or after `from` (towards the end with
// `step` 1, towards the header with -1), not among the header rows; -1
// when there is none.
ptrdiff_t shown_row(const dom::element& table, ptrdiff_t from, int step) {
  const ptrdiff_t first = static_cast<ptrdiff_t>(fixed_rows(table));
  const ptrdiff_t count = static_cast<ptrdiff_t>(table.children_count());
  for (ptrdiff_t i = step > 0 ? std::max(from, first) : std::min(from, count - 1);
       i >= first && i < count; i += step)
    if (!is_hidden_row(table.child(static_cast<size_t>(i)))) return i;
  return -1;
}

// The height of the box the table scrolls in (the nearest element from the
// table up whose overflow scrolls), or of the table; nullopt without layout.
std::optional<int> page_height(const dom::element& table) {
  for (dom::element e = table; e; e = e.parent()) {
    element_node* n = e.node();
    std::string_view overflow = style_value(*n, style_property::overflow);
    if (overflow != "auto" && overflow != "scroll") continue;
    if (std::optional<rect> box = element_location(e)) return box->bottom - box->top;
    break;
  }
  if (std::optional<rect> box = element_location(table)) return box->bottom - box->top;
  return std::nullopt;
}

// The row a page away from row `from` towards `step`: the furthest shown
// row that lies wholly within one page height of the edge of `from` it
// starts from; when that is `from` itself, the next shown row.
ptrdiff_t page_row(const dom::element& table, ptrdiff_t from, int step) {
  std::optional<int> page = page_height(table);
  std::optional<rect> start = element_location(table.child(static_cast<size_t>(from)));
  ptrdiff_t found = from;
  if (page && start) {
    for (ptrdiff_t i = shown_row(table, from + step, step); i >= 0;
         i = shown_row(table, i + step, step)) {
      std::optional<rect> box = element_location(table.child(static_cast<size_t>(i)));
      if (!box) continue;
      bool within =
          step > 0 ? box->bottom <= start->top + *page : box->top >= start->bottom - *page;
      if (!within) break;
      found = i;
    }
  }
  return found != from ? found : shown_row(table, from + step, step);
}

void set_checked(const dom::element& row, bool checked) {
  const bool is_checked = row.get_state() & state::checked;
  if (checked && !is_checked) row.set_state(state::checked, 0, false);
  if (!checked && is_checked) row.set_state(0, state::checked, false);
}

// The selection part of a click on `row` of a "multiple" table.
void select(const dom::element& table, const dom::element& row, uint32_t keys) {
  const dom::element anchor = anchor_row(table);
  if ((keys & keyboard::shift) && anchor) {
    const size_t a = anchor.index();
    const size_t i = row.index();
    const size_t low = std::max(std::min(a, i), fixed_rows(table));
    const size_t high = std::max(a, i);
    auto in_range = [&](const dom::element& r) {
      const size_t index = r.index();
      return index >= low && index <= high && !is_hidden_row(r);
    };
    for (const dom::element& checked : checked_rows(table))
      if (!in_range(checked)) set_checked(checked, false);
    for (size_t k = low; k <= high && k < table.children_count(); ++k) {
      dom::element r = table.child(k);
      if (!is_hidden_row(r)) set_checked(r, true);
    }
    return;
  }
  if (keys & keyboard::control) {
    set_checked(row, !(row.get_state() & state::checked));
  } else {
    for (const dom::element& checked : checked_rows(table))
      if (checked != row) set_checked(checked, false);
    set_checked(row, true);
  }
  if (anchor != row) {
    if (anchor) anchor.set_state(0, state::anchor, false);
    row.set_state(state::anchor, 0, false);
  }
}

}  // namespace

size_t fixed_rows(const dom::element& table) {
  std::optional<std::string> value = table.get_attribute_utf8("fixedrows");
  if (!value) return 0;
  size_t n = 0;
  const char* end = value->data() + value->size();
  auto [last, error] = std::from_chars(value->data(), end, n);
  return error == std::errc() ? n : 0;
}

bool is_hidden_row(const dom::element& row) {
  element_node* n = row.node();
  return n && style_value(*n, style_property::display) == "none";
}

dom::element target_row(const dom::element& table, const dom::element& target) {
  if (!table) return {};
  for (dom::element e = target; e; e = e.parent())
    if (e.parent() == table) return e;
  return {};
}

dom::element target_cell(const dom::element& row, const dom::element& target) {
  return target_row(row, target);
}

dom::element current_row(const dom::element& table) {
  std::vector<dom::element> rows = table.children_with_state(state::current);
  // Only one row is ever current; should several be, the last one counts.
  return rows.empty() ? dom::element() : rows.back();
}

dom::element anchor_row(const dom::element& table) {
  std::vector<dom::element> rows = table.children_with_state(state::anchor);
  return rows.empty() ? dom::element() : rows.back();
}

std::vector<dom::element> checked_rows(const dom::element& table) {
  return table.children_with_state(state::checked);
}

void set_current_row(const dom::element& table, const dom::element& row, uint32_t keys,
                     bool double_click) {
  if (!row || row.parent() != table) return;
  if (table.has_attribute("multiple")) select(table, row, keys);
  const dom::element old = current_row(table);
  if (old != row) {
    if (old) old.set_state(0, state::current, false);
    row.set_state(state::current, 0, false);
  }
  scroll_to_view(row);
  table.update(true);
  table.post_event(double_click ? event::table_row_double_click : event::table_row_click, row,
                   row.index());
}

bool checkall(const dom::element& table, bool check) {
  if (!table.has_attribute("multiple")) return false;
  // One change for all the rows: a list of 100,000 rows is checked at once.
  // Hidden rows (is_hidden_row) stay unchecked.
  if (check)
    table.set_children_state(fixed_rows(table), state::checked, 0, true);
  else
    table.set_children_state(0, 0, state::checked);
  table.update();
  return true;
}

bool is_navigation_key(uint32_t key_code) {
  switch (key_code) {
    case vk::up:
    case vk::down:
    case vk::home:
    case vk::end:
    case vk::page_up:
    case vk::page_down:
      return true;
  }
  return false;
}

dom::element row_for_key(const dom::element& table, uint32_t key_code) {
  const ptrdiff_t count = static_cast<ptrdiff_t>(table.children_count());
  const dom::element current = current_row(table);
  const ptrdiff_t at = current ? static_cast<ptrdiff_t>(current.index()) : -1;
  ptrdiff_t found = -1;
  switch (key_code) {
    case vk::up:
      found = shown_row(table, at >= 0 ? at - 1 : count - 1, -1);
      break;
    case vk::down:
      found = shown_row(table, at + 1, 1);
      break;
    case vk::home:
      found = shown_row(table, 0, 1);
      break;
    case vk::end:
      found = shown_row(table, count - 1, -1);
      break;
    case vk::page_down:
    case vk::page_up: {
      const int step = key_code == vk::page_down ? 1 : -1;
      // A current row that is hidden or a header row gives no page to go by.
      if (at < 0 || shown_row(table, at, 1) != at)
        found = step > 0 ? shown_row(table, at + 1, 1) : shown_row(table, count - 1, -1);
      else
        found = page_row(table, at, step);
      break;
    }
  }
  return found >= 0 ? table.child(static_cast<size_t>(found)) : dom::element();
}

bool navigate_by_key(const dom::element& table, uint32_t event_type, uint32_t key_code,
                     uint32_t keys) {
  if (event_type != key::down) return false;
  if (key_code == vk::key_a && (keys & keyboard::control)) return checkall(table, true);
  if (!is_navigation_key(key_code)) return false;
  set_current_row(table, row_for_key(table, key_code), keys, false);
  return true;
}

}  // namespace htmlayout
