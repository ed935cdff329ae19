#include "shell/key_observer.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <thread>

#include "fml/app_errors.h"
#include "fml/message.h"
#include "shell/double_copy_rule.h"
#include "shell/loop_errors.h"
#include "shell/wakeup_fd.h"
#include "shell/x_errors.h"

namespace pvl {

namespace {

using steady = std::chrono::steady_clock;

// The grab ends this much before the end of the 500 ms, so that a press it
// catches is a capturing press even when the clock estimate is a little off.
constexpr int32_t kGrabMarginMs = 20;

uint32_t local_ms(steady::time_point time) {
  return uint32_t(
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count());
}

}  // namespace

// A window's WM_CLASS: its instance and class names.
struct window_class {
  std::string instance, name;
};

struct key_observer::watcher {
  watcher(double_press_handler handler, skipped_handler skipped, capture_settings settings);
  ~watcher();

  void close_display();
  void select_raw_keys();
  void run();
  void handle(XEvent& event);
  void handle_raw_key(const XIRawEvent& raw, bool press);
  void handle_grabbed_key(XKeyEvent& key);
  void read_key_codes();
  void read_start_state();
  bool ctrl_down() const { return held_controls.any(); }
  bool shift_down() const { return held_shifts.any(); }
  // In a terminal, Ctrl+C (without Shift) is never grabbed.
  void set_grab(bool on, bool in_terminal = false);
  void forward(XKeyEvent key);
  window_class focused_window_class();

  // Maps a server time to the local steady clock, from the smallest
  // observed difference between the time an event was read and its server
  // time (which is the truest, as reading only adds delay).
  void note_clock(uint32_t server_time, steady::time_point read_at);
  steady::time_point local_time_of(uint32_t server_time) const;

  double_press_handler on_double_press;
  skipped_handler on_skipped;
  const capture_settings settings;
  Display* display = nullptr;
  Window root = 0;
  int xi_opcode = 0;
  std::atomic<bool> connection_lost{false};
  std::atomic<bool> stopping{false};
  wakeup_fd wakeup;
  std::thread thread;

  KeyCode c_key = 0;
  KeyCode insert_key = 0;
  std::bitset<256> control_keys;
  std::bitset<256> held_controls;
  std::bitset<256> shift_keys;
  std::bitset<256> held_shifts;
  unsigned numlock_mask = 0;

  double_copy_rule rule;
  bool grabbed = false;
  bool grabbed_in_terminal = false;
  KeyCode grabbed_keys[2] = {0, 0};
  steady::time_point ungrab_at;

  bool clock_known = false;
  int32_t clock_offset = 0;  // local ms minus server ms, modulo 2^32

  // The last copy key press seen raw, to tell whether the grab caught a
  // press that did not capture.
  uint32_t last_press_time = 0;
  KeyCode last_press_key = 0;
  bool last_press_captured = false;
  KeyCode forwarding_key = 0;
};

key_observer::watcher::watcher(double_press_handler handler, skipped_handler skipped,
                               capture_settings settings_in)
    : on_double_press(std::move(handler)),
      on_skipped(std::move(skipped)),
      settings(std::move(settings_in)) {
  display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = XDisplayName(nullptr);
    throw install_hook_error(
        fml::join_message("XOpenDisplay: cannot open the display \"", name ? name : "", "\""));
  }
  try {
    watch_x_errors(display, &connection_lost);
    select_raw_keys();
    read_key_codes();
    read_start_state();
    XSync(display, False);
    if (int error = take_x_error(display)) {
      throw install_hook_error(
          fml::join_message("XISelectEvents: X error ", std::to_string(error)));
    }
    // An error on the thread ends the program like one on the GUI thread.
    thread = std::thread([this] { guarded([this] { run(); }); });
  } catch (...) {
    close_display();
    throw;
  }
}

key_observer::watcher::~watcher() { close_display(); }

void key_observer::watcher::close_display() {
  if (!display) return;
  unwatch_x_errors(display);
  XCloseDisplay(display);
  display = nullptr;
}

void key_observer::watcher::select_raw_keys() {
  root = DefaultRootWindow(display);
  int event_base, error_base;
  int major = 2, minor = 2;
  if (!XQueryExtension(display, "XInputExtension", &xi_opcode, &event_base, &error_base) ||
      XIQueryVersion(display, &major, &minor) != Success || major < 2) {
    throw install_hook_error("XIQueryVersion: the X server has no XInput 2");
  }
  unsigned char mask_bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(mask_bits, XI_RawKeyPress);
  XISetMask(mask_bits, XI_RawKeyRelease);
  XIEventMask mask;
  mask.deviceid = XIAllMasterDevices;
  mask.mask_len = sizeof mask_bits;
  mask.mask = mask_bits;
  XISelectEvents(display, root, &mask, 1);
}

