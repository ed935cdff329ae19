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
bool handler_installed = false;

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

void on_connection_lost(Display*, void* lost) {
  static_cast<std::atomic<bool>*>(lost)->store(true);
}

}  // namespace

void watch_x_errors(Display* display, std::atomic<bool>* lost) {
  {
    std::lock_guard<std::mutex> lock(watched_mutex);
    watched.push_back({display, 0});
    if (!handler_installed) {
      previous_handler = XSetErrorHandler(on_x_error);
      handler_installed = true;
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
