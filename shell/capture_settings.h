// Which programs the copy keys are watched in, and how. A terminal takes
// Ctrl+C as its interrupt, so there only its own copy keys (Ctrl+Shift+C,
// Ctrl+Insert) count; some programs (a password manager, say) are never
// captured from at all. Programs are told apart by their window class
// (WM_CLASS on X11, the app id on Wayland), compared without regard to
// case. A built-in list names the common terminals; the user's settings
// file, $XDG_CONFIG_HOME/Parvela/parvela.conf, can add to it:
//
//   [capture]
//   terminals=myterm, otherterm
//   never_capture=keepassxc, org.keepassxc.KeePassXC
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pvl {

struct capture_settings {
  std::vector<std::string> terminals;      // beside the built-in ones, in lower case
  std::vector<std::string> never_capture;  // in lower case
};

// Reads the user's settings file (missing keys or file: empty lists), or the
// file at `path` when one is given.
capture_settings load_capture_settings(const std::string& path = {});

enum class window_kind { ordinary, terminal, never_captured };

// The kind of a window whose class is `instance_name` or `class_name`
// (WM_CLASS holds both; either may be empty). A program listed as never
// captured is that even when it is a terminal.
window_kind kind_of_window(const capture_settings& settings, std::string_view instance_name,
                           std::string_view class_name);

}  // namespace pvl
