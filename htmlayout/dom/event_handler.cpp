#include "htmlayout/dom/event_handler.h"

namespace htmlayout {

bool event_handler::handle_mouse(const dom::element& he, mouse_params& p) {
  return on_mouse(he, p.target, p.cmd, p.pos.x, p.pos.y, p.button_state, p.alt_state);
}

bool event_handler::handle_key(const dom::element& he, key_params& p) {
  return on_key(he, p.target, p.cmd, p.key_code, p.alt_state);
}

bool event_handler::handle_focus(const dom::element& he, focus_params& p) {
  return on_focus(he, p.target, p.cmd);
}

bool event_handler::handle_timer(const dom::element& he, timer_params&) { return on_timer(he); }

bool event_handler::handle_size(const dom::element& he) {
  on_size(he);
  return false;
}

bool event_handler::handle_scroll(const dom::element& he, scroll_params& p) {
  return on_scroll(he, p.target, p.cmd, p.pos, p.vertical);
}

bool event_handler::handle_draw(const dom::element& he, draw_params& p) {
  return on_draw(he, p.cmd, p.gfx, p.area);
}

bool event_handler::handle_method_call(const dom::element& he, method_params& p) {
  return on_method_call(he, p.method_id, p);
}

bool event_handler::handle_event(const dom::element& he, behavior_event_params& p) {
  return on_event(he, p.target, p.cmd, p.reason);
}

bool event_handler::handle_data_arrived(const dom::element& he, data_arrived_params& p) {
  return on_data_arrived(he, p.initiator, p.data, p.data_size, p.data_type);
}

}  // namespace htmlayout
