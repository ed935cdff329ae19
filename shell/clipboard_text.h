// Putting text on the clipboard (the CLIPBOARD selection), for the copies the
// user makes from the window. The program owns the clipboard afterwards and
// answers other programs' requests from its event loop, so the text stays
// available for as long as Parvela runs (and beyond, where a clipboard
// manager takes it over at exit). Call on the GUI thread.
#pragma once

#include <string>

namespace pvl {

// Returns true when the clipboard now holds `text`, false when the
// clipboard could not be taken (no application, or the display refused).
bool set_clipboard_text(const std::wstring& text);

}  // namespace pvl
