#include "tests/e2e/x_test_client_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <thread>

int grab_copy_keys(const char* ready_path) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)}) {
    XGrabKey(display, XKeysymToKeycode(display, XK_c), ControlMask | locks, DefaultRootWindow(display),
             False, GrabModeAsync, GrabModeAsync);
  }
  XSync(display, False);
  if (!std::ofstream(ready_path)) return 1;
  for (XEvent event;;) XNextEvent(display, &event);
}

int own_text_slowly(const char* path, int piece_delay_ms) {
  using steady = std::chrono::steady_clock;
  constexpr size_t kPiece = 64 * 1024;
  std::ifstream in(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  Atom targets = XInternAtom(display, "TARGETS", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom incr = XInternAtom(display, "INCR", False);
  Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, clipboard, owner, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != owner) return 1;

  struct transfer {
    Window requestor;
    Atom property;
    size_t sent = 0;
    bool asked = false, done = false;  // asked: the last piece was taken, the next is due
    steady::time_point due{};
  };
  std::vector<transfer> transfers;
  const int fd = ConnectionNumber(display);
  for (;;) {
    auto now = steady::now();
    for (transfer& each : transfers) {
      if (!each.asked || now < each.due) continue;
      size_t size = std::min(kPiece, text.size() - each.sent);
      XChangeProperty(display, each.requestor, each.property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data() + each.sent), int(size));
      each.sent += size;
      each.asked = false;
      each.done = size == 0;  // the empty piece ends the transfer
    }
    std::erase_if(transfers, [](const transfer& each) { return each.done; });
    XFlush(display);
    // Waits for the next event, or a few milliseconds while a piece is due.
    bool due = std::any_of(transfers.begin(), transfers.end(), [](const transfer& t) { return t.asked; });
    pollfd entry{fd, POLLIN, 0};
    if (!XPending(display)) ::poll(&entry, 1, due ? 2 : -1);
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
        for (transfer& each : transfers) {
          if (each.requestor == event.xproperty.window && each.property == event.xproperty.atom) {
            each.asked = true;
            each.due = steady::now() + std::chrono::milliseconds(piece_delay_ms);
          }
        }
      }
      if (event.type != SelectionRequest) continue;
      const XSelectionRequestEvent& request = event.xselectionrequest;
      XSelectionEvent answer{};
      answer.type = SelectionNotify;
      answer.requestor = request.requestor;
      answer.selection = request.selection;
      answer.target = request.target;
      answer.time = request.time;
      answer.property = request.property ? request.property : request.target;
      if (request.target == targets) {
        Atom offered[] = {targets, utf8};
        XChangeProperty(display, request.requestor, answer.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(offered), 2);
      } else if (request.target == utf8) {
        XSelectInput(display, request.requestor, PropertyChangeMask);
        long length = long(text.size());
        XChangeProperty(display, request.requestor, answer.property, incr, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&length), 1);
        transfers.push_back({request.requestor, answer.property});
      } else {
        answer.property = None;
      }
      XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&answer));
    }
  }
}

int remap_c() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  int min_code, max_code, per_code;
  XDisplayKeycodes(display, &min_code, &max_code);
  KeySym* map = XGetKeyboardMapping(display, min_code, max_code - min_code + 1, &per_code);
  KeyCode old_code = XKeysymToKeycode(display, XK_c);
  int free_code = 0;
  for (int code = max_code; code >= min_code && !free_code; --code) {
    bool empty = true;
    for (int i = 0; i < per_code; ++i) empty &= map[(code - min_code) * per_code + i] == NoSymbol;
    if (empty) free_code = code;
  }
  XFree(map);
  if (!free_code) return 1;
  KeySym c_syms[2] = {XK_c, XK_C};
  XChangeKeyboardMapping(display, free_code, 2, c_syms, 1);
  KeySym none[2] = {NoSymbol, NoSymbol};
  XChangeKeyboardMapping(display, old_code, 2, none, 1);
  XSync(display, False);
  std::printf("%d %d\n", old_code, free_code);
  XCloseDisplay(display);
  return 0;
}

namespace {

// True when another client holds Ctrl+Shift+Insert (with Caps Lock) grabbed, as the program does
// between two copy presses; asked for and given back in one go, so that it never refuses theirs.
bool copy_keys_grabbed(Display* display) {
  static bool refused;
  refused = false;
  XErrorHandler before = XSetErrorHandler([](Display*, XErrorEvent* error) {
    refused |= error->error_code == BadAccess;
    return 0;
  });
  KeyCode insert = XKeysymToKeycode(display, XK_Insert);
  unsigned modifiers = ControlMask | ShiftMask | LockMask;
  XGrabKey(display, insert, modifiers, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
  XUngrabKey(display, insert, modifiers, DefaultRootWindow(display));
  XSync(display, False);
  XSetErrorHandler(before);
  return refused;
}

void send_close(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
}

}  // namespace

int type_keys(const std::vector<std::string>& words) {
  Display* display = XOpenDisplay(nullptr);
  int event_base, error_base, major, minor;
  if (!display || !XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) return 1;
  struct step {
    std::vector<KeyCode> chord{};
    std::chrono::microseconds pause{0};
    Window close = 0;
    bool wait_unmap = false;
    pid_t stop = 0;
  };
  std::vector<step> steps;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const char* argument = i + 1 < words.size() ? words[i + 1].c_str() : nullptr;
    if (word == "key") continue;
    if ((word == "hide" || word == "close") && argument) {
      steps.push_back({.close = std::strtoul(argument, nullptr, 0), .wait_unmap = word == "hide"});
      XSelectInput(display, steps.back().close, StructureNotifyMask);
    } else if (word == "stop-when-grabbed" && argument) {
      steps.push_back({.stop = pid_t(std::atoi(argument))});
    } else if (word == "sleep" && argument) {
      steps.push_back({.pause = std::chrono::microseconds(long(std::strtod(argument, nullptr) * 1e6))});
    } else {
      steps.emplace_back();
      for (size_t start = 0; start <= word.size();) {
        size_t end = std::min(word.find('+', start), word.size());
        std::string name = word.substr(start, end - start);
        name = name == "ctrl" ? "Control_L" : name == "shift" ? "Shift_L" : name;
        KeySym sym = XStringToKeysym(name.c_str());
        KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
        if (!code) {
          std::fprintf(stderr, "no key for \"%s\"\n", name.c_str());
          return 1;
        }
        steps.back().chord.push_back(code);
        start = end + 1;
      }
      continue;
    }
    ++i;
  }
  for (const step& each : steps) {
    if (each.stop) {
      while (!copy_keys_grabbed(display)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ::kill(each.stop, SIGSTOP);
    } else if (each.close) {
      send_close(display, each.close);
      XEvent event{};
      while (each.wait_unmap && event.type != UnmapNotify && event.type != DestroyNotify)
        XWindowEvent(display, each.close, StructureNotifyMask, &event);
    } else if (each.chord.empty()) {
      std::this_thread::sleep_for(each.pause);
    } else {
      for (KeyCode code : each.chord) XTestFakeKeyEvent(display, code, True, CurrentTime);
      for (auto code = each.chord.rbegin(); code != each.chord.rend(); ++code)
        XTestFakeKeyEvent(display, *code, False, CurrentTime);
      XFlush(display);
    }
  }
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
