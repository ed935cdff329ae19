// The timers of a document's elements, driven by a clock that the host
// advances (milliseconds of a monotonic clock; the Qt host advances it from
// its event loop, tests by hand). An element may have several timers, told
// apart by an id; setting one again restarts it. When a timer is due, the
// element's handlers subscribed to the timer group are called; it keeps
// ticking while one of them answers true and stops otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "htmlayout/dom/element.h"

namespace htmlayout {

class timer_queue {
 public:
  // Starts or restarts timer `id` of `e`: first due `milliseconds` after the
  // current clock, then every `milliseconds`. 0 stops it.
  void set(const dom::element& e, uint32_t milliseconds, uintptr_t id = 0);
  // Advances the clock to `now` (an earlier time is ignored) and fires the
  // due timers in the order they fall due. A timer that has fallen behind
  // fires once and is next due one interval from `now`. Timers of elements
  // that are no longer in a document are dropped. A handler's exception
  // passes out; the timer then stays set.
  void advance(uint64_t now);
  // When the next timer falls due; nullopt without timers.
  std::optional<uint64_t> next_due() const;
  uint64_t now() const { return now_; }
  // Stops every timer.
  void clear() { timers_.clear(); }

 private:
  struct timer {
    dom::element owner;
    uintptr_t id;
    uint32_t interval;
    uint64_t due;
    uint64_t serial;  // tells a restarted timer from the one that fired
  };

  std::vector<timer> timers_;
  uint64_t now_ = 0;
  uint64_t next_serial_ = 0;
};

}  // namespace htmlayout
