// The parameter records the engine hands to an element's handler, one per
// event group (see events.h). Handles in them are valid for the call.
#pragma once

#include <cstdint>
#include <string>

#include "htmlayout/dom/element.h"

namespace htmlayout {

struct point {
  int x = 0;
  int y = 0;
};

struct rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct initialization_params {
  uint32_t cmd = behavior_attach;  // behavior_detach or behavior_attach
};

struct mouse_params {
  uint32_t cmd = 0;     // mouse:: code, plus `sinking` in the sinking phase
  dom::element target;  // the deepest element under the pointer
  point pos;            // relative to the element the handler is attached to
  point pos_document;   // relative to the document
  uint32_t button_state = 0;
  uint32_t alt_state = 0;  // keyboard:: bits
  uint32_t cursor_type = 0;
  bool is_on_icon = false;
};

struct key_params {
  uint32_t cmd = 0;  // key:: code, plus `sinking` in the sinking phase
  dom::element target;
  uint32_t key_code = 0;  // virtual key code, or the character for key::chars
  uint32_t alt_state = 0;
};

struct focus_params {
  uint32_t cmd = 0;  // focus:: code, plus `sinking` in the sinking phase
  dom::element target;
  bool by_mouse_click = false;
  bool cancel = false;
};

struct timer_params {
  uintptr_t timer_id = 0;
};

struct draw_params {
  uint32_t cmd = 0;     // layer: 0 background, 1 content, 2 foreground
  void* gfx = nullptr;  // the host's painter
  rect area;
};

struct scroll_params {
  uint32_t cmd = 0;
  dom::element target;
  int pos = 0;
  bool vertical = true;
};

struct method_params {
  uint32_t method_id = 0;
};

// A behaviour event sent or posted to `sent_to` about `target`: the source
// element the sender named (a clicked menu item, a removed row), or
// `sent_to` itself when it named none. Handlers see it as on_event's target.
struct behavior_event_params {
  uint32_t cmd = 0;
  dom::element target;
  dom::element sent_to;
  uintptr_t reason = 0;
};

struct data_arrived_params {
  dom::element initiator;
  const uint8_t* data = nullptr;
  uint32_t data_size = 0;
  uint32_t data_type = 0;
  std::string uri;
};

}  // namespace htmlayout
