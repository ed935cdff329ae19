// A headless window for the input side's tests: a document, its input, and a stand-in geometry
// whose boxes the test places; the deepest element holding a point wins, shown popups first.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/geometry.h"
#include "htmlayout/input/input.h"

namespace htmlayout::testing {

class fixed_layout : public geometry {
 public:
  void place(const dom::element& e, rect box) {
    std::erase_if(boxes_, [&](const auto& p) { return p.first == e; });
    boxes_.push_back({e, box});
  }

  dom::element element_at(point p) override {
    dom::element best;
    int best_rank = -1;
    for (const auto& [e, b] : boxes_) {
      if (p.x < b.left || p.x >= b.right || p.y < b.top || p.y >= b.bottom || !e.is_visible()) continue;
      int rank = 0, popup = 0;  // the depth, and 1000 more inside a popup
      for (dom::element a = e; a; a = a.parent(), ++rank)
        if (a.get_state() & state::popup) popup = 1000;
      if (rank + popup >= best_rank) std::tie(best, best_rank) = std::pair(e, rank + popup);
    }
    return best;
  }
  std::optional<rect> location(const dom::element& e) override {
    for (const auto& [placed, box] : boxes_)
      if (placed == e) return box;
    return std::nullopt;
  }
  scroll_range vertical_scroll(const dom::element&) override { return {}; }
  void set_vertical_scroll(const dom::element&, int) override {}

 private:
  std::vector<std::pair<dom::element, rect>> boxes_;
};

// A notification callback that answers the document's behaviour requests from the registry.
inline uint32_t attach_behaviors(notification& n) {
  if (n.code == notification_code::attach_behavior)
    answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
  return 0;
}

// The behaviours a page names must outlive the window: declare them before it.
struct test_window {
  document doc;
  fixed_layout layout;
  input in{doc, layout};

  explicit test_window(std::string_view html = {}, std::string_view base_url = {}) {
    doc.set_notification_callback(attach_behaviors);
    if (!html.empty()) doc.load_html(html, base_url);
  }

  dom::element operator[](std::string_view id) const {
    return doc.root().select_first("#" + std::string(id));
  }
  void place(std::string_view id, rect box) { layout.place((*this)[id], box); }
  point center(std::string_view id) {
    rect b = layout.location((*this)[id]).value_or(rect{});
    return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  void click_at(point p, uint32_t button = mouse::main_button, uint32_t keys = 0) {
    in.mouse_move(p, 0, keys);
    in.mouse_down(p, button, keys);
    in.mouse_up(p, button, keys);
  }
  void click(std::string_view id, uint32_t button = mouse::main_button, uint32_t keys = 0) {
    click_at(center(id), button, keys);
  }
};

// The id of an element, or its tag when it has none ("-" for null).
inline std::string name_of_element(const dom::element& e) {
  return e ? e.get_attribute_utf8("id").value_or(e.tag_name()) : "-";
}

// Logs each event as "<element> mouse|key|focus|event <hex code> <target>[ <key>]", "<element>
// timer" or "<element> method <id>", mouse positions as "<element> <x>,<y>"; answers as `react`.
class recorder : public behavior {
 public:
  recorder(std::vector<std::string>& log, const char* name, uint32_t subscription = group::all)
      : behavior(subscription, name), log_(log) {}

  std::function<bool(const dom::element& he, const std::string& line)> react;
  std::vector<std::string> positions;

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t code, int x, int y,
                uint32_t, uint32_t) override {
    positions.push_back(name_of_element(he) + " " + std::to_string(x) + "," + std::to_string(y));
    return note(he, "mouse", code, target);
  }
  bool on_key(const dom::element& he, const dom::element& target, uint32_t code, uint32_t key_code,
              uint32_t) override {
    return note(he, "key", code, target, " " + std::to_string(key_code));
  }
  bool on_focus(const dom::element& he, const dom::element& target, uint32_t code) override {
    return note(he, "focus", code, target);
  }
  bool on_event(const dom::element& he, const dom::element& target, uint32_t code, uintptr_t) override {
    return note(he, "event", code, target);
  }
  bool on_timer(const dom::element& he) override { return note(he, "timer"); }
  bool on_method_call(const dom::element& he, uint32_t id, method_params&) override {
    return note(he, "method " + std::to_string(id));
  }

 private:
  bool note(const dom::element& he, const std::string& what, uint32_t code,
            const dom::element& target, const std::string& more = {}) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", code);
    return note(he, what + " " + hex + " " + name_of_element(target) + more);
  }
  bool note(const dom::element& he, const std::string& what) {
    const std::string line = name_of_element(he) + " " + what;
    log_.push_back(line);
    return react && react(he, line);
  }
  std::vector<std::string>& log_;
};

}  // namespace htmlayout::testing
