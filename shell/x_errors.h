// Xlib reports protocol errors through one process-wide handler, whose
// default ends the process, and a lost connection through a process-wide
// handler (Qt installs one that prints a warning) followed by one per
// display that calls exit(). The program's own X connections (the key
// observer's and the clipboard reader's) register here: their protocol
// errors are recorded for the code that made the request to read after
// XSync, and a lost connection only sets a flag, on the thread that uses the
// connection: it neither ends the process nor reaches the handlers of
// others. Errors on other connections (Qt's) go on to the handlers that were
// installed before.
#pragma once

#include <X11/Xlib.h>

#include <atomic>

namespace pvl {

// Starts recording the errors of `display`; `lost` is set when its
// connection breaks. Both must outlive the registration.
void watch_x_errors(Display* display, std::atomic<bool>* lost);

// Stops recording; call before closing the display.
void unwatch_x_errors(Display* display);

// The error code of the last error recorded on `display` since the last
// call (BadAccess, BadWindow, ...), or 0 when there was none.
int take_x_error(Display* display);

}  // namespace pvl
