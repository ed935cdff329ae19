// Sees double copies on a Wayland desktop, where the keys typed into native
// Wayland windows reach no other program. It watches the clipboard through
// the data-control protocols (ext-data-control-v1, offered by KDE Plasma 6
// and newer compositors, preferred; zwlr-data-control-unstable-v1, offered
// by Sway, Hyprland and other wlroots compositors), on a Wayland connection
// and a thread of its own: each new selection's text is read at once (its
// offer is gone when the next comes) and judged by double_selection_rule.
// The first selection, the one the clipboard holds when watching starts,
// is not a copy and is passed over.
//
// A selection whose owner marks it as a secret ("x-kde-passwordManagerHint"
// with the value "secret", as password managers do) is never read; it is
// reported with clipboard_reader::kSecretLine. A text is read for at most
// kReadTimeout; a read that fails is reported and counts as no text.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace pvl {

class wayland_clipboard {
 public:
  static constexpr std::chrono::milliseconds kReadTimeout{2000};

  // All are called on the watcher's thread.
  struct handlers {
    std::function<void(std::string text)> double_copy;  // UTF-8, never empty or blank
    std::function<void(const char* line)> note;         // a line for the log
  };

  // Connects to the compositor named by $WAYLAND_DISPLAY and starts
  // watching when it offers data-control. Raises clipboard_error when
  // there is no compositor to connect to.
  explicit wayland_clipboard(handlers on);

  // Ends the thread and the connection.
  ~wayland_clipboard();

  wayland_clipboard(const wayland_clipboard&) = delete;
  wayland_clipboard& operator=(const wayland_clipboard&) = delete;

  // False when the compositor offers neither protocol (GNOME): nothing is
  // watched then.
  bool watching() const;

  // The connection and its thread; defined where the protocol's callbacks
  // can reach it.
  struct watcher;

 private:
  std::unique_ptr<watcher> watcher_;
};

}  // namespace pvl
