#include "shell/x_errors.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace pvl {

namespace {

struct watched_display {
  Display* display;
  int last_error;
};

std::mutex watched_mutex;
std::vector<watched_display> watched;
XErrorHandler previous_handler = nullptr;
XIOErrorHandler previous_io_handler = nullptr;
bool handlers_installed = false;

bool is_watched(Display* display) {
  return std::any_of(watched.begin(), watched.end(),
                     [display](const watched_display& entry) { return entry.display == display; });
}

int on_x_error(Display* display, XErrorEvent* error) {
  {
    std::lock_guard<std::mutex> lock(watched_mutex);
    for (watched_display& entry : watched) {
      if (entry.display == display) {
        entry.last_error = error->error_code;
        return 0;
      }
    }
  }
  return previous_handler ? previous_handler(display, error) : 0;
}

// Runs first when a connection breaks, on the thread that noticed it; the
// display's own exit handler follows.
int on_connection_broken(Display* display) {
  {
    std::lock_guard<std::mutex> lock(watched_mutex);
    if (is_watched(display)) return 0;
  }
  return previous_io_handler ? previous_io_handler(display) : 0;
}

void on_connection_lost(Display*, void* lost) {
  static_cast<std::atomic<bool>*>(lost)->store(true);
}

}  // namespace

void watch_x_errors(Display* display, std::atomic<bool>* lost) {
  {
    std::lock_guard<std::mutex> lock(watched_mutex);
    watched.push_back({display, 0});
    if (!handlers_installed) {
      previous_handler = XSetErrorHandler(on_x_error);
      previous_io_handler = XSetIOErrorHandler(on_connection_broken);
      handlers_installed = true;
    }
  }
  XSetIOErrorExitHandler(display, on_connection_lost, lost);
}

void unwatch_x_errors(Display* display) {
  std::lock_guard<std::mutex> lock(watched_mutex);
  std::erase_if(watched,
                [display](const watched_display& entry) { return entry.display == display; });
}

int take_x_error(Display* display) {
  std::lock_guard<std::mutex> lock(watched_mutex);
  for (watched_display& entry : watched) {
    if (entry.display == display) return std::exchange(entry.last_error, 0);
  }
  return 0;
}

}  // namespace pvl