void key_observer::watcher::read_key_codes() {
  c_key = XKeysymToKeycode(display, XK_c);
  insert_key = XKeysymToKeycode(display, XK_Insert);
  control_keys.reset();
  shift_keys.reset();
  if (XModifierKeymap* modifiers = XGetModifierMapping(display)) {
    for (int i = 0; i < modifiers->max_keypermod; ++i) {
      KeyCode control = modifiers->modifiermap[ControlMapIndex * modifiers->max_keypermod + i];
      if (control) control_keys.set(control);
      KeyCode shift = modifiers->modifiermap[ShiftMapIndex * modifiers->max_keypermod + i];
      if (shift) shift_keys.set(shift);
    }
    XFreeModifiermap(modifiers);
  }
  held_controls &= control_keys;
  held_shifts &= shift_keys;
  numlock_mask = XkbKeysymToModifiers(display, XK_Num_Lock);
}

void key_observer::watcher::read_start_state() {
  // Ctrl or Shift may be held already; find which of their keys are down.
  XkbStateRec state;
  if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return;
  if (!(state.mods & (ControlMask | ShiftMask))) return;
  char keys[32];
  XQueryKeymap(display, keys);
  for (int code = 0; code < 256; ++code) {
    if (!(keys[code / 8] & (1 << (code % 8)))) continue;
    if (control_keys.test(code) && (state.mods & ControlMask)) held_controls.set(code);
    if (shift_keys.test(code) && (state.mods & ShiftMask)) held_shifts.set(code);
  }
}

void key_observer::watcher::run() {
  const int x_fd = ConnectionNumber(display);
  while (!stopping && !connection_lost) {
    while (!stopping && !connection_lost && XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      handle(event);
    }
    if (grabbed && steady::now() >= ungrab_at) set_grab(false);
    if (stopping || connection_lost) break;
    int timeout = -1;
    if (grabbed) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ungrab_at - steady::now());
      timeout = int(std::max<int64_t>(left.count(), 0));
    }
    pollfd fds[2] = {{x_fd, POLLIN, 0}, {wakeup.fd(), POLLIN, 0}};
    if (::poll(fds, 2, timeout) < 0 && errno != EINTR) break;
    if (fds[1].revents) wakeup.drain();
  }
  if (grabbed && !connection_lost) set_grab(false);
}

void key_observer::watcher::handle(XEvent& event) {
  switch (event.type) {
    case MappingNotify:
      XRefreshKeyboardMapping(&event.xmapping);
      if (grabbed) set_grab(false);
      read_key_codes();
      return;
    case KeyPress:
    case KeyRelease:
      handle_grabbed_key(event.xkey);
      return;
    case GenericEvent:
      break;
    default:
      return;
  }
  if (event.xcookie.extension != xi_opcode || !XGetEventData(display, &event.xcookie)) return;
  int type = event.xcookie.evtype;
  if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
    const auto& raw = *static_cast<const XIRawEvent*>(event.xcookie.data);
    note_clock(uint32_t(raw.time), steady::now());
    handle_raw_key(raw, type == XI_RawKeyPress);
  }
  XFreeEventData(display, &event.xcookie);
}

void key_observer::watcher::handle_raw_key(const XIRawEvent& raw, bool press) {
  if (raw.detail < 0 || raw.detail > 255) return;
  KeyCode code = KeyCode(raw.detail);
  if (control_keys.test(code)) {
    held_controls.set(code, press);
    return;
  }
  if (shift_keys.test(code)) {
    held_shifts.set(code, press);
    return;
  }
  if (!press || code == 0 || (code != c_key && code != insert_key)) return;
  if (!ctrl_down()) return;  // no copy press: never grabbed, nothing to note
  uint32_t time = uint32_t(raw.time);
  window_class focused = focused_window_class();
  window_kind kind = kind_of_window(settings, focused.instance, focused.name);
  double_copy_rule::press copy{time,
                               code == c_key ? double_copy_rule::copy_key::c
                                             : double_copy_rule::copy_key::insert,
                               true, shift_down(), kind == window_kind::terminal};
  // Ctrl+C in a terminal is its interrupt: left alone entirely.
  if (!double_copy_rule::is_copy_press(copy)) return;
  auto verdict = rule.on_copy_key(copy);
  if (kind == window_kind::never_captured) {
    last_press_captured = false;
    if (verdict == double_copy_rule::verdict::capture) {
      on_skipped(focused.instance.empty() ? focused.name : focused.instance);
    }
    return;
  }
  last_press_time = time;
  last_press_key = code;
  last_press_captured = verdict == double_copy_rule::verdict::capture;
  if (last_press_captured) {
    on_double_press(*rule.remembered_time(), time);
    return;
  }
  steady::time_point end =
      local_time_of(time) + std::chrono::milliseconds(double_copy_rule::kWindowMs - kGrabMarginMs);
  if (end <= steady::now()) return;
  ungrab_at = end;
  if (!grabbed) set_grab(true, copy.in_terminal);
}

