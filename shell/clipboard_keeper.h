// Putting text on the clipboard from a command that ends at once. On X11 the
// clipboard holds no text: its owner hands the text to each program that
// pastes, so the owner must outlive the command. The command therefore
// starts a keeper, a child process of its own session with its own display
// connection, that owns the clipboard and answers until another program
// takes the clipboard over; then it ends. (A clipboard manager, where one
// runs, takes a copy from the keeper as it does from any owner.)
#pragma once

#include <string>

namespace pvl {

// Starts the keeper with `text` and waits until it owns the clipboard.
// Returns "" on success, else why it failed (a line for the user).
std::string keep_on_clipboard(const std::wstring& text);

}  // namespace pvl
