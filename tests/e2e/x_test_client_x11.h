// The plain Xlib modes of x_test_client (kept apart from Qt's headers,
// which Xlib's macros break). Each returns the process's exit code.
#pragma once

#include <string>
#include <vector>

// Grabs Ctrl+C on the root window in every lock variant, then creates the
// file `ready_path` and holds the grab until the process is killed. Ends
// with Xlib's error message (and no file) when another client holds a key.
int grab_copy_keys(const char* ready_path);

// Owns the CLIPBOARD and offers the content of the file `path` as UTF-8
// text, always in pieces of 64 KiB (the INCR protocol) and each piece
// `piece_delay_ms` after the reader asked for it, like a slow program on a
// busy machine. Answers TARGETS at once. Runs until killed.
int own_text_slowly(const char* path, int piece_delay_ms);

// Moves the keysym c from its keycode to a free one and prints
// "<old> <new>".
int remap_c();

// Sends WM_DELETE_WINDOW to `window`, as a window manager's close box does.
int close_window(unsigned long window);

// Types keys through the XTEST extension, like xdotool, but with every
// keycode looked up before the first key goes out, so that no round trip
// to the server comes between two keys: under load those stretch the gaps
// that the tests time. `words` are chords such as "ctrl+c", "ctrl+shift+c", "Insert" or
// "ctrl+Insert" (each pressed in order and released in reverse), "sleep
// SECONDS", "hide WINDOW" (closes WINDOW, an id, and waits until it is
// unmapped), "stop-when-grabbed PID" (waits until another client holds the
// copy keys grabbed, then stops PID with SIGSTOP) and "key", which is
// ignored (xdotool's word before chords).
// Returns 0 once the server has every key, 1 when a word is not understood.
int type_keys(const std::vector<std::string>& words);
