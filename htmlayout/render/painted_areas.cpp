#include "htmlayout/render/painted_areas.h"

#include <algorithm>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/paint_extent.h"

namespace htmlayout::render {

namespace {

bool same(const litehtml::position& a, const litehtml::position& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

bool same(const scroll_metrics& a, const scroll_metrics& b) {
  return a.scroll_y == b.scroll_y && a.viewport_height == b.viewport_height &&
         a.content_height == b.content_height && a.always_show_bar == b.always_show_bar;
}

// True when the rectangles overlap or share an edge.
bool meet(const litehtml::position& a, const litehtml::position& b) {
  return a.x <= b.right() && b.x <= a.right() && a.y <= b.bottom() && b.y <= a.bottom();
}

litehtml::position bounding(const litehtml::position& a, const litehtml::position& b) {
  const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
  const int right = std::max(a.right(), b.right()), bottom = std::max(a.bottom(), b.bottom());
  return {left, top, right - left, bottom - top};
}

// The element's border box relative to the point its position is given from.
litehtml::position border_box(const litehtml::element::ptr& el) {
  const litehtml::style_display display = el->get_display();
  if (display == litehtml::display_inline || display == litehtml::display_table_row) {
    litehtml::position::vector boxes;
    el->get_inline_boxes(boxes);
    if (boxes.empty()) return {};
    litehtml::position box = boxes.front();
    for (const auto& b : boxes) box = bounding(box, b);
    if (!places_children_in_parent(display)) {
      box.x += el->get_position().x;
      box.y += el->get_position().y;
    }
    return box;
  }
  litehtml::position box = el->get_position();
  box += el->get_paddings();
  box += el->get_borders();
  return box;
}

}  // namespace

litehtml::position intersection(const litehtml::position& a, const litehtml::position& b) {
  const int left = std::max(a.left(), b.left());
  const int top = std::max(a.top(), b.top());
  const int right = std::min(a.right(), b.right());
  const int bottom = std::min(a.bottom(), b.bottom());
  if (right <= left || bottom <= top) return {a.x, a.y, 0, 0};
  return {left, top, right - left, bottom - top};
}

void painted_areas::capture(const litehtml::element::ptr& root, const litehtml::position& window) {
  entries_.clear();
  if (root) visit(root, 0, 0, window);
}

void painted_areas::clear() { entries_.clear(); }

void painted_areas::visit(const litehtml::element::ptr& el, int origin_x, int origin_y,
                          const litehtml::position& clip) {
  if (!detail::as_tag(el) || !el->is_visible()) return;
  litehtml::position border = border_box(el);
  border.x += origin_x;
  border.y += origin_y;
  entry& e = entries_[el.get()];
  e.area = intersection(border, clip);
  litehtml::position children_clip = clip;
  int x = origin_x, y = origin_y;
  if (!places_children_in_parent(el->get_display())) {
    x += el->get_position().x;
    y += el->get_position().y;
  }
  if (scrollable* box = as_scroll_box(el)) {
    e.scrolling = box->metrics();
    y -= e.scrolling.scroll_y;
    litehtml::position padding = border;
    padding -= el->get_borders();
    const int width = std::min(kScrollBarWidth, padding.width);
    e.bar = intersection({padding.right() - width, padding.y, width, padding.height}, clip);
  }
  if (el->get_overflow() != litehtml::overflow_visible) {
    litehtml::position padding = border;
    padding -= el->get_borders();
    children_clip = intersection(clip, padding);
  }
  const std::size_t count = el->get_children_count();
  for (std::size_t i = 0; i < count; ++i)
    visit(el->get_child(static_cast<int>(i)), x, y, children_clip);
}

litehtml::position painted_areas::area_of(const litehtml::element* el) const {
  auto found = entries_.find(el);
  return found == entries_.end() ? litehtml::position() : found->second.area;
}

void painted_areas::differences(const painted_areas& before, const painted_areas& after,
                                std::vector<litehtml::position>& out) {
  for (const auto& [el, was] : before.entries_) {
    auto now = after.entries_.find(el);
    if (now == after.entries_.end()) {
      out.push_back(was.area);
    } else if (!same(was.area, now->second.area)) {
      out.push_back(was.area);
      out.push_back(now->second.area);
    } else if (!same(was.scrolling, now->second.scrolling)) {
      out.push_back(now->second.bar);
    }
  }
  for (const auto& [el, now] : after.entries_) {
    if (!before.entries_.count(el)) out.push_back(now.area);
  }
}

std::vector<litehtml::position> merge_rectangles(std::vector<litehtml::position> rects,
                                                 std::size_t limit) {
  rects.erase(
      std::remove_if(rects.begin(), rects.end(),
                     [](const litehtml::position& r) { return r.width <= 0 || r.height <= 0; }),
      rects.end());
  if (rects.size() > 4 * limit) {
    litehtml::position all = rects.front();
    for (const auto& r : rects) all = bounding(all, r);
    return {all};
  }
  std::vector<litehtml::position> merged;
  for (litehtml::position r : rects) {
    // Absorb every merged rectangle this one meets, repeating as it grows.
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t i = 0; i < merged.size(); ++i) {
        if (meet(merged[i], r)) {
          r = bounding(r, merged[i]);
          merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(i));
          grew = true;
          break;
        }
      }
    }
    merged.push_back(r);
  }
  if (merged.size() > limit) {
    litehtml::position all = merged.front();
    for (const auto& r : merged) all = bounding(all, r);
    return {all};
  }
  return merged;
}

}  // namespace htmlayout::render
