// Scrolling boxes: elements styled "overflow: auto" or "overflow: scroll",
// which litehtml lays out but never scrolls. The element's content is clipped
// to its padding box and drawn shifted up by the scroll position; hit testing
// shifts the point the same way. A box whose height is not fixed grows up to
// its max-height. Wraps any litehtml element class so that its own attribute
// and table handling is kept; with other overflow values it behaves exactly
// like the class it wraps.
#pragma once

#include <litehtml/litehtml.h>

#include <algorithm>
#include <memory>

#include "htmlayout/render/scroll_metrics.h"

namespace htmlayout::render {

// How far in from the right edge of a scrolling box's padding box a
// container may paint the box's scroll bar: what is painted again when only
// the bar changed.
inline constexpr int kScrollBarWidth = 16;

// What the mirror, the host and location queries see of a scrolling box,
// whatever element class it wraps.
class scrollable {
 public:
  // True while the element's overflow is auto or scroll; otherwise the
  // element does not scroll and its metrics are all zero.
  virtual bool scrolls() const = 0;
  virtual scroll_metrics metrics() const = 0;
  // Scrolls to `y`, clamped to 0..max_scroll_y(). Takes effect at the next
  // paint or hit test; no layout is needed.
  virtual void set_scroll_y(int y) = 0;

 protected:
  ~scrollable() = default;
};

// A document container that also draws scroll bars implements this; the box
// calls it after painting its content, with the padding box in paint
// coordinates.
class scroll_bar_painter {
 public:
  virtual void draw_scroll_bar(litehtml::uint_ptr hdc, const litehtml::position& padding_box,
                               const scroll_metrics& metrics) = 0;

 protected:
  ~scroll_bar_painter() = default;
};

// The element as a scrolling box, or nullptr when it does not scroll now.
scrollable* as_scroll_box(const litehtml::element::ptr& el);

template <class Base>
class scroll_box : public Base, public scrollable {
 public:
  explicit scroll_box(const std::shared_ptr<litehtml::document>& doc) : Base(doc) {}

  bool scrolls() const override {
    return this->m_overflow == litehtml::overflow_auto ||
           this->m_overflow == litehtml::overflow_scroll;
  }

  scroll_metrics metrics() const override {
    if (!scrolls()) return {};
    scroll_metrics result;
    result.viewport_height = this->m_pos.height + this->m_padding.height();
    result.content_height = std::max(result.viewport_height, content_height_);
    result.scroll_y = std::clamp(scroll_y_, 0, result.max_scroll_y());
    result.always_show_bar = this->m_overflow == litehtml::overflow_scroll;
    return result;
  }

  void set_scroll_y(int y) override { scroll_y_ = std::clamp(y, 0, metrics().max_scroll_y()); }

  int render(int x, int y, int max_width, bool second_pass = false) override {
    const int width = Base::render(x, y, max_width, second_pass);
    if (!scrolls()) return width;
    // The content's natural height: a table's own height (its rows are not
    // children in litehtml's sense), a box's lowest child.
    int content_bottom = this->m_pos.height;
    for (const auto& child : this->m_children) {
      if (child->is_visible() && child->get_element_position() != litehtml::element_position_fixed)
        content_bottom = std::max(content_bottom, child->bottom());
    }
    content_bottom = std::max(content_bottom, this->get_floats_height());
    content_height_ = content_bottom + this->m_padding.height();
    this->m_pos.height = std::min(this->m_pos.height, height_limit());
    set_scroll_y(scroll_y_);
    return width;
  }

  void draw_children(litehtml::uint_ptr hdc, int x, int y, const litehtml::position* clip,
                     litehtml::draw_flag flag, int zindex) override {
    if (!scrolls()) {
      Base::draw_children(hdc, x, y, clip, flag, zindex);
      return;
    }
    const litehtml::position box = padding_box(x, y);
    if (clip && !box.does_intersect(clip)) return;
    const litehtml::position visible = clip ? intersection(*clip, box) : box;
    litehtml::document_container* container = this->get_document()->container();
    container->set_clip(box, inner_radii(box), true, true);
    {
      visible_overflow unclipped(*this);  // the base would clip again at the shifted box
      Base::draw_children(hdc, x, y - scroll_y_, &visible, flag, zindex);
    }
    container->del_clip();
    if (flag == litehtml::draw_inlines) {
      if (auto* painter = dynamic_cast<scroll_bar_painter*>(container))
        painter->draw_scroll_bar(hdc, box, metrics());
    }
  }

  litehtml::element::ptr get_child_by_point(int x, int y, int client_x, int client_y,
                                            litehtml::draw_flag flag, int zindex) override {
    if (!scrolls()) return Base::get_child_by_point(x, y, client_x, client_y, flag, zindex);
    if (!padding_box(0, 0).is_point_inside(x, y)) return nullptr;
    visible_overflow unclipped(*this);
    return Base::get_child_by_point(x, y + scroll_y_, client_x, client_y, flag, zindex);
  }

 private:
  // Sets the element's overflow to visible for the span of one base call.
  class visible_overflow {
   public:
    explicit visible_overflow(scroll_box& box) : box_(box), saved_(box.m_overflow) {
      box_.m_overflow = litehtml::overflow_visible;
    }
    ~visible_overflow() { box_.m_overflow = saved_; }
    visible_overflow(const visible_overflow&) = delete;
    visible_overflow& operator=(const visible_overflow&) = delete;

   private:
    scroll_box& box_;
    litehtml::overflow saved_;
  };

  static litehtml::position intersection(const litehtml::position& a, const litehtml::position& b) {
    const int left = std::max(a.left(), b.left());
    const int top = std::max(a.top(), b.top());
    const int right = std::min(a.right(), b.right());
    const int bottom = std::min(a.bottom(), b.bottom());
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
  }

  // The padding box, with the content box's origin at (x, y) + m_pos.
  litehtml::position padding_box(int x, int y) const {
    litehtml::position box = this->m_pos;
    box.x += x;
    box.y += y;
    box += this->m_padding;
    return box;
  }

  litehtml::border_radiuses inner_radii(const litehtml::position& padding) {
    // calc_percents() is not const in litehtml 0.6.
    litehtml::border_radiuses radii = this->m_css_borders.radius.calc_percents(
        padding.width + this->m_borders.width(), padding.height + this->m_borders.height());
    radii -= this->m_borders;
    return radii;
  }

  // The tallest the content box may be: its fixed height or its max-height.
  int height_limit() {
    int limit = this->m_pos.height;
    int fixed = 0;
    if (this->get_predefined_height(fixed)) limit = std::min(limit, fixed);
    if (!this->m_css_max_height.is_predefined() &&
        this->m_css_max_height.units() != litehtml::css_units_percentage) {
      int max_height = this->get_document()->cvt_units(this->m_css_max_height, this->m_font_size);
      if (this->m_box_sizing == litehtml::box_sizing_border_box)
        max_height -= this->m_padding.height() + this->m_borders.height();
      limit = std::min(limit, std::max(0, max_height));
    }
    return limit;
  }

  int scroll_y_ = 0;
  int content_height_ = 0;
};

}  // namespace htmlayout::render
