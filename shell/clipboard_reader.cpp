#include "shell/clipboard_reader.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "fml/app_errors.h"
#include "fml/message.h"
#include "shell/loop_errors.h"
#include "shell/text_to_capture.h"
#include "shell/wakeup_fd.h"
#include "shell/x_errors.h"

namespace pvl {

namespace {

using steady = std::chrono::steady_clock;

// A whole transfer, however promptly its pieces come, ends after this.
constexpr std::chrono::seconds kTransferLimit{5};

// How a wait, a try or a step of one ended.
enum class outcome { got, no_text, timed_out, stopping };

}  // namespace

struct clipboard_reader::worker {
  explicit worker(handlers on);
  ~worker();

  void close_display();
  void run();
  void serve(uint32_t copy_press_time);
  bool is_text_type(Atom type) const {
    return type == utf8_string || type == XA_STRING || type == text || type == text_plain_utf8;
  }
  bool owner_changed_since(uint32_t time) const {
    return last_owner_change && int32_t(*last_owner_change - time) >= 0;
  }
  outcome read_once(std::wstring* text);
  outcome convert(Atom target, std::string* bytes, Atom* type);
  outcome receive_pieces(std::string* bytes, Atom* type, steady::time_point transfer_end);
  // Reads and deletes the property; false when it does not exist.
  bool take_property(std::string* bytes, Atom* type);
  // Handles events until `accept` takes one or `deadline` passes.
  template <typename Accept>
  outcome wait_for(Accept accept, steady::time_point deadline);
  bool pause(std::chrono::milliseconds duration);
  void note(const XEvent& event);

  handlers on;
  Display* display = nullptr;
  Window window = 0;
  Atom clipboard = 0, utf8_string = 0, text = 0, text_plain_utf8 = 0, incr = 0, property = 0;
  int xfixes_event_base = 0;
  std::optional<uint32_t> last_owner_change;

  std::atomic<bool> connection_lost{false};
  std::atomic<bool> stopping{false};
  std::mutex requests_mutex;
  std::deque<uint32_t> requests;
  wakeup_fd wakeup;
  std::thread thread;
};

clipboard_reader::worker::worker(handlers handlers_in) : on(std::move(handlers_in)) {
  display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = XDisplayName(nullptr);
    throw clipboard_error(
        fml::join_message("XOpenDisplay: cannot open the display \"", name ? name : "", "\""));
  }
  try {
    watch_x_errors(display, &connection_lost);
    clipboard = XInternAtom(display, "CLIPBOARD", False);
    utf8_string = XInternAtom(display, "UTF8_STRING", False);
    text = XInternAtom(display, "TEXT", False);
    text_plain_utf8 = XInternAtom(display, "text/plain;charset=utf-8", False);
    incr = XInternAtom(display, "INCR", False);
    property = XInternAtom(display, "PARVELA_CLIPBOARD", False);
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, InputOnly,
                           CopyFromParent, CWEventMask, &attributes);
    int error_base;
    if (XFixesQueryExtension(display, &xfixes_event_base, &error_base)) {
      XFixesSelectSelectionInput(display, window, clipboard, XFixesSetSelectionOwnerNotifyMask);
    }
    XSync(display, False);
    if (int error = take_x_error(display)) {
      throw clipboard_error(fml::join_message("XCreateWindow: X error ", std::to_string(error)));
    }
    // An error on the thread ends the program like one on the GUI thread.
    thread = std::thread([this] { guarded([this] { run(); }); });
  } catch (...) {
    close_display();
    throw;
  }
}

clipboard_reader::worker::~worker() { close_display(); }

void clipboard_reader::worker::close_display() {
  if (!display) return;
  unwatch_x_errors(display);
  XCloseDisplay(display);
  display = nullptr;
}

void clipboard_reader::worker::run() {
  const int x_fd = ConnectionNumber(display);
  while (!stopping && !connection_lost) {
    // Keep up with the owner changes while there is nothing to read.
    while (!stopping && !connection_lost && XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      note(event);
    }
    std::optional<uint32_t> request;
    {
      std::lock_guard<std::mutex> lock(requests_mutex);
      if (!requests.empty()) {
        request = requests.front();
        requests.pop_front();
      }
    }
    if (request) {
      serve(*request);
      continue;
    }
    pollfd fds[2] = {{x_fd, POLLIN, 0}, {wakeup.fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (fds[1].revents) wakeup.drain();
  }
}

void clipboard_reader::worker::note(const XEvent& event) {
  if (xfixes_event_base && event.type == xfixes_event_base + XFixesSelectionNotify) {
    const auto& change = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
    if (change.selection == clipboard) last_owner_change = uint32_t(change.timestamp);
  }
}

template <typename Accept>
outcome clipboard_reader::worker::wait_for(Accept accept, steady::time_point deadline) {
  const int x_fd = ConnectionNumber(display);
  for (;;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      note(event);
      if (accept(event)) return outcome::got;
    }
    if (stopping || connection_lost) return outcome::stopping;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady::now());
    if (left.count() <= 0) return outcome::timed_out;
    pollfd fds[2] = {{x_fd, POLLIN, 0}, {wakeup.fd(), POLLIN, 0}};
    if (::poll(fds, 2, int(std::min<int64_t>(left.count(), 60000))) < 0 && errno != EINTR) {
      return outcome::stopping;
    }
    // A new request only waits in the queue; stopping is seen above.
    if (fds[1].revents) wakeup.drain();
  }
}

