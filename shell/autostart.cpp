#include "shell/autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pvl {

namespace {

constexpr char kEntryName[] = "io.github.parvela.Parvela.desktop";

// `program` as one argument of an Exec line: quoted when it holds a
// character the line reserves, with a backslash before the characters that
// stay special inside the quotes; a percent sign is doubled either way.
std::string exec_argument(const std::string& program) {
  const bool quote = program.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
  std::string argument = quote ? "\"" : "";
  for (char c : program) {
    if (c == '%') argument += '%';
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    argument += c;
  }
  if (quote) argument += '"';
  return argument;
}

// `text` as a string value of a desktop entry: backslashes doubled, line
// breaks and tabs escaped.
std::string desktop_string(const std::string& text) {
  std::string value;
  for (char c : text) {
    if (c == '\\') value += "\\\\";
    else if (c == '\n') value += "\\n";
    else if (c == '\t') value += "\\t";
    else value += c;
  }
  return value;
}

// TryExec keeps a desktop from starting a program that has been removed
// since (the entry is the user's and stays when the package goes).
std::string entry_text(const std::string& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Parvela\n"
         "GenericName=Clipboard collector\n"
         "Comment=Keep the text you copy\n"
         "Icon=io.github.parvela.Parvela\n"
         "Exec=" + desktop_string(exec_argument(program)) + "\n"
         "TryExec=" + desktop_string(program) + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace

std::string autostart_entry_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path folder;
  if (config && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "";
    folder = std::filesystem::path(home) / ".config";
  }
  return (folder / "autostart" / kEntryName).string();
}

bool autostart_enabled() {
  std::string path = autostart_entry_path();
  if (path.empty()) return false;
  std::ifstream entry(path);
  if (!entry) return false;
  for (std::string line; std::getline(entry, line);) {
    if (line == "Hidden=true") return false;
  }
  return true;
}

std::string set_autostart(bool on, const std::string& program) {
  namespace fs = std::filesystem;
  const fs::path path = autostart_entry_path();
  if (path.empty()) {
    return "No folder for the autostart entry: neither XDG_CONFIG_HOME nor HOME is set";
  }
  std::error_code error;
  if (!on) {
    if (fs::remove(path, error) || !error) return "";
    return "Cannot remove " + path.string() + ": " + error.message();
  }
  fs::create_directories(path.parent_path(), error);
  if (error) return "Cannot create " + path.parent_path().string() + ": " + error.message();
  fs::path part = path;
  part += ".part";
  {
    std::ofstream out(part, std::ios::trunc);
    out << entry_text(program);
    out.flush();
    if (!out) {
      std::string why = std::strerror(errno);
      out.close();
      fs::remove(part, error);
      return "Cannot write " + path.string() + ": " + why;
    }
  }
  fs::rename(part, path, error);
  if (!error) return "";
  std::string why = error.message();
  fs::remove(part, error);
  return "Cannot write " + path.string() + ": " + why;
}

}  // namespace pvl
