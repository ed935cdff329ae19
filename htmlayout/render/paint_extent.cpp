#include "htmlayout/render/paint_extent.h"

#include <algorithm>

namespace htmlayout::render {

namespace {

// Adds the extent of `el`, whose parent's content box has its origin at
// `origin_y`, to `extent`. Returns false when a fixed element is found.
bool add_extent(const litehtml::element::ptr& el, int origin_y, vertical_extent& extent) {
  if (!el->is_visible()) return true;
  if (el->get_element_position() == litehtml::element_position_fixed) return false;
  const litehtml::style_display display = el->get_display();
  const litehtml::position& pos = el->get_position();
  if (display == litehtml::display_inline || display == litehtml::display_table_row) {
    litehtml::position::vector boxes;
    el->get_inline_boxes(boxes);
    const int boxes_origin = origin_y + (places_children_in_parent(display) ? 0 : pos.y);
    for (const auto& box : boxes) extent.add(boxes_origin + box.y, boxes_origin + box.bottom());
  } else {
    const litehtml::margins padding = el->get_paddings();
    const litehtml::margins borders = el->get_borders();
    extent.add(origin_y + pos.y - padding.top - borders.top,
               origin_y + pos.bottom() + padding.bottom + borders.bottom);
  }
  if (el->get_overflow() != litehtml::overflow_visible) return true;
  const int children_origin = origin_y + (places_children_in_parent(display) ? 0 : pos.y);
  const std::size_t count = el->get_children_count();
  for (std::size_t i = 0; i < count; ++i) {
    if (!add_extent(el->get_child(static_cast<int>(i)), children_origin, extent)) return false;
  }
  return true;
}

}  // namespace

bool places_children_in_parent(litehtml::style_display display) {
  return display == litehtml::display_table_row || display == litehtml::display_table_row_group ||
         display == litehtml::display_table_header_group ||
         display == litehtml::display_table_footer_group;
}

bool paint_extent(const litehtml::element::ptr& el, vertical_extent& extent) {
  extent = vertical_extent{};
  return add_extent(el, 0, extent);
}

bool row_index::build(const litehtml::elements_vector& children) {
  clear();
  std::vector<vertical_extent> extents(children.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (!paint_extent(children[i], extents[i])) return false;
  }
  reach_down_.resize(children.size());
  reach_up_.resize(children.size());
  int lowest = INT_MIN;
  for (std::size_t i = 0; i < children.size(); ++i) {
    lowest = std::max(lowest, extents[i].bottom);
    reach_down_[i] = lowest;
  }
  int highest = INT_MAX;
  for (std::size_t i = children.size(); i-- > 0;) {
    highest = std::min(highest, extents[i].top);
    reach_up_[i] = highest;
  }
  return true;
}

std::pair<std::size_t, std::size_t> row_index::meeting(int top, int bottom) const {
  // Children before `first` all end above the band; from `last` on all start below it.
  auto first = std::partition_point(reach_down_.begin(), reach_down_.end(),
                                    [&](int reach) { return reach < top; });
  auto last = std::partition_point(reach_up_.begin(), reach_up_.end(),
                                   [&](int reach) { return reach <= bottom; });
  const auto first_index = static_cast<std::size_t>(first - reach_down_.begin());
  const auto last_index = static_cast<std::size_t>(last - reach_up_.begin());
  return {first_index, std::max(first_index, last_index)};
}

void row_index::clear() {
  reach_down_.clear();
  reach_up_.clear();
}

}  // namespace htmlayout::render