bool clipboard_reader::worker::pause(std::chrono::milliseconds duration) {
  return wait_for([](const XEvent&) { return false; }, steady::now() + duration) !=
         outcome::stopping;
}

void clipboard_reader::worker::serve(uint32_t copy_press_time) {
  // Everything the server did before now is in our queue after a round trip.
  XSync(display, False);
  if (!owner_changed_since(copy_press_time)) {
    auto changed = [&](const XEvent&) { return owner_changed_since(copy_press_time); };
    if (wait_for(changed, steady::now() + kWaitForCopy) == outcome::stopping) return;
  }
  for (int attempt = 0; attempt < kTries; ++attempt) {
    std::wstring text;
    switch (read_once(&text)) {
      case outcome::got:
        if (text.empty()) {
          on.nothing_read("Clipboard text is empty or blank: nothing captured");
        } else {
          on.text_read(std::move(text));
        }
        return;
      case outcome::no_text:
      case outcome::stopping:
        return;
      case outcome::timed_out:
        on.failed_try();
        if (!pause(kPauseAfterFailedTry)) return;
        break;
    }
  }
}

outcome clipboard_reader::worker::read_once(std::wstring* text) {
  for (Atom target : {utf8_string, Atom(XA_STRING)}) {
    std::string bytes;
    Atom type = 0;
    outcome result = convert(target, &bytes, &type);
    // Refused, or answered with something that is not text (some owners
    // send their one format whatever is asked): try the next form.
    if (result == outcome::no_text || (result == outcome::got && !is_text_type(type))) continue;
    if (result == outcome::got) *text = text_to_capture(bytes, type == XA_STRING);
    return result;
  }
  return outcome::no_text;
}

outcome clipboard_reader::worker::convert(Atom target, std::string* bytes, Atom* type) {
  XConvertSelection(display, clipboard, target, property, window, CurrentTime);
  steady::time_point transfer_end = steady::now() + kTransferLimit;
  for (;;) {
    XEvent answer;
    auto answered = [&](const XEvent& event) {
      if (event.type != SelectionNotify || event.xselection.selection != clipboard ||
          event.xselection.target != target) {
        return false;
      }
      answer = event;
      return true;
    };
    outcome waited = wait_for(answered, steady::now() + kTryTimeout);
    if (waited != outcome::got) return waited;
    if (answer.xselection.property == None) return outcome::no_text;
    // An answer to an earlier, timed-out try may find the property already
    // taken; the answer to this one is still to come.
    if (!take_property(bytes, type)) continue;
    if (*type != incr) return outcome::got;
    bytes->clear();
    return receive_pieces(bytes, type, transfer_end);
  }
}

outcome clipboard_reader::worker::receive_pieces(std::string* bytes, Atom* type,
                                                 steady::time_point transfer_end) {
  // Deleting the INCR property (done by take_property) asks for the first
  // piece; each piece deleted asks for the next; an empty one ends. The
  // pieces carry the text's real type.
  for (;;) {
    auto new_piece = [&](const XEvent& event) {
      return event.type == PropertyNotify && event.xproperty.atom == property &&
             event.xproperty.state == PropertyNewValue;
    };
    outcome waited = wait_for(new_piece, std::min(transfer_end, steady::now() + kPieceTimeout));
    if (waited != outcome::got) return waited;
    std::string piece;
    if (!take_property(&piece, type)) continue;
    if (piece.empty()) return outcome::got;
    bytes->append(piece);
  }
}

bool clipboard_reader::worker::take_property(std::string* bytes, Atom* type) {
  int format = 0;
  unsigned long count = 0, bytes_after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 0x1fffffff, True, AnyPropertyType, type,
                         &format, &count, &bytes_after, &data) != Success) {
    return false;
  }
  bool exists = *type != None;
  if (exists && data && format == 8) bytes->assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return exists;
}

clipboard_reader::clipboard_reader(handlers on)
    : worker_(std::make_unique<worker>(std::move(on))) {}

clipboard_reader::~clipboard_reader() {
  worker_->stopping = true;
  if (worker_->wakeup.notify()) {
    worker_->thread.join();
  } else {
    // The thread cannot be woken: leave it its state until the process ends.
    worker_->thread.detach();
    (void)worker_.release();
  }
}

void clipboard_reader::read(uint32_t copy_press_time) {
  {
    std::lock_guard<std::mutex> lock(worker_->requests_mutex);
    worker_->requests.push_back(copy_press_time);
  }
  worker_->wakeup.notify();
}

}  // namespace pvl
