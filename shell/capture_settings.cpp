#include "shell/capture_settings.h"

#include <QSettings>
#include <algorithm>
#include <cctype>
#include <iterator>

namespace pvl {

namespace {

// Window classes and app ids of the terminals in common use, in lower case.
constexpr std::string_view kTerminals[] = {
    "xterm", "uxterm", "urxvt", "rxvt", "rxvt-unicode", "gnome-terminal",
    "gnome-terminal-server", "org.gnome.terminal", "org.gnome.console", "kgx", "konsole",
    "org.kde.konsole", "yakuake", "org.kde.yakuake", "xfce4-terminal", "alacritty", "kitty",
    "wezterm", "org.wezfurlong.wezterm", "foot", "footclient", "tilix", "com.gexperts.tilix",
    "terminator", "st", "st-256color", "sakura", "lxterminal", "mate-terminal", "qterminal",
    "terminology", "eterm", "guake", "tilda", "cool-retro-term", "termite", "roxterm", "aterm",
    "mlterm", "kterm", "zutty", "contour", "ghostty", "com.mitchellh.ghostty", "blackbox",
    "com.raggesilver.blackbox", "ptyxis", "org.gnome.ptyxis", "deepin-terminal",
    "io.elementary.terminal", "tabby", "wayst"};

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = char(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::vector<std::string> lowered_list(const QSettings& file, const char* key) {
  std::vector<std::string> names;
  for (const QString& name : file.value(key).toStringList()) {
    QString trimmed = name.trimmed();
    if (!trimmed.isEmpty()) names.push_back(lower(trimmed.toStdString()));
  }
  return names;
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
  return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

capture_settings load_capture_settings(const std::string& path) {
  QSettings file = path.empty() ? QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                            "Parvela", "parvela")
                                : QSettings(QString::fromStdString(path), QSettings::IniFormat);
  capture_settings settings;
  settings.terminals = lowered_list(file, "capture/terminals");
  settings.never_capture = lowered_list(file, "capture/never_capture");
  return settings;
}

window_kind kind_of_window(const capture_settings& settings, std::string_view instance_name,
                           std::string_view class_name) {
  const std::string names[] = {lower(instance_name), lower(class_name)};
  for (const std::string& name : names) {
    if (listed(settings.never_capture, name)) return window_kind::never_captured;
  }
  for (const std::string& name : names) {
    if (name.empty()) continue;
    if (listed(settings.terminals, name) ||
        std::find(std::begin(kTerminals), std::end(kTerminals), name) != std::end(kTerminals)) {
      return window_kind::terminal;
    }
  }
  return window_kind::ordinary;
}

}  // namespace pvl
