#include "htmlayout/render/locate.h"

#include <algorithm>

#include "htmlayout/render/paint_extent.h"
#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {

namespace {

// The point the children of `el` are placed from, in document coordinates.
bool children_origin(const litehtml::element::ptr& el, int& x, int& y) {
  if (!el->is_visible()) return false;
  x = 0;
  y = 0;
  if (auto parent = el->parent()) {
    if (!children_origin(parent, x, y)) return false;
  }
  if (!places_children_in_parent(el->get_display())) {
    const litehtml::position& pos = el->get_position();
    x += pos.x;
    y += pos.y;
  }
  if (scrollable* box = as_scroll_box(el)) y -= box->metrics().scroll_y;
  return true;
}

litehtml::position bounding_box(const litehtml::position::vector& boxes) {
  if (boxes.empty()) return {};
  int left = boxes.front().left(), top = boxes.front().top();
  int right = boxes.front().right(), bottom = boxes.front().bottom();
  for (const auto& box : boxes) {
    left = std::min(left, box.left());
    top = std::min(top, box.top());
    right = std::max(right, box.right());
    bottom = std::max(bottom, box.bottom());
  }
  return {left, top, right - left, bottom - top};
}

}  // namespace

litehtml::position locate(const litehtml::element::ptr& el, box_area area) {
  int x = 0, y = 0;
  if (auto parent = el->parent()) {
    if (!children_origin(parent, x, y)) return {};
  }
  if (!el->is_visible()) return {};
  const litehtml::style_display display = el->get_display();
  litehtml::position border;
  if (display == litehtml::display_inline || display == litehtml::display_table_row) {
    litehtml::position::vector boxes;
    el->get_inline_boxes(boxes);
    border = bounding_box(boxes);
    if (!places_children_in_parent(display)) {
      border.x += el->get_position().x;
      border.y += el->get_position().y;
    }
  } else {
    border = el->get_position();
    border += el->get_paddings();
    border += el->get_borders();
  }
  border.x += x;
  border.y += y;
  switch (area) {
    case box_area::margin:
      border += el->get_margins();
      return border;
    case box_area::border:
      return border;
    case box_area::padding:
      border -= el->get_borders();
      return border;
    case box_area::content:
      border -= el->get_borders();
      border -= el->get_paddings();
      return border;
  }
  return border;
}

}  // namespace htmlayout::render
