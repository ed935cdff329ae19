// Behaviours: named event handlers that elements get through the CSS
// property `behavior`. Each behavior object is constructed once (usually as
// a static) with its subscription and name and joins one process-wide list;
// `find` looks a name up there. When the engine asks its host to attach a
// behaviour (notification 2823), the host answers with element_proc and the
// object `find` returned; element_proc then hands each event to the
// object's operation for the event's group.
#pragma once

#include <cstdint>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_handler.h"
#include "htmlayout/dom/notifications.h"

namespace htmlayout {

class behavior : public event_handler {
 public:
  // Puts the object at the head of the list.
  behavior(uint32_t subscription, const char* name);
  // Takes the object out of the list again.
  ~behavior() override;
  behavior(const behavior&) = delete;
  behavior& operator=(const behavior&) = delete;

  // The handler for `he` of the first behaviour in the list whose name
  // equals `name` byte for byte (its attach(he)), or null.
  static event_handler* find(const char* name, const dom::element& he);
  // The head of the list (the behaviour constructed or found last).
  static behavior* first();

  behavior* next;
  const char* name;
};

// The procedure given to the engine for every behaviour; `tag` is the
// event_handler. Dispatches on the group: initialization to detached or
// attached (answers true), mouse, key, focus, scroll, draw, data arrived,
// behaviour event and method call to the matching handle_ operation, timer to
// on_timer, size to handle_size (answers false). Other groups and a null tag
// answer false.
bool element_proc(void* tag, const dom::element& he, uint32_t group, void* params);

// Answers an attach-behaviour notification from the list: element_proc, the
// handler `find` gives for the element and the handler's subscription.
// Returns whether a behaviour of that name exists.
bool answer_attach_behavior(attach_behavior_notification& request);

}  // namespace htmlayout
