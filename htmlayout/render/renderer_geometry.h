// The renderer answering the input side's questions about positions
// (htmlayout/geometry.h), text positions included, and carrying the popups the input shows into the
// renderer, so that they are painted and hit-tested above the page.
#pragma once

#include "htmlayout/input/geometry.h"
#include "htmlayout/input/input.h"
#include "htmlayout/render/renderer.h"

namespace htmlayout::render {

class renderer_geometry final : public geometry {
 public:
  // `view` must outlive the object.
  explicit renderer_geometry(renderer& view) : view_(view) {}

  // The input whose popups to show; set once it exists (it needs this object
  // to be constructed). Null stops the syncing.
  void set_input(const input* in) { input_ = in; }

  // Hands the renderer the popups the input shows now, where the input
  // placed them (the renderer keeps none of its own). Hit testing does this
  // itself; a host calls it before painting.
  void sync_popups();

  dom::element element_at(point p) override;
  std::optional<rect> location(const dom::element& e) override;
  scroll_range vertical_scroll(const dom::element& box) override;
  void set_vertical_scroll(const dom::element& box, int position) override;
  bool scroll_to_view(const dom::element& e, bool to_top = false) override;
  // The character boundary nearest to `p` (text_positions.h).
  std::optional<size_t> text_position_at(const dom::element& e, point p) override;

 private:
  renderer& view_;
  const input* input_ = nullptr;
};

}  // namespace htmlayout::render
