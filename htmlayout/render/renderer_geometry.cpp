#include "htmlayout/render/renderer_geometry.h"

#include "htmlayout/render/text_positions.h"

namespace htmlayout::render {

void renderer_geometry::sync_popups() {
  std::vector<renderer::placed_popup> shown;
  if (input_)
    for (const input::shown_popup& p : input_->popups())
      shown.push_back({p.element, p.position.x, p.position.y});
  view_.set_popups(shown);
}

dom::element renderer_geometry::element_at(point p) {
  sync_popups();
  return view_.element_at(p.x, p.y);
}

std::optional<rect> renderer_geometry::location(const dom::element& e) {
  sync_popups();
  const rect box = view_.location(e);
  if (box.left == 0 && box.top == 0 && box.right == 0 && box.bottom == 0) return std::nullopt;
  return box;
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
