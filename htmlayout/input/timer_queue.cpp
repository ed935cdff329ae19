#include "htmlayout/input/timer_queue.h"

#include <algorithm>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/tree_ops.h"

namespace htmlayout {

void timer_queue::set(const dom::element& e, uint32_t milliseconds, uintptr_t id) {
  std::erase_if(timers_, [&](const timer& t) { return t.owner == e && t.id == id; });
  if (milliseconds == 0 || !e.is_valid()) return;
  timers_.push_back({e, id, milliseconds, now_ + milliseconds, next_serial_++});
}

std::optional<uint64_t> timer_queue::next_due() const {
  std::optional<uint64_t> next;
  for (const timer& t : timers_)
    if (!next || t.due < *next) next = t.due;
  return next;
}

void timer_queue::advance(uint64_t now) {
  now_ = std::max(now_, now);
  std::erase_if(timers_, [](const timer& t) { return !t.owner.node() || !t.owner.node()->doc; });
  // Each round fires the timer due first. A timer is rescheduled before its
  // handlers run, past `now_`, so every timer fires at most once per call.
  for (;;) {
    auto due = std::min_element(timers_.begin(), timers_.end(), [](const timer& a, const timer& b) {
      return a.due != b.due ? a.due < b.due : a.serial < b.serial;
    });
    if (due == timers_.end() || due->due > now_) return;
    due->due += due->interval;
    if (due->due <= now_) due->due = now_ + due->interval;
    dom::element owner = due->owner;
    uint64_t serial = due->serial;
    timer_params params;
    params.timer_id = due->id;
    element_node* n = owner.node();
    if (!n || !n->doc) {
      std::erase_if(timers_, [&](const timer& t) { return t.serial == serial; });
      continue;
    }
    bool keep;
    {
      document::event_scope scope(n->doc);
      keep = tree_ops::call_handlers(n, group::timer, &params);
    }
    if (!keep) std::erase_if(timers_, [&](const timer& t) { return t.serial == serial; });
  }
}

}  // namespace htmlayout
