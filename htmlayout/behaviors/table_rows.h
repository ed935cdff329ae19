// The rows of a table that a grid behaviour runs: the table's element
// children, of which the first "fixedrows" (a decimal attribute, 0 when
// absent) are header rows. This is what the stock grids and the program's
// grids share: the row and cell an event falls in, hidden rows, the current
// row (state::current), the selection (state::checked, in a table with the
// attribute "multiple") with its anchor (state::anchor), the selection rule
// of a click and the rows the navigation keys lead to.
//
// A row is hidden when its style's display is none; navigation and Shift
// ranges pass over hidden rows and never land on header rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "htmlayout/dom/element.h"

namespace htmlayout {

// The table's "fixedrows" read as a decimal number; 0 when it is absent or
// not a number.
size_t fixed_rows(const dom::element& table);

bool is_hidden_row(const dom::element& row);

// The child of `table` that is or holds `target`; null when there is none.
dom::element target_row(const dom::element& table, const dom::element& target);
// The child of `row` (a cell) that is or holds `target`; null when none.
dom::element target_cell(const dom::element& row, const dom::element& target);

// The current row; null when there is none.
dom::element current_row(const dom::element& table);
// The row a Shift range starts from; null when there is none.
dom::element anchor_row(const dom::element& table);
// The checked rows, in row order.
std::vector<dom::element> checked_rows(const dom::element& table);

// Makes `row` (a row of `table`) current as a click with the keyboard state
// `keys` does. In a table with "multiple": without Shift or Ctrl the row
// becomes the only checked row, with Ctrl alone its check toggles, and in
// both cases it becomes the anchor; with Shift the rows from the anchor to
// it, header and hidden rows left out, become the checked ones and the
// anchor stays (without an anchor row, Shift counts as not held). Then the
// row is scrolled into view, the table redrawn at once, and
// table_row_click, or table_row_double_click with `double_click`, posted to
// the table with the row as source and its index as reason. A null row, or
// one that is not a child of `table`, changes nothing.
void set_current_row(const dom::element& table, const dom::element& row, uint32_t keys,
                     bool double_click);

// In a table with "multiple": `check` checks every row after the header
// rows that is not hidden, otherwise every checked row is unchecked.
// Returns false, changing nothing, for a table without "multiple".
bool checkall(const dom::element& table, bool check);

// Up, Down, Home, End, Page Up and Page Down.
bool is_navigation_key(uint32_t key_code);
// The row that a navigation key moves the current row to: the previous or
// next shown row, the first or last one, or the one a page away (a page
// being the height of the box the table scrolls in, or of the table); null
// when there is none in that direction, or for any other key. Rows are
// measured through the engine's layout; without one a page is one row.
dom::element row_for_key(const dom::element& table, uint32_t key_code);

// What every grid does with a key-down (`event_type` key::down, not
// sinking): a navigation key moves the current row there through
// set_current_row with `keys` (nothing when there is no such row), Ctrl+A
// checks every row of a "multiple" table. Returns whether the key was one of
// these (Ctrl+A only in a "multiple" table).
bool navigate_by_key(const dom::element& table, uint32_t event_type, uint32_t key_code,
                     uint32_t keys);

}  // namespace htmlayout
