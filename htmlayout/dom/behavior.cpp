#include "htmlayout/dom/behavior.h"

#include <cstring>

#include "htmlayout/dom/events.h"

namespace htmlayout {
namespace {

// The list's head is constant-initialised, so behaviours constructed as
// statics in any order find it ready.
constinit behavior* list_head = nullptr;

}  // namespace

behavior::behavior(uint32_t subscription, const char* behavior_name)
    : event_handler(subscription), next(list_head), name(behavior_name) {
  list_head = this;
}

behavior::~behavior() {
  for (behavior** link = &list_head; *link; link = &(*link)->next) {
    if (*link == this) {
      *link = next;
      break;
    }
  }
}

behavior* behavior::first() { return list_head; }

event_handler* behavior::find(const char* wanted, const dom::element& he) {
  if (!wanted) return nullptr;
  // A list's rows ask for the same behaviour thousands of times: the one
  // found moves to the head, where the next search starts. It was the first
  // of its name, so it stays ahead of any other of that name.
  for (behavior** link = &list_head; *link; link = &(*link)->next) {
    behavior* b = *link;
    if (std::strcmp(b->name, wanted) != 0) continue;
    if (link != &list_head) {
      *link = b->next;
      b->next = list_head;
      list_head = b;
    }
    return b->attach(he);
  }
  return nullptr;
}

bool element_proc(void* tag, const dom::element& he, uint32_t event_group, void* params) {
  auto* handler = static_cast<event_handler*>(tag);
  if (!handler) return false;
  switch (event_group) {
    case group::initialization: {
      auto* p = static_cast<initialization_params*>(params);
      if (p->cmd == behavior_detach)
        handler->detached(he);
      else if (p->cmd == behavior_attach)
        handler->attached(he);
      return true;
    }
    case group::mouse:
      return handler->handle_mouse(he, *static_cast<mouse_params*>(params));
    case group::key:
      return handler->handle_key(he, *static_cast<key_params*>(params));
    case group::focus:
      return handler->handle_focus(he, *static_cast<focus_params*>(params));
    case group::scroll:
      return handler->handle_scroll(he, *static_cast<scroll_params*>(params));
    case group::timer:
      return handler->on_timer(he);
    case group::size:
      handler->handle_size(he);
      return false;
    case group::draw:
      return handler->handle_draw(he, *static_cast<draw_params*>(params));
    case group::data_arrived:
      return handler->handle_data_arrived(he, *static_cast<data_arrived_params*>(params));
    case group::behavior_event:
      return handler->handle_event(he, *static_cast<behavior_event_params*>(params));
    case group::method_call:
      return handler->handle_method_call(he, *static_cast<method_params*>(params));
    default:
      return false;
  }
}

bool answer_attach_behavior(attach_behavior_notification& request) {
  event_handler* handler = behavior::find(request.behavior_name.c_str(), request.element);
  if (!handler) return false;
  request.element_proc = element_proc;
  request.element_tag = handler;
  request.element_events = handler->subscribed_to;
  return true;
}

}  // namespace htmlayout
