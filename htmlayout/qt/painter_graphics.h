// The drawing interface of behaviours that draw their element's content
// (htmlayout/graphics.h) on a QPainter: the document widget hands one to
// each such element's draw handler after painting the page.
#pragma once

#include <QPainter>

#include "htmlayout/input/graphics.h"

namespace htmlayout::qt {

class painter_graphics final : public graphics {
 public:
  // Draws with `painter` (which must outlive the object); `text` is the
  // colour of the element's text.
  painter_graphics(QPainter& painter, color text) : painter_(painter), text_(text) {}

  void line(point from, point to, color c, int width) override;
  color text_color() const override { return text_; }

 private:
  QPainter& painter_;
  color text_;
};

}  // namespace htmlayout::qt
