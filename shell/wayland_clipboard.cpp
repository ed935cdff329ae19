#include "shell/wayland_clipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <string_view>
#include <thread>
#include <vector>

#include "ext-data-control-v1-client-protocol.h"
#include "fml/app_errors.h"
#include "fml/message.h"
#include "shell/clipboard_reader.h"
#include "shell/double_selection_rule.h"
#include "shell/loop_errors.h"
#include "shell/text_to_capture.h"
#include "shell/wakeup_fd.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace pvl {

namespace {

using steady = std::chrono::steady_clock;

constexpr std::string_view kPasswordHint = "x-kde-passwordManagerHint";

// The text types, best first; the last is Latin-1.
constexpr std::string_view kTextTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING",
                                           "text/plain", "TEXT", "STRING"};

// The requests the watcher makes, the same in both protocols (their
// interfaces match message for message).
struct protocol_calls {
  const wl_interface* manager_interface;
  void* (*get_device)(void* manager, wl_seat* seat);
  void (*listen_device)(void* device, void* data);
  void (*receive)(void* offer, const char* mime_type, int fd);
  void (*destroy_offer)(void* offer);
  void (*destroy_device)(void* device);
  void (*destroy_manager)(void* manager);
};

}  // namespace

struct wayland_clipboard::watcher {
  explicit watcher(handlers on);
  ~watcher();

  void run();
  void on_offer_type(void* offer, const char* mime_type);
  void on_selection(void* offer);
  void forget_offer(void* offer);
  // Reads the offer's data of `mime_type` into `bytes`; false on failure.
  bool read_offer(void* offer, std::string_view mime_type, std::string* bytes);

  handlers on;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  void* ext_manager = nullptr;
  void* wlr_manager = nullptr;
  const protocol_calls* calls = nullptr;
  void* manager = nullptr;
  void* device = nullptr;
  std::map<void*, std::vector<std::string>> offer_types;
  void* selection = nullptr;
  bool first_selection_seen = false;
  steady::time_point events_read_at;
  double_selection_rule rule;

  std::atomic<bool> stopping{false};
  wakeup_fd wakeup;
  std::thread thread;
};

