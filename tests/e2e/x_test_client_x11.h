// The plain Xlib modes of x_test_client (apart from Qt's headers, which Xlib's macros break).
// Each returns the process's exit code.
#pragma once

#include <string>
#include <vector>

// Grabs Ctrl+C on the root window in every lock variant, creates `ready_path`, holds the grab.
int grab_copy_keys(const char* ready_path);
// Owns the CLIPBOARD with the file's text as UTF-8, always in 64 KiB pieces (INCR), each
// `piece_delay_ms` after the reader asked for it. Runs until killed.
int own_text_slowly(const char* path, int piece_delay_ms);
// Moves the keysym c from its keycode to a free one and prints "<old> <new>".
int remap_c();
// Types keys through XTEST with every keycode looked up first, so that no round trip to the server
// stretches the gaps the tests time. `words`: chords ("ctrl+c", "ctrl+shift+Insert", pressed in
// order, released in reverse), "sleep SECONDS", "close WINDOW" (WM_DELETE_WINDOW, as a close box
// sends), "hide WINDOW" (close, then wait until it is unmapped), "stop-when-grabbed PID" (SIGSTOPs
// PID once another client holds the copy keys grabbed) and "key" (ignored, as xdotool's word
// before chords). 1 on a word not understood.
int type_keys(const std::vector<std::string>& words);
