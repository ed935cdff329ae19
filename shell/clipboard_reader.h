// Reads the text on the CLIPBOARD selection for a capture, on an X
// connection and a thread of its own. Reading a selection means asking its
// owner, another program, to answer; an owner that is slow or hung would
// freeze the window for many seconds if the window's own connection waited
// for it. Here the window never waits: a read is queued, and its outcome
// comes back through the handlers.
//
// A read is for a double press and takes the text that was on the
// clipboard at its second press, however late the read comes: the reader
// follows every change of the clipboard's owner (XFixes), with the server's
// time of each, and reads only from the owner the clipboard had then. When
// that owner has been replaced since, the read ends with nothing rather
// than take a text copied later. One exception: the program being copied
// from may take a moment to copy the first press's selection. When the
// owner has not changed since the first press, a change that comes within
// kWaitForCopy of the second press is that copy, and its owner is read; the
// read waits until then (in the server's time) for it.
//
// A read makes up to kTries tries. A try asks the owner for UTF-8 text (and,
// when refused or answered with something else than text, for Latin-1 text)
// and fails when the owner does not answer within kTryTimeout; each failed
// try is reported and followed by a short pause. A clipboard without an
// owner or without text ends the read at once with nothing. Large texts are
// received in pieces (the INCR protocol): an owner that has begun sending
// pieces is alive, so each piece may take up to kPieceTimeout, and the
// whole text up to 5 s, before the try fails. (An owner that is made to
// give up a transfer in the middle often cannot answer the next try.)
// A try first asks the owner for its list of targets (TARGETS). An owner
// that marks its text as a secret, as password managers do (it lists the
// target "x-kde-passwordManagerHint" and gives it the value "secret"), is
// asked for nothing else: the read ends with kSecretLine and no text.
// The text is kept as text_to_capture.h says; an empty or blank one is not
// handed on.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pvl {

class clipboard_reader {
 public:
  static constexpr int kTries = 10;
  static constexpr std::chrono::milliseconds kTryTimeout{90};
  static constexpr std::chrono::milliseconds kPieceTimeout{1000};
  static constexpr std::chrono::milliseconds kPauseAfterFailedTry{10};
  static constexpr std::chrono::milliseconds kWaitForCopy{300};
  static constexpr const char* kSecretLine =
      "Secret skipped: the clipboard's owner marks its text as a password";

  // All are called on the reader's thread.
  struct handlers {
    std::function<void()> failed_try;             // one call per failed try
    std::function<void(std::string)> text_read;   // the UTF-8 text, never empty or blank
    // A read that found an owner but ends without a text: the owner's text
    // was empty or blank, or a secret, or the owner was replaced before it
    // answered.
    // `why` is a line for the log.
    std::function<void(const char* why)> nothing_read;
    // Optional: called after each read, whatever its outcome, once the
    // handlers above (if any) have been called; `now` for a read_now.
    std::function<void(bool now)> finished;
  };

  // Opens its own connection to the display named by $DISPLAY. Raises
  // pvl::clipboard_error when it cannot.
  explicit clipboard_reader(handlers on);

  // Ends the thread; a read in progress is abandoned.
  ~clipboard_reader();

  clipboard_reader(const clipboard_reader&) = delete;
  clipboard_reader& operator=(const clipboard_reader&) = delete;

  // Queues a read for a double press whose presses came at the server
  // times `first_press_time` and `press_time`. May be called on any thread.
  void read(uint32_t first_press_time, uint32_t press_time);

  // Queues a read of the text the clipboard holds when the read begins (a
  // capture asked for outright, not by a double press). May be called on
  // any thread.
  void read_now();

 private:
  struct worker;
  std::unique_ptr<worker> worker_;
};

}  // namespace pvl
