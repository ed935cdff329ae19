// Sorting the rows of a grid by one column: rows compare by the text of
// their cell in that column, code unit by code unit as UTF-16 (no case
// folding, no locale, no numeric order), ascending.
#pragma once

#include <cstdint>

#include "htmlayout/dom/element.h"

namespace htmlayout {

class row_sorter : public dom::element::comparator {
 public:
  explicit row_sorter(int32_t column) : column_(column) {}

  // Negative when row a's text comes first, positive when b's does, 0 when
  // they are equal. A row without a cell in the column (or a null row)
  // counts as one whose text is empty, so the order stays consistent.
  int compare(const dom::element& a, const dom::element& b) override;

 private:
  int32_t column_;
};

// Sorts the rows after the table's header rows ("fixedrows") by `column`;
// equal rows keep their order. Redraws the table.
void sort_rows(const dom::element& table, int32_t column);

// A click on `cell`, a cell of a header row of `table`: unless its column
// is already the sorted one (the cell has state::checked), the cell takes
// state::checked from the header cell that had it, the rows are sorted by
// its column and the current row is scrolled into view. Returns whether
// the rows were sorted; a null cell sorts nothing.
bool sort_by_header(const dom::element& table, const dom::element& cell);

}  // namespace htmlayout
