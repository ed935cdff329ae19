// The tag list's grid: in-place editing of the current row's `div`. The
// engine's in-place editor types into the focused `div` of a table carrying
// "editable"; this behaviour starts and ends that state, checks the name
// and reports the result.
#include <optional>
#include <string>
#include <string_view>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/behaviors/table_rows.h"
#include "view/grids.h"

namespace pvl {
namespace {

namespace dom = htmlayout::dom;
namespace event = htmlayout::event;
namespace focus = htmlayout::focus;
namespace key = htmlayout::key;
namespace state = htmlayout::state;
namespace vk = htmlayout::vk;
using htmlayout::current_row;
using htmlayout::select_text;
using htmlayout::set_current_row;
using htmlayout::sinking;

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

// The note that says why a name was refused, shown under the editor.
void drop_refusal(const dom::element& table) {
  if (dom::element note = table.select_first("div.refusal")) {
    dom::element cell = note.parent();
    note.delete_element();
    cell.update(true);
  }
}

void show_refusal(const dom::element& row, const std::wstring& reason) {
  const dom::element cell = row.select_first("td");
  if (!cell) return;
  dom::element note = dom::element::create("div", reason);
  note.set_attribute("class", L"refusal");
  cell.append(note);
  cell.update(true);
}

std::wstring trimmed(std::wstring_view name) {
  constexpr std::wstring_view kSpace = L" \t\r\n\u00a0\u3000";
  const size_t first = name.find_first_not_of(kSpace);
  if (first == std::wstring_view::npos) return {};
  return std::wstring(name.substr(first, name.find_last_not_of(kSpace) - first + 1));
}

// Why `name` cannot be the name of the tag in `row`: empty, or the name of
// another tag in the list. Empty when it can.
std::wstring refusal(const dom::element& table, const dom::element& row, const std::wstring& name) {
  if (name.empty()) return L"A tag needs a name.";
  for (size_t i = 0; i < table.children_count(); ++i) {
    const dom::element other = table.child(i);
    if (other == row) continue;
    if (const dom::element tag = other.select_first("div"); tag && tag.text() == name)
      return L"There is already a tag named \u201c" + name + L"\u201d.";
  }
  return {};
}

// Ends the edit without a change: an edited row gets its old text back, a
// new row is dropped.
bool cancel(const dom::element& table);

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
  // The whole name is selected: typing replaces it.
  select_text(div, 0, div.text().size());
  // The focus has moved into the editor by now; from here on a focus loss
  // ends the edit.
  table.remove_attribute("start_editing");
  div.update();
  table.update(true);
  return true;
}

// Enter (`by_key`) or a focus loss: ends the edit and reports it,
// new_row_committed for a new row ("add-new"), row_edit_committed for an
// edited one. The name is trimmed first. A name refused (empty, or another
// tag's) keeps the edit open after Enter, with the reason under it; after a
// focus loss the edit is cancelled.
bool commit(const dom::element& table, bool by_key) {
  const dom::element row = current_row(table);
  const dom::element div = row.select_first("div");
  if (!div) return false;
  const std::wstring name = trimmed(div.text());
  drop_refusal(table);
  if (std::wstring reason = refusal(table, row, name); !reason.empty()) {
    if (!by_key) return cancel(table);
    show_refusal(row, reason);
    return true;
  }
  if (name != div.text()) div.set_text(name);
  const std::wstring action = table.get_attribute("action").value_or(L"");
  table.remove_attribute("editable");
  table.remove_attribute("start_editing");
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

bool cancel(const dom::element& table) {
  drop_refusal(table);
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

bool edit_row(const dom::element& table, const dom::element& row) {
  if (!row || row.parent() != table) return false;
  if (is_editing(table)) return true;
  if (current_row(table) != row) set_current_row(table, row, 0, false);
  return start_editing(table);
}

bool ceditable_grid::on_key(const dom::element& table, const dom::element& target,
                            uint32_t event_type, uint32_t key_code, uint32_t keys) {
  // A key pressed or typed in the editor takes the reason of a refusal away
  // (the table sees it on its way down).
  if (event_type == (key::down | sinking) || event_type == (key::chars | sinking))
    drop_refusal(table);
  if (event_type != key::down) return false;
  const bool editing = is_editing(table);
  if (!editing && cgrid::on_key(table, target, event_type, key_code, keys)) return true;
  switch (key_code) {
    case vk::f2:
      return start_editing(table);
    case vk::enter:
      return editing && commit(table, true);
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
      return commit(table, false);
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

}  // namespace pvl
