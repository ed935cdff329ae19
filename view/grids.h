// The program's table behaviours: the quote list and the tag list behave as
// list boxes. A grid keeps a current row and, in a table with "multiple", a
// selection of checked rows with an anchor (htmlayout/table_rows.h); it
// reports through behaviour events posted to the table, which the list
// behaviours ("quotelist", "taglist") turn into model events:
//   table_header_click  a press on a header row (source the cell)
//   table_row_click     a row made current (source the row, reason its index)
//   table_row_double_click  the same by a right-button double click
//   new_row_committed   the name of a new row was entered (source the row)
//   row_edit_committed  an existing row's text was edited (source the row)
//   row_removed         a checked row was deleted (source the detached row,
//                       reason its place among the rows one key removed: 0
//                       for the first)
//   copy_requested      Ctrl+C or Enter (source the table)
// Attributes a grid writes on its table: "multiselect" while two or more
// rows are checked, "shift" from a press that already selected its row to
// the release, and while a cell is edited "editable", "action" ("edit" or
// "add-new") and "start_editing"; the edited `div` keeps its text from
// before in "old_value".
//
// Mouse events are answered false, so that the elements around the table
// still see them (the quotes' and tags' drag and drop).
#pragma once

#include <cstdint>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/element.h"

namespace pvl {

// "cgrid": selection with the mouse and the keys, header presses.
//   Right button: a row that is not checked becomes the current one.
//   Main button without Ctrl (Shift or not): a press on a row that is not
//   checked selects it at once (set_current_row) and marks the table
//   "shift"; a press on a checked row leaves the selection alone (a drag
//   may start) and its release, unless the press selected the row, makes
//   it the only selected one. With Ctrl the release toggles the row.
//   Keys: navigate_by_key (table_rows.h).
class cgrid : public htmlayout::behavior {
 public:
  cgrid() : cgrid("cgrid") {}

  bool on_mouse(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
                uint32_t event_type, int x, int y, uint32_t buttons, uint32_t keys) override;
  bool on_key(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
              uint32_t event_type, uint32_t key_code, uint32_t keys) override;
  // Redraws the table, whose checked rows may look different with the focus.
  bool on_focus(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
                uint32_t event_type) override;

  // A main-button press on a header row, over `cell` (null between cells):
  // posts table_header_click with the cell (or the table) as source and the
  // cell's index as reason.
  virtual void on_header_click(const htmlayout::dom::element& table,
                               const htmlayout::dom::element& cell);

 protected:
  explicit cgrid(const char* name);
};

// "csortable-grid": a header press also sorts the rows by that column
// (sort_by_header), once; another press on the same column does nothing.
class csortable_grid : public cgrid {
 public:
  csortable_grid() : cgrid("csortable-grid") {}
  void on_header_click(const htmlayout::dom::element& table,
                       const htmlayout::dom::element& cell) override;
};

// "cquote_grid": the quote list. Delete removes the checked rows, Ctrl+C
// and Enter ask for a copy of them.
class cquote_grid : public cgrid {
 public:
  cquote_grid() : cgrid("cquote_grid") {}
  bool on_key(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
              uint32_t event_type, uint32_t key_code, uint32_t keys) override;
};

// "ceditable_grid": the tag list, whose current row's `div` is edited in
// place. F2 starts an edit with the whole text selected; Enter, or the focus
// leaving for anything but the edited `div`, commits it; Escape restores the
// old text (or drops a new row). The name is trimmed, and refused when it is
// empty or another row's: after Enter the edit stays open with the reason
// in a `div class="refusal"` under it (until the next key), after a focus
// loss the edit is cancelled. Delete removes the checked rows.
class ceditable_grid : public cgrid {
 public:
  ceditable_grid() : cgrid("ceditable_grid") {}
  bool on_key(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
              uint32_t event_type, uint32_t key_code, uint32_t keys) override;
  bool on_focus(const htmlayout::dom::element& table, const htmlayout::dom::element& target,
                uint32_t event_type) override;
};

// Makes `row` of the editable grid `table` current and starts editing it as
// F2 does. False when `row` is not one of the table's rows; true, changing
// nothing, while an edit goes on.
bool edit_row(const htmlayout::dom::element& table, const htmlayout::dom::element& row);

// Sets "multiselect" on the table while two or more of its rows are checked
// and removes it otherwise, redrawing the table when it changes. Returns
// whether two or more are checked.
bool update_multiselect(const htmlayout::dom::element& table);

// The Delete key of the program's grids: needs a current row. Each checked
// row, in row order, is detached and behaviour event row_removed posted to
// the table with it as source and its place in that order as reason. The
// first shown row after the last removed one (or, when there is none, the
// last shown row before it) then becomes current (set_current_row with
// `keys`) and is scrolled into view. Returns false, changing nothing, when
// there is no current row.
bool remove_checked_rows(const htmlayout::dom::element& table, uint32_t keys);

}  // namespace pvl