namespace {

using watcher_t = wayland_clipboard::watcher;

// The listeners of one protocol, as the scanner's structs want them.
template <typename Device, typename Offer, typename DeviceListener, typename OfferListener>
struct listeners {
  static void offer_type(void* data, Offer* offer, const char* mime_type) {
    static_cast<watcher_t*>(data)->on_offer_type(offer, mime_type);
  }
  static void data_offer(void* data, Device*, Offer* offer);
  static void selection(void* data, Device*, Offer* offer) {
    static_cast<watcher_t*>(data)->on_selection(offer);
  }
  static void finished(void*, Device*) {}
  static void primary_selection(void* data, Device*, Offer* offer) {
    // Not watched: the offer is only let go of.
    if (offer) static_cast<watcher_t*>(data)->forget_offer(offer);
  }
  static constexpr OfferListener offer_listener = {offer_type};
  static constexpr DeviceListener device_listener = {data_offer, selection, finished,
                                                     primary_selection};
};

template <typename Device, typename Offer, typename DeviceListener, typename OfferListener>
void listeners<Device, Offer, DeviceListener, OfferListener>::data_offer(void* data, Device*,
                                                                          Offer* offer) {
  wl_proxy_add_listener(reinterpret_cast<wl_proxy*>(offer),
                        reinterpret_cast<void (**)(void)>(const_cast<OfferListener*>(&offer_listener)),
                        data);
  static_cast<watcher_t*>(data)->offer_types[offer];
}

using ext_listeners = listeners<ext_data_control_device_v1, ext_data_control_offer_v1,
                                ext_data_control_device_v1_listener,
                                ext_data_control_offer_v1_listener>;
using wlr_listeners = listeners<zwlr_data_control_device_v1, zwlr_data_control_offer_v1,
                                zwlr_data_control_device_v1_listener,
                                zwlr_data_control_offer_v1_listener>;

const protocol_calls kExtCalls = {
    &ext_data_control_manager_v1_interface,
    [](void* manager, wl_seat* seat) -> void* {
      return ext_data_control_manager_v1_get_data_device(
          static_cast<ext_data_control_manager_v1*>(manager), seat);
    },
    [](void* device, void* data) {
      ext_data_control_device_v1_add_listener(static_cast<ext_data_control_device_v1*>(device),
                                              &ext_listeners::device_listener, data);
    },
    [](void* offer, const char* mime_type, int fd) {
      ext_data_control_offer_v1_receive(static_cast<ext_data_control_offer_v1*>(offer), mime_type,
                                        fd);
    },
    [](void* offer) {
      ext_data_control_offer_v1_destroy(static_cast<ext_data_control_offer_v1*>(offer));
    },
    [](void* device) {
      ext_data_control_device_v1_destroy(static_cast<ext_data_control_device_v1*>(device));
    },
    [](void* manager) {
      ext_data_control_manager_v1_destroy(static_cast<ext_data_control_manager_v1*>(manager));
    },
};

const protocol_calls kWlrCalls = {
    &zwlr_data_control_manager_v1_interface,
    [](void* manager, wl_seat* seat) -> void* {
      return zwlr_data_control_manager_v1_get_data_device(
          static_cast<zwlr_data_control_manager_v1*>(manager), seat);
    },
    [](void* device, void* data) {
      zwlr_data_control_device_v1_add_listener(static_cast<zwlr_data_control_device_v1*>(device),
                                               &wlr_listeners::device_listener, data);
    },
    [](void* offer, const char* mime_type, int fd) {
      zwlr_data_control_offer_v1_receive(static_cast<zwlr_data_control_offer_v1*>(offer),
                                         mime_type, fd);
    },
    [](void* offer) {
      zwlr_data_control_offer_v1_destroy(static_cast<zwlr_data_control_offer_v1*>(offer));
    },
    [](void* device) {
      zwlr_data_control_device_v1_destroy(static_cast<zwlr_data_control_device_v1*>(device));
    },
    [](void* manager) {
      zwlr_data_control_manager_v1_destroy(static_cast<zwlr_data_control_manager_v1*>(manager));
    },
};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t) {
  auto* self = static_cast<watcher_t*>(data);
  std::string_view which = interface;
  if (which == wl_seat_interface.name && !self->seat) {
    self->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (which == ext_data_control_manager_v1_interface.name && !self->ext_manager) {
    self->ext_manager = wl_registry_bind(registry, name, &ext_data_control_manager_v1_interface, 1);
  } else if (which == zwlr_data_control_manager_v1_interface.name && !self->wlr_manager) {
    self->wlr_manager =
        wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
  }
}

void on_global_remove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {on_global, on_global_remove};

// Waits for `fd` to be readable until `deadline`; false when it is not.
bool wait_readable(int fd, steady::time_point deadline) {
  for (;;) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady::now());
    if (left.count() <= 0) return false;
    pollfd entry{fd, POLLIN, 0};
    int ready = ::poll(&entry, 1, int(left.count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

}  // namespace

wayland_clipboard::watcher::watcher(handlers handlers_in) : on(std::move(handlers_in)) {
  display = wl_display_connect(nullptr);
  if (!display) {
    throw clipboard_error(fml::join_message("wl_display_connect: ",
                                            fml::system_error_text(errno)));
  }
  registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, this);
  wl_display_roundtrip(display);
  if (ext_manager) {
    calls = &kExtCalls;
    manager = ext_manager;
    if (wlr_manager) kWlrCalls.destroy_manager(wlr_manager);
  } else if (wlr_manager) {
    calls = &kWlrCalls;
    manager = wlr_manager;
  }
  if (!calls || !seat) return;
  device = calls->get_device(manager, seat);
  calls->listen_device(device, this);
  wl_display_flush(display);
  // An error on the thread ends the program like one on the GUI thread.
  thread = std::thread([this] { guarded([this] { run(); }); });
}

wayland_clipboard::watcher::~watcher() {
  for (auto& [offer, types] : offer_types) calls->destroy_offer(offer);
  if (device) calls->destroy_device(device);
  if (manager) calls->destroy_manager(manager);
  if (seat) wl_seat_destroy(seat);
  if (registry) wl_registry_destroy(registry);
  wl_display_disconnect(display);
}

void wayland_clipboard::watcher::run() {
  const int fd = wl_display_get_fd(display);
  while (!stopping) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeup.fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
      wl_display_cancel_read(display);
      break;
    }
    if (fds[0].revents & POLLIN) {
      wl_display_read_events(display);
      events_read_at = steady::now();
    } else {
      wl_display_cancel_read(display);
    }
    if (fds[1].revents) wakeup.drain();
    if (wl_display_dispatch_pending(display) < 0 || (fds[0].revents & (POLLERR | POLLHUP))) {
      on.note("The Wayland compositor closed the connection: copies are no longer watched");
      break;
    }
  }
}

