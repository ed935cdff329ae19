#include "shell/clipboard_reader.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cstring>
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

// The owner changes remembered, the latest ones: far more than can come
// while a read waits in the queue.
constexpr size_t kKeptChanges = 1024;

// How a wait, a try or a step of one ended.
enum class outcome { got, no_text, owner_gone, timed_out, stopping, secret };

// The value a password manager gives its copies' hint.
bool is_secret_hint(std::string hint) {
  while (!hint.empty() && (hint.back() == '\0' || std::isspace(static_cast<unsigned char>(hint.back())))) {
    hint.pop_back();
  }
  return hint == "secret";
}

// Server times wrap around: `a` is after `b` when it is less than 2^31 ms
// ahead of it.
bool after(uint32_t a, uint32_t b) { return int32_t(a - b) > 0; }

struct press_times {
  uint32_t first;
  uint32_t second;
  bool now = false;  // read_now: the owner the clipboard has when the read begins
};

// Owner changes are numbered from 1 in the order the server made them; 0
// stands for the owner the clipboard had when the reader started.
using owner_number = uint64_t;
constexpr owner_number kOwnerLost = UINT64_MAX;

}  // namespace

struct clipboard_reader::worker {
  explicit worker(handlers on);
  ~worker();

  void close_display();
  void run();
  void serve(press_times press);
  bool is_text_type(Atom type) const {
    return type == utf8_string || type == XA_STRING || type == text || type == text_plain_utf8;
  }
  // The owner whose text the press takes, given every change the server
  // made up to `server_now`; none while a copy may still come.
  std::optional<owner_number> owner_for(press_times press, uint32_t server_now) const;
  // Asks the server for a marker event, which comes after every event it
  // sent before it, and waits for it: `marker_time` is then the server's
  // time.
  outcome mark();
  void send_marker();
  outcome read_once(owner_number owner, std::string* text);
  outcome convert(owner_number owner, Atom target, std::string* bytes, Atom* type);
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
  Atom marker = 0, targets = 0, password_hint = 0;
  int xfixes_event_base = 0;

  // The owner changes seen, and the server times of the latest ones.
  owner_number changes_seen = 0;
  std::deque<uint32_t> change_times;
  // Markers sent and seen; the time of the last one seen, and how many
  // owner changes came before it.
  uint64_t markers_sent = 0, markers_seen = 0;
  uint32_t marker_time = 0;
  owner_number changes_before_marker = 0;

  std::atomic<bool> connection_lost{false};
  std::atomic<bool> stopping{false};
  std::mutex requests_mutex;
  std::deque<press_times> requests;
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
    marker = XInternAtom(display, "PARVELA_MARKER", False);
    targets = XInternAtom(display, "TARGETS", False);
    password_hint = XInternAtom(display, "x-kde-passwordManagerHint", False);
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
    std::optional<press_times> request;
    {
      std::lock_guard<std::mutex> lock(requests_mutex);
      if (!requests.empty()) {
        request = requests.front();
        requests.pop_front();
      }
    }
    if (request) {
      serve(*request);
      if (on.finished) on.finished(request->now);
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
    if (change.selection != clipboard) return;
    ++changes_seen;
    change_times.push_back(uint32_t(change.timestamp));
    if (change_times.size() > kKeptChanges) change_times.pop_front();
  } else if (event.type == PropertyNotify && event.xproperty.window == window &&
             event.xproperty.atom == marker) {
    ++markers_seen;
    marker_time = uint32_t(event.xproperty.time);
    changes_before_marker = changes_seen;
  }
}

void clipboard_reader::worker::send_marker() {
  // Appending nothing changes nothing but still makes the event.
  unsigned char none = 0;
  XChangeProperty(display, window, marker, XA_INTEGER, 8, PropModeAppend, &none, 0);
  ++markers_sent;
}

outcome clipboard_reader::worker::mark() {
  send_marker();
  auto seen = [&](const XEvent&) { return markers_seen == markers_sent; };
  return wait_for(seen, steady::now() + kTransferLimit);
}

