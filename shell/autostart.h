// "Start with the desktop": the freedesktop autostart entry that starts
// Parvela when the user logs in. The setting is the file itself: on while
// $XDG_CONFIG_HOME/autostart/io.github.parvela.Parvela.desktop exists (and
// is not hidden), off by default.
#pragma once

#include <string>

namespace pvl {

// The entry's path: "autostart/io.github.parvela.Parvela.desktop" in
// $XDG_CONFIG_HOME when that is an absolute path, else in $HOME/.config;
// empty when neither variable names a folder.
std::string autostart_entry_path();

// Whether the entry exists and does not say Hidden=true (the way desktops'
// session settings switch an entry off).
bool autostart_enabled();

// Writes the entry, which starts `program` (the running executable's path),
// or removes it. The entry is written under a temporary name and renamed
// into place, so a half-written one never starts anything. Returns why it
// failed, ready to show the user; empty on success.
std::string set_autostart(bool on, const std::string& program);

}  // namespace pvl
