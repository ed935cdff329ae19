// What the page's behaviours ask of the desktop, done with Qt: opening links
// and files with the desktop's default handler, the export's file dialog and
// hiding the main window. install_desktop_actions puts them into the view's
// host callbacks (view/behavior_host.h).
#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace pvl {

struct behavior_host;

// Opens `target` with the desktop's handler: a URL with a scheme (https:,
// mailto:, file:) as it is, an absolute path as a local file, anything else
// as the desktop would read it typed into a browser ("www.example.org").
// Returns false when the target is empty or no handler took it.
bool open_with_desktop(const std::wstring& target);

// The export's save dialog over `owner`: titled "Export to file", filters
// "HTML files (*.html)" and "All files (*.*)", "collection.html" preset in
// the user's documents folder (the home folder when there is none), and a
// question before an existing file is replaced. Returns the chosen path,
// or nullopt when the user cancels.
std::optional<std::wstring> ask_export_path(QWidget* owner);

// Fills open_url, ask_export_path and close_window of `callbacks`: links
// open with the desktop (a target that no program of the desktop takes
// goes to `not_opened`, to tell the user), the export asks over `window`,
// and closing closes `window` (the main window hides itself into the tray).
// `window` must outlive the callbacks; clear them before deleting it.
void install_desktop_actions(behavior_host& callbacks, QWidget& window,
                             std::function<void(const std::wstring& target)> not_opened = nullptr);

}  // namespace pvl