void wayland_clipboard::watcher::on_offer_type(void* offer, const char* mime_type) {
  offer_types[offer].emplace_back(mime_type);
}

void wayland_clipboard::watcher::forget_offer(void* offer) {
  calls->destroy_offer(offer);
  offer_types.erase(offer);
}

void wayland_clipboard::watcher::on_selection(void* offer) {
  if (selection) forget_offer(selection);
  selection = offer;
  const int64_t time_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(events_read_at.time_since_epoch())
          .count();
  if (!first_selection_seen) {
    first_selection_seen = true;
    return;
  }
  std::string text;
  if (offer) {
    const std::vector<std::string>& types = offer_types[offer];
    auto offers = [&](std::string_view type) {
      for (const std::string& each : types) {
        if (each == type) return true;
      }
      return false;
    };
    std::string hint;
    if (offers(kPasswordHint) && read_offer(offer, kPasswordHint, &hint) &&
        hint.starts_with("secret")) {
      on.note(clipboard_reader::kSecretLine);
    } else {
      for (std::string_view type : kTextTypes) {
        if (!offers(type)) continue;
        std::string bytes;
        if (read_offer(offer, type, &bytes)) text = text_to_capture(bytes, type == "STRING");
        break;
      }
    }
  }
  if (rule.on_selection(time_ms, text)) on.double_copy(std::move(text));
}

bool wayland_clipboard::watcher::read_offer(void* offer, std::string_view mime_type,
                                            std::string* bytes) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
  calls->receive(offer, std::string(mime_type).c_str(), pipe_fds[1]);
  wl_display_flush(display);
  ::close(pipe_fds[1]);
  const steady::time_point deadline = steady::now() + kReadTimeout;
  bool whole = false;
  char buffer[65536];
  while (!stopping && wait_readable(pipe_fds[0], deadline)) {
    ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      whole = got == 0;
      break;
    }
    bytes->append(buffer, size_t(got));
  }
  ::close(pipe_fds[0]);
  if (!whole && !stopping) {
    on.note("The clipboard's owner did not hand over its text: nothing captured");
  }
  return whole;
}

wayland_clipboard::wayland_clipboard(handlers on)
    : watcher_(std::make_unique<watcher>(std::move(on))) {}

wayland_clipboard::~wayland_clipboard() {
  if (!watcher_->thread.joinable()) return;
  watcher_->stopping = true;
  if (watcher_->wakeup.notify()) {
    watcher_->thread.join();
  } else {
    // The thread cannot be woken: leave it its state until the process ends.
    watcher_->thread.detach();
    (void)watcher_.release();
  }
}

bool wayland_clipboard::watching() const { return watcher_->thread.joinable(); }

}  // namespace pvl
