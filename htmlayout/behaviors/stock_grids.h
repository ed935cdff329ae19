// The stock table and splitter behaviours that any page may name:
//
// "grid": a table (table_rows.h) whose rows are selected by presses and
// double clicks of the main button, at the press: Ctrl toggles a row,
// Shift selects the range from the anchor, as set_current_row does; the
// navigation keys and Ctrl+A as navigate_by_key. A press on a header row is
// a header click: behaviour event table_header_click is posted to the table
// with the cell under the pointer (the table when there is none) as source
// and the cell's index as reason. Row clicks post table_row_click and
// table_row_double_click.
// "sortable-grid": a grid whose header click also sorts the rows by the
// clicked column (sort_by_header).
// "splitter": a press with the main button on a splitter between two panes
// captures the mouse; moves while it holds the capture move the border
// between the panes (split_panes.h) by the pointer's movement; the release
// lets the capture go.
#pragma once

namespace htmlayout {

// Puts "grid", "sortable-grid" and "splitter" into the behaviour list, once
// per process; later calls do nothing. The objects live until the process
// ends.
void register_stock_grids();

}  // namespace htmlayout
