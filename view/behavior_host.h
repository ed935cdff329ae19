// What the element behaviours need from the window that hosts the page:
// dialogs, the shell and the window itself. The view holds them
// (pvview::host()); the Qt shell fills them in at start-up, in one place;
// left empty (as in tests without a window) each does nothing, and the
// export dialog counts as cancelled.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "htmlayout/dom/element.h"

namespace pvl {

struct behavior_host {
  // Opens a link or a file with the desktop's handler.
  std::function<void(const std::wstring& target)> open_url;
  // Asks for the file to export to ("Export to file", HTML files and all
  // files, "collection.html" preset, confirming an overwrite); nullopt when
  // the user cancels.
  std::function<std::optional<std::wstring>()> ask_export_path;
  // Shows the about box (modal).
  std::function<void()> show_about;
  // Closes (hides) the main window.
  std::function<void()> close_window;
  // Ends the program (the page's Quit, offered where there is no tray).
  std::function<void()> quit;
  // Shows `popup` anchored at `anchor` (placement as the engine's popups).
  std::function<void(const htmlayout::dom::element& popup, const htmlayout::dom::element& anchor,
                     int placement)>
      show_popup;
  // Scrolls `element` into view and repaints the window at once.
  std::function<void(const htmlayout::dom::element& element)> scroll_into_view;
  // "Start with the desktop": whether it is on, and switching it (a failure
  // is shown to the user by the host).
  std::function<bool()> autostart_enabled;
  std::function<void(bool on)> set_autostart;
};

// The host callbacks of the program's view (view().host()); raises what
// view() raises. The user-interface thread only.
behavior_host& host();

}  // namespace pvl
