#include "htmlayout/render/renderer_geometry.h"

#include <algorithm>

#include "htmlayout/render/text_positions.h"

namespace htmlayout::render {

void renderer_geometry::sync_popups() {
  std::vector<placed_popup> wanted;
  if (input_)
    for (const input::shown_popup& p : input_->popups()) wanted.push_back({p.element, p.position});

  auto same = [](const placed_popup& a, const placed_popup& b) {
    return a.element == b.element && a.position.x == b.position.x && a.position.y == b.position.y;
  };
  if (std::equal(wanted.begin(), wanted.end(), shown_.begin(), shown_.end(), same)) return;

  // The renderer stacks popups in the order they were first shown; hiding
  // them all and showing them again in the input's order keeps the one shown
  // last on top.
  for (const placed_popup& p : shown_) view_.hide_popup(p.element);
  shown_.clear();
  for (const placed_popup& p : wanted) view_.show_popup(p.element, p.position.x, p.position.y);
  shown_ = std::move(wanted);
}

dom::element renderer_geometry::element_at(point p) {
  sync_popups();
  return view_.element_at(p.x, p.y);
}

std::optional<rect> renderer_geometry::location(const dom::element& e) {
  sync_popups();
  const litehtml::position box = view_.location(e);
  if (box.x == 0 && box.y == 0 && box.width == 0 && box.height == 0) return std::nullopt;
  return rect{box.x, box.y, box.x + box.width, box.y + box.height};
}

scroll_range renderer_geometry::vertical_scroll(const dom::element& box) {
  scroll_metrics metrics;
  if (!view_.scroll_info(box, metrics)) return {};
  return {metrics.scroll_y, metrics.max_scroll_y()};
}

void renderer_geometry::set_vertical_scroll(const dom::element& box, int position) {
  view_.set_scroll_pos(box, position);
}

bool renderer_geometry::scroll_to_view(const dom::element& e, bool to_top) {
  sync_popups();
  return view_.scroll_to_view(e, to_top);
}

std::optional<size_t> renderer_geometry::text_position_at(const dom::element& e, point p) {
  sync_popups();
  return text_offset_at(view_, e, p.x, p.y);
}

}  // namespace htmlayout::render
