// htmlayout::event_handler: the base of every object that handles an
// element's events. `subscribed_to` names the event groups it wants (see
// events.h). The engine calls element_proc (behavior.h), which picks the
// unpacking operation of the event's group; that takes the parameter record
// apart and calls the matching on_ operation. Every default does nothing and
// answers false (not handled); an answer of true stops the event.
#pragma once

#include <cstdint>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"

namespace htmlayout {

class event_handler {
 public:
  explicit event_handler(uint32_t subscription) : subscribed_to(subscription) {}

  virtual void detached(const dom::element& /*he*/) {}
  virtual void attached(const dom::element& /*he*/) {}
  // The handler for `he`: by default this object, which then serves every
  // element that names it.
  virtual event_handler* attach(const dom::element& /*he*/) { return this; }

  virtual bool handle_mouse(const dom::element& he, mouse_params& params);
  virtual bool handle_key(const dom::element& he, key_params& params);
  virtual bool handle_focus(const dom::element& he, focus_params& params);
  virtual bool handle_timer(const dom::element& he, timer_params& params);
  virtual bool handle_size(const dom::element& he);
  virtual bool handle_scroll(const dom::element& he, scroll_params& params);
  virtual bool handle_draw(const dom::element& he, draw_params& params);
  virtual bool handle_method_call(const dom::element& he, method_params& params);
  virtual bool handle_event(const dom::element& he, behavior_event_params& params);
  virtual bool handle_data_arrived(const dom::element& he, data_arrived_params& params);

  virtual bool on_mouse(const dom::element& /*he*/, const dom::element& /*target*/,
                        uint32_t /*event_type*/, int /*x*/, int /*y*/, uint32_t /*buttons*/,
                        uint32_t /*keys*/) {
    return false;
  }
  virtual bool on_key(const dom::element& /*he*/, const dom::element& /*target*/,
                      uint32_t /*event_type*/, uint32_t /*code*/, uint32_t /*keys*/) {
    return false;
  }
  virtual bool on_focus(const dom::element& /*he*/, const dom::element& /*target*/,
                        uint32_t /*event_type*/) {
    return false;
  }
  virtual bool on_timer(const dom::element& /*he*/) { return false; }
  virtual bool on_draw(const dom::element& /*he*/, uint32_t /*kind*/, void* /*gfx*/,
                       const rect& /*area*/) {
    return false;
  }
  virtual void on_size(const dom::element& /*he*/) {}
  virtual bool on_method_call(const dom::element& /*he*/, uint32_t /*method_id*/,
                              method_params& /*params*/) {
    return false;
  }
  // A behaviour event: `target` is the element it is about, `reason` its
  // extra word.
  virtual bool on_event(const dom::element& /*he*/, const dom::element& /*target*/,
                        uint32_t /*event_type*/, uintptr_t /*reason*/) {
    return false;
  }
  virtual bool on_data_arrived(const dom::element& /*he*/, const dom::element& /*initiator*/,
                               const uint8_t* /*data*/, uint32_t /*size*/, uint32_t /*type*/) {
    return false;
  }
  virtual bool on_scroll(const dom::element& /*he*/, const dom::element& /*target*/,
                         uint32_t /*command*/, int /*pos*/, bool /*vertical*/) {
    return false;
  }

  virtual ~event_handler() = default;

  uint32_t subscribed_to;
};

}  // namespace htmlayout
