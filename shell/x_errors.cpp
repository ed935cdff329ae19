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

std::mutex g_watched_mutex;
std::vector<watched_display> g_watched;
XErrorHandler g_previous_handler = nullptr;
XIOErrorHandler g_previous_io_handler = nullptr;
bool g_handlers_installed = false;

bool is_watched(Display* display) {
  return std::any_of(g_watched.begin(), g_watched.end(),
                     [display](const watched_display& entry) { return entry.display == display; });
}

int on_x_error(Display* display, XErrorEvent* error) {
  {
    std::lock_guard<std::mutex> lock(g_watched_mutex);
    for (watched_display& entry : g_watched) {
      if (entry.display == display) {
        entry.last_error = error->error_code;
        return 0;
      }
    }
  }
  return g_previous_handler ? g_previous_handler(display, error) : 0;
}

// Runs first when a connection breaks, on the thread that noticed it; the
// display's own exit handler follows.
int on_connection_broken(Display* display) {
  {
    std::lock_guard<std::mutex> lock(g_watched_mutex);
    if (is_watched(display)) return 0;
  }
  return g_previous_io_handler ? g_previous_io_handler(display) : 0;
}

void on_connection_lost(Display*, void* lost) {
  static_cast<std::atomic<bool>*>(lost)->store(true);
}

}  // namespace

void watch_x_errors(Display* display, std::atomic<bool>* lost) {
  {
    std::lock_guard<std::mutex> lock(g_watched_mutex);
    g_watched.push_back({display, 0});
    if (!g_handlers_installed) {
      g_previous_handler = XSetErrorHandler(on_x_error);
      g_previous_io_handler = XSetIOErrorHandler(on_connection_broken);
      g_handlers_installed = true;
    }
  }
  XSetIOErrorExitHandler(display, on_connection_lost, lost);
}

void unwatch_x_errors(Display* display) {
  std::lock_guard<std::mutex> lock(g_watched_mutex);
  std::erase_if(g_watched,
                [display](const watched_display& entry) { return entry.display == display; });
}

int take_x_error(Display* display) {
  std::lock_guard<std::mutex> lock(g_watched_mutex);
  for (watched_display& entry : g_watched) {
    if (entry.display == display) return std::exchange(entry.last_error, 0);
  }
  return 0;
}

}  // namespace pvl