void key_observer::watcher::handle_grabbed_key(XKeyEvent& key) {
  // The grab hands us the core events of the press it caught. Raw events
  // come first, so the rule has judged this press already.
  if (key.type == KeyPress) {
    bool captured =
        last_press_captured && key.time == last_press_time && key.keycode == last_press_key;
    forwarding_key = captured ? 0 : KeyCode(key.keycode);
    if (!captured) forward(key);
  } else if (forwarding_key && key.keycode == forwarding_key) {
    forward(key);
    forwarding_key = 0;
  }
}

void key_observer::watcher::forward(XKeyEvent key) {
  Window focus;
  int revert;
  XGetInputFocus(display, &focus, &revert);
  if (focus == None || focus == PointerRoot) return;
  key.window = focus;
  key.subwindow = None;
  XEvent event;
  event.xkey = key;
  XSendEvent(display, focus, True, key.type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
  XFlush(display);
}

window_class key_observer::watcher::focused_window_class() {
  window_class found;
  Window window;
  int revert;
  XGetInputFocus(display, &window, &revert);
  // The focus may be on a child of the program's top-level window.
  for (int depth = 0; depth < 32 && window != None && window != PointerRoot && window != root;
       ++depth) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
      if (hint.res_name) found.instance = hint.res_name;
      if (hint.res_class) found.name = hint.res_class;
      XFree(hint.res_name);
      XFree(hint.res_class);
      break;
    }
    Window window_root, parent;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &window_root, &parent, &children, &count)) break;
    if (children) XFree(children);
    window = parent;
  }
  take_x_error(display);  // a window that went away meanwhile
  return found;
}

void key_observer::watcher::set_grab(bool on, bool in_terminal) {
  const unsigned lock_variants[] = {0, LockMask, numlock_mask, LockMask | numlock_mask};
  if (on) {
    grabbed_keys[0] = c_key;
    grabbed_keys[1] = insert_key;
    grabbed_in_terminal = in_terminal;
  }
  for (KeyCode code : grabbed_keys) {
    if (!code) continue;
    for (unsigned shift : {0u, unsigned(ShiftMask)}) {
      if (code == c_key && !shift && grabbed_in_terminal) continue;
      for (unsigned variant : lock_variants) {
        unsigned modifiers = ControlMask | shift | variant;
        if (on) {
          XGrabKey(display, code, modifiers, root, False, GrabModeAsync, GrabModeAsync);
        } else {
          XUngrabKey(display, code, modifiers, root);
        }
      }
    }
  }
  XSync(display, False);
  if (on && take_x_error(display)) {
    // Another client holds one of the keys (BadAccess): give back what we
    // got and let this double press reach the focused program.
    grabbed = true;
    set_grab(false, grabbed_in_terminal);
    take_x_error(display);
    return;
  }
  grabbed = on;
}

void key_observer::watcher::note_clock(uint32_t server_time, steady::time_point read_at) {
  int32_t offset = int32_t(local_ms(read_at) - server_time);
  // The estimate may creep up by a millisecond per event, to follow a
  // server clock that runs slower than ours.
  clock_offset = clock_known ? std::min(offset, clock_offset + 1) : offset;
  clock_known = true;
}

steady::time_point key_observer::watcher::local_time_of(uint32_t server_time) const {
  steady::time_point now = steady::now();
  int32_t ago = int32_t(local_ms(now) - (server_time + uint32_t(clock_offset)));
  return now - std::chrono::milliseconds(ago);
}

key_observer::key_observer(double_press_handler on_double_press, skipped_handler on_skipped,
                           capture_settings settings)
    : watcher_(std::make_unique<watcher>(std::move(on_double_press), std::move(on_skipped),
                                         std::move(settings))) {}

key_observer::~key_observer() {
  try {
    remove();
  } catch (const std::exception&) {
    // The thread cannot be woken: leave it and its state to the end of the
    // process rather than free what it uses.
    watcher_->thread.detach();
    (void)watcher_.release();
  }
}

void key_observer::remove() {
  if (!watcher_) return;
  watcher_->stopping = true;
  if (!watcher_->wakeup.notify()) {
    throw remove_hook_error(fml::join_message("eventfd write: ", fml::system_error_text(errno)));
  }
  watcher_->thread.join();
  watcher_.reset();
}

}  // namespace pvl
