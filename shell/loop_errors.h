// Keeps exceptions from unwinding through Qt's event loop. Every place where
// Qt calls into the program (slots, event handlers, timers, socket and
// signal notifiers, queued calls) runs its body through `guarded`: an
// exception is caught there, kept, and the event loop is asked to end; the
// code that ran the loop then calls `rethrow_loop_error`, so the error
// reaches the program's outermost handlers as if nothing had been between.
#pragma once

#include <exception>

namespace pvl {

// Keeps `error` (only the first one counts until it is rethrown) and asks
// every running event loop of the GUI thread to end. Safe from any thread.
void keep_loop_error(std::exception_ptr error) noexcept;

// Rethrows the kept error, if any, and forgets it. Call after exec().
void rethrow_loop_error();

// Runs `body`; an exception it raises goes to keep_loop_error.
template <typename Body>
void guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    keep_loop_error(std::current_exception());
  }
}

}  // namespace pvl
