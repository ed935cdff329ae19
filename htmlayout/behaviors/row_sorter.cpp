#include "htmlayout/behaviors/row_sorter.h"

#include <algorithm>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/table_rows.h"

namespace htmlayout {
namespace {

std::wstring cell_text(const dom::element& row, int32_t column) {
  if (column < 0) return {};
  return row.child(static_cast<size_t>(column)).text();
}

// The UTF-16 code units of a character: itself, or a surrogate pair above
// the basic plane.
struct utf16_units {
  explicit utf16_units(wchar_t c) {
    const uint32_t code = static_cast<uint32_t>(c);
    if (code < 0x10000) {
      unit[0] = static_cast<uint16_t>(code);
    } else {
      unit[0] = static_cast<uint16_t>(0xD800 + ((code - 0x10000) >> 10));
      unit[1] = static_cast<uint16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
      count = 2;
    }
  }
  uint16_t unit[2] = {0, 0};
  int count = 1;
};

}  // namespace

int row_sorter::compare(const dom::element& a, const dom::element& b) {
  const std::wstring left = cell_text(a, column_);
  const std::wstring right = cell_text(b, column_);
  const size_t common = std::min(left.size(), right.size());
  for (size_t i = 0; i < common; ++i) {
    if (left[i] == right[i]) continue;
    const utf16_units l(left[i]), r(right[i]);
    for (int k = 0; k < 2; ++k)
      if (l.unit[k] != r.unit[k]) return l.unit[k] < r.unit[k] ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

void sort_rows(const dom::element& table, int32_t column) {
  row_sorter order(column);
  table.sort(order, fixed_rows(table));
  table.update(true);
}

bool sort_by_header(const dom::element& table, const dom::element& cell) {
  if (!cell || (cell.get_state() & state::checked)) return false;
  const size_t headers = std::min(fixed_rows(table), table.children_count());
  for (size_t r = 0; r < headers; ++r) {
    const dom::element row = table.child(r);
    for (size_t c = 0; c < row.children_count(); ++c) {
      const dom::element other = row.child(c);
      if (other.get_state() & state::checked) other.set_state(0, state::checked);
    }
  }
  cell.set_state(state::checked);
  const dom::element current = current_row(table);
  sort_rows(table, static_cast<int32_t>(cell.index()));
  if (current) scroll_to_view(current);
  return true;
}

}  // namespace htmlayout
