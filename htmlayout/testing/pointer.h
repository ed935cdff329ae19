// Test helper: a user's pointer driven through the input side at the places a geometry gives.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/geometry.h"
#include "htmlayout/input/input.h"

namespace htmlayout::testing {

class pointer {
 public:
  pointer(input& in, geometry& layout) : in_(in), layout_(layout) {}

  // The centre of the element's box (the origin when it has none: the test fails).
  point center_of(const dom::element& e) {
    const std::optional<rect> box = layout_.location(e);
    EXPECT_TRUE(box.has_value()) << "no box for <" << e.tag_name() << ">";
    return box ? point{(box->left + box->right) / 2, (box->top + box->bottom) / 2} : point{};
  }
  void move_to(point p, uint32_t keys = 0) { in_.mouse_move(at_ = p, held_, keys); }
  void move_by(int dx, int dy) { move_to({at_.x + dx, at_.y + dy}); }
  void press(const dom::element& e, uint32_t keys = 0, uint32_t button = mouse::main_button) {
    move_to(center_of(e), keys);
    in_.mouse_down(at_, held_ = button, keys);
  }
  void release(uint32_t keys = 0) {
    in_.mouse_up(at_, held_ ? held_ : mouse::main_button, keys);
    held_ = 0;
  }
  void click(const dom::element& e, uint32_t keys = 0, uint32_t button = mouse::main_button) {
    press(e, keys, button);
    release(keys);
  }

 private:
  input& in_;
  geometry& layout_;
  point at_;
  uint32_t held_ = 0;
};

}  // namespace htmlayout::testing