std::optional<owner_number> clipboard_reader::worker::owner_for(press_times press,
                                                                uint32_t server_now) const {
  const owner_number oldest_kept = changes_seen - change_times.size() + 1;
  // The last change at or before the second press, by its place in
  // change_times (-1: before all of them).
  ptrdiff_t at_press = ptrdiff_t(change_times.size()) - 1;
  while (at_press >= 0 && after(change_times[size_t(at_press)], press.second)) --at_press;
  if (at_press < 0 && oldest_kept > 1) return kOwnerLost;  // too many changes since
  const owner_number owner_at_press = oldest_kept + owner_number(at_press);
  if (press.now) return owner_at_press;
  // Copied between the two presses: that copy is the text.
  if (at_press >= 0 && !after(press.first, change_times[size_t(at_press)])) return owner_at_press;
  // Not yet: the first change after the second press, if soon enough, is
  // the late copy of the first press.
  size_t next = size_t(at_press + 1);
  if (next < change_times.size()) {
    bool soon = !after(change_times[next], press.second + uint32_t(kWaitForCopy.count()));
    return soon ? owner_at_press + 1 : owner_at_press;
  }
  if (!after(press.second + uint32_t(kWaitForCopy.count()), server_now)) return owner_at_press;
  return std::nullopt;
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

void clipboard_reader::worker::serve(press_times press) {
  std::optional<owner_number> owner;
  for (;;) {
    // Every change the server made before the marker is noted by now.
    if (mark() != outcome::got) return;
    if (press.now) press.first = press.second = marker_time;
    owner = owner_for(press, marker_time);
    if (owner) break;
    auto since_press = std::chrono::milliseconds(int32_t(marker_time - press.second));
    auto left = std::clamp(kWaitForCopy - since_press, std::chrono::milliseconds(1), kWaitForCopy);
    const owner_number seen = changes_seen;
    auto changed = [&](const XEvent&) { return changes_seen != seen; };
    if (wait_for(changed, steady::now() + left) == outcome::stopping) return;
  }
  static const char* const kOwnerGoneLine =
      "Clipboard changed before its text could be read: nothing captured";
  if (*owner == kOwnerLost) {
    on.nothing_read(kOwnerGoneLine);
    return;
  }
  for (int attempt = 0; attempt < kTries; ++attempt) {
    std::string text;
    switch (read_once(*owner, &text)) {
      case outcome::got:
        if (text.empty()) {
          on.nothing_read("Clipboard text is empty or blank: nothing captured");
        } else {
          on.text_read(std::move(text));
        }
        return;
      case outcome::owner_gone:
        on.nothing_read(kOwnerGoneLine);
        return;
      case outcome::secret:
        on.nothing_read(kSecretLine);
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

outcome clipboard_reader::worker::read_once(owner_number owner, std::string* text) {
  // Password managers mark what they copy; such a text is never read.
  // The mark is asked for only when the owner lists it: some owners answer
  // a target they do not have with a property they never set.
  std::string listed;
  Atom listed_type = 0;
  outcome listing = convert(owner, targets, &listed, &listed_type);
  if (listing != outcome::got && listing != outcome::no_text) return listing;
  bool marked = false;
  for (size_t at = 0; listed_type == XA_ATOM && at + sizeof(long) <= listed.size();
       at += sizeof(long)) {
    long atom;
    std::memcpy(&atom, listed.data() + at, sizeof atom);
    marked |= Atom(atom) == password_hint;
  }
  if (marked) {
    std::string hint;
    Atom hint_type = 0;
    outcome hinted = convert(owner, password_hint, &hint, &hint_type);
    if (hinted == outcome::got && is_secret_hint(hint)) return outcome::secret;
    if (hinted != outcome::got && hinted != outcome::no_text) return hinted;
  }
  for (Atom target : {utf8_string, Atom(XA_STRING)}) {
    std::string bytes;
    Atom type = 0;
    outcome result = convert(owner, target, &bytes, &type);
    // Refused, or answered with something that is not text (some owners
    // send their one format whatever is asked): try the next form.
    if (result == outcome::no_text || (result == outcome::got && !is_text_type(type))) continue;
    if (result == outcome::got) *text = text_to_capture(bytes, type == XA_STRING);
    return result;
  }
  return outcome::no_text;
}

outcome clipboard_reader::worker::convert(owner_number owner, Atom target, std::string* bytes,
                                          Atom* type) {
  // The server hands the request to whoever owns the clipboard when it
  // takes it. The marker right after it tells who that was: the owner is
  // still `owner` when no change came before the marker.
  XConvertSelection(display, clipboard, target, property, window, CurrentTime);
  send_marker();
  const uint64_t our_marker = markers_sent;
  auto owner_replaced = [&] {
    return markers_seen >= our_marker && changes_before_marker != owner;
  };
  steady::time_point transfer_end = steady::now() + kTransferLimit;
  for (;;) {
    std::optional<XEvent> answer;
    auto answered = [&](const XEvent& event) {
      if (event.type == SelectionNotify && event.xselection.selection == clipboard &&
          event.xselection.target == target) {
        answer = event;
      }
      return owner_replaced() || (answer && markers_seen >= our_marker);
    };
    outcome waited = wait_for(answered, steady::now() + kTryTimeout);
    if (owner_replaced()) return outcome::owner_gone;
    if (waited != outcome::got) return waited;
    if (answer->xselection.property == None) return outcome::no_text;
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
  // Xlib hands 32-bit items (atoms) over as longs.
  if (exists && data && format == 8) bytes->assign(reinterpret_cast<char*>(data), count);
  if (exists && data && format == 32) {
    bytes->assign(reinterpret_cast<char*>(data), count * sizeof(long));
  }
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

void clipboard_reader::read_now() {
  {
    std::lock_guard<std::mutex> lock(worker_->requests_mutex);
    worker_->requests.push_back({0, 0, true});
  }
  worker_->wakeup.notify();
}

void clipboard_reader::read(uint32_t first_press_time, uint32_t press_time) {
  {
    std::lock_guard<std::mutex> lock(worker_->requests_mutex);
    worker_->requests.push_back({first_press_time, press_time});
  }
  worker_->wakeup.notify();
}

}  // namespace pvl
