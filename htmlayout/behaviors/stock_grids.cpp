#include "htmlayout/behaviors/stock_grids.h"

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/row_sorter.h"
#include "htmlayout/behaviors/split_panes.h"
#include "htmlayout/behaviors/table_rows.h"

namespace htmlayout {

class grid : public behavior {
 public:
  grid() : grid("grid") {}

  bool on_mouse(const dom::element& table, const dom::element& target, uint32_t event_type, int,
                int, uint32_t buttons, uint32_t keys) override {
    if (event_type != mouse::down && event_type != mouse::double_click) return false;
    if (buttons != mouse::main_button) return false;
    const dom::element row = target_row(table, target);
    if (!row) return false;
    if (row.index() < fixed_rows(table))
      on_header_click(table, target_cell(row, target));
    else
      set_current_row(table, row, keys, event_type == mouse::double_click);
    return true;
  }

  bool on_key(const dom::element& table, const dom::element&, uint32_t event_type,
              uint32_t key_code, uint32_t keys) override {
    return navigate_by_key(table, event_type, key_code, keys);
  }

  // A press on a header row, over `cell` (null between cells).
  virtual void on_header_click(const dom::element& table, const dom::element& cell) {
    table.post_event(event::table_header_click, cell ? cell : table, cell ? cell.index() : 0);
  }

 protected:
  explicit grid(const char* name) : behavior(group::mouse | group::key | group::focus, name) {}
};

class sortable_grid : public grid {
 public:
  sortable_grid() : grid("sortable-grid") {}

  void on_header_click(const dom::element& table, const dom::element& cell) override {
    grid::on_header_click(table, cell);
    sort_by_header(table, cell);
  }
};

// Drags between a press and its release, while it holds the mouse capture.
class splitter : public behavior {
 public:
  splitter() : behavior(group::mouse, "splitter") {}

  bool on_mouse(const dom::element& he, const dom::element&, uint32_t event_type, int x, int y,
                uint32_t buttons, uint32_t) override {
    if (buttons != mouse::main_button) return false;
    switch (event_type) {
      case mouse::down:
        if (!has_panes(he)) return false;
        drag_anchor_ = split_coordinate(he, {x, y});
        set_capture(he);
        return true;
      case mouse::up:
        release_capture(he);
        return true;
      case mouse::move: {
        const input* side = input::of(he);
        if (!side || side->capture() != he) return false;
        const int delta = split_coordinate(he, {x, y}) - drag_anchor_;
        if (delta != 0) move_split(he, delta);
        return true;
      }
    }
    return false;
  }

 private:
  // Where the pointer was on the splitter at the press (one drag at a time).
  int drag_anchor_ = 0;
};

void register_stock_grids() {
  static grid plain;
  static sortable_grid sortable;
  static splitter split;
}

}  // namespace htmlayout
