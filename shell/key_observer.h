// Sees every key press on the X display, whichever program has the focus,
// and reports a double copy press (double_copy_rule) to the program. It
// reads XInput 2 raw key events on an X connection and a thread of its own,
// so that a busy window never delays or loses a press, and times presses by
// the X server's clock. Raw events carry no modifier state: Ctrl is tracked
// from the presses and releases of the keys that the modifier map binds to
// Control, starting from the server's state when the observer starts.
//
// After a copy press that may be a first press, the observer grabs the copy
// keys (Ctrl+C, Ctrl+Shift+C, Ctrl+Insert; in a terminal not Ctrl+C, its
// interrupt) on the root window for the rest of the 500 ms, so that a
// second press within them goes to the observer and never reaches the
// focused program. The grab is asynchronous: the keyboard is never frozen,
// even when this process hangs. When another client holds those keys, or
// the grab comes too late, the second press simply also reaches the focused
// program (which copies once more); a press that the grab caught but that
// did not capture is sent on to the focused window.
//
// At each Ctrl+C or Ctrl+Insert the observer reads the class of the focused
// window (WM_CLASS, from the focus window or its nearest ancestor that has
// one), which tells terminals (capture_settings.h) and programs that the
// settings never capture from: a double press there is neither grabbed nor
// captured, only reported.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/capture_settings.h"

namespace pvl {

class key_observer {
 public:
  // Called on the observer's thread for each capturing press, as soon as it
  // is seen, with the server times of the first press of the double press
  // and of the capturing press itself.
  using double_press_handler = std::function<void(uint32_t first_press_time, uint32_t press_time)>;
  // Called on the observer's thread for a double press in a program never
  // captured from, with that program's window class.
  using skipped_handler = std::function<void(const std::string& window_class)>;

  // Opens its own connection to the display named by $DISPLAY and starts
  // watching. Raises install_hook_error when the display cannot be opened
  // or has no XInput 2.
  key_observer(double_press_handler on_double_press, skipped_handler on_skipped,
               capture_settings settings);

  // Removes the observer if remove() was not called; never raises.
  ~key_observer();

  key_observer(const key_observer&) = delete;
  key_observer& operator=(const key_observer&) = delete;

  // Stops watching: ends the thread, releases the keys if grabbed and
  // closes the connection. Raises remove_hook_error when the thread cannot
  // be told to stop. A second call does nothing.
  void remove();

 private:
  struct watcher;
  std::unique_ptr<watcher> watcher_;
};

}  // namespace pvl
