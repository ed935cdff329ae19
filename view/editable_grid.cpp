// The tag list's grid: in-place editing of the current row's `div`. The
// engine's in-place editor types into the focused `div` of a table carrying
// "editable"; this behaviour starts and ends that state and reports the
// result.
#include <optional>
#include <string>

#include "htmlayout/events.h"
#include "htmlayout/keys.h"
#include "htmlayout/table_rows.h"
#include "view/grids.h"

namespace htmlayout {
namespace {

bool is_editing(const dom::element& table) { return table.has_attribute("editable"); }

// The element edited in the table: the first `div` of the current row.
dom::element edited_div(const dom::element& table) {
  return current_row(table).select_first("div");
}

bool is_within(dom::element e, const dom::element& ancestor) {
  for (; e; e = e.parent())
    if (e == ancestor) return true;
  return false;
}

// F2: the current row's `div` takes the focus and its text is kept in
// "old_value". Pressed again during an edit it changes nothing, so that
// Escape still restores the text from before the edit.
bool start_editing(const dom::element& table) {
  const dom::element div = edited_div(table);
  if (!div) return false;
  if (is_editing(table)) return true;
  table.set_attribute("editable", L"");
  table.set_attribute("start_editing", L"");
  table.set_attribute("action", L"edit");
  if (table.get_state() & state::focus) {
    table.set_state(0, state::focus);
    table.update();
  }
  div.set_state(state::focus);
  div.set_attribute("old_value", div.text());
  // The focus has moved into the editor by now; from here on a focus loss
  // ends the edit.
  table.remove_attribute("start_editing");
  div.update();
  table.update(true);
  return true;
}

// Enter or a focus loss: ends the edit and reports it, new_row_committed
// for a new row ("add-new"), row_edit_committed for an edited one.
bool commit(const dom::element& table) {
  const std::wstring action = table.get_attribute("action").value_or(L"");
  table.remove_attribute("editable");
  table.remove_attribute("start_editing");
  const dom::element row = current_row(table);
  const dom::element div = row.select_first("div");
  if (!div) return false;
  div.remove_attribute("old_value");
  div.set_state(0, state::focus);
  table.set_state(state::focus);
  if (action == L"add-new")
    table.post_event(event::new_row_committed, row, row.index());
  else if (action == L"edit")
    table.post_event(event::row_edit_committed, row, row.index());
  table.remove_attribute("action");
  update_multiselect(table);
  table.update();
  return true;
}

// Escape: an edited row gets its old text back, a new row is dropped.
bool cancel(const dom::element& table) {
  const bool adding = table.get_attribute("action") == L"add-new";
  table.remove_attribute("editable");
  table.remove_attribute("action");
  table.remove_attribute("start_editing");
  const dom::element row = current_row(table);
  const dom::element div = row.select_first("div");
  if (std::optional<std::wstring> old = div.get_attribute("old_value")) {
    div.set_text(*old);
    div.remove_attribute("old_value");
    div.set_state(0, state::focus);
    table.set_state(state::focus);
  } else if (adding && row) {
    row.delete_element();
    table.set_state(state::focus);
  } else if (div) {
    div.set_state(0, state::focus);
    table.set_state(state::focus);
  }
  update_multiselect(table);
  table.update();
  return true;
}

}  // namespace

bool ceditable_grid::on_key(const dom::element& table, const dom::element& target,
                            uint32_t event_type, uint32_t key_code, uint32_t keys) {
  if (event_type != key::down) return false;
  const bool editing = is_editing(table);
  if (!editing && cgrid::on_key(table, target, event_type, key_code, keys)) return true;
  switch (key_code) {
    case vk::f2:
      return start_editing(table);
    case vk::enter:
      return editing && commit(table);
    case vk::escape:
      return editing && cancel(table);
    case vk::del: {
      if (!remove_checked_rows(table, keys)) return false;
      table.remove_attribute("editable");
      table.remove_attribute("start_editing");
      return true;
    }
  }
  return false;
}

bool ceditable_grid::on_focus(const dom::element& table, const dom::element& target,
                              uint32_t event_type) {
  if (is_editing(table)) {
    const dom::element div = edited_div(table);
    // `target` of a loss is where the focus goes. While "start_editing"
    // marks the move into the editor, or when the focus goes into the
    // edited `div`, the edit goes on; any other loss ends it.
    if (event_type == (focus::lost | sinking) && !table.has_attribute("start_editing") &&
        !(div && target && is_within(target, div)))
      return commit(table);
    // The editor has the focus: the move is over.
    if (event_type == focus::got && div && (div.get_state() & state::focus))
      table.remove_attribute("start_editing");
  }
  if (event_type == focus::lost && table.has_attribute("start_editing")) {
    table.remove_attribute("start_editing");
    return false;
  }
  table.update();
  return false;
}

}  // namespace htmlayout
