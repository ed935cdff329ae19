#include "tests/e2e/x_test_client_x11.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>

int grab_copy_keys(const char* ready_path) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  KeyCode c = XKeysymToKeycode(display, XK_c);
  for (unsigned locks :
       {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)}) {
    XGrabKey(display, c, ControlMask | locks, DefaultRootWindow(display), False, GrabModeAsync,
             GrabModeAsync);
  }
  XSync(display, False);
  std::FILE* ready = std::fopen(ready_path, "w");
  if (!ready) return 1;
  std::fclose(ready);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
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

int close_window(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
