// htmlayout::graphics: what an element's behaviour draws with when it draws
// the element's content itself (the draw group). The host paints the page,
// then hands each such element's handler a graphics object through
// draw_params::gfx, with draw_params::area set to the element's content box
// in the coordinates the graphics object draws in.
#pragma once

#include <cstdint>

#include "htmlayout/dom/event_params.h"

namespace htmlayout {

struct color {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 255;
};

class graphics {
 public:
  // A straight line from `from` to `to`, `width` pixels wide with round ends,
  // antialiased.
  virtual void line(point from, point to, color c, int width) = 0;
  // The colour of the text of the element being drawn, from its style.
  virtual color text_color() const = 0;

 protected:
  ~graphics() = default;
};

}  // namespace htmlayout
