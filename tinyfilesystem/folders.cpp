#include "tinyfilesystem/folders.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "fml/text.h"
#include "tinyfilesystem/errors.h"
#include "tinyfilesystem/path.h"

namespace tinyfilesystem {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::wstring user_app_data_folder() {
  std::string data_home = environment("XDG_DATA_HOME");
  if (!data_home.empty() && data_home.front() == '/') return fml::utf82wchar(data_home);
  std::string home = environment("HOME");
  if (!home.empty()) return join_path(fml::utf82wchar(home), L".local/share");
  throw special_folder_error("CSIDL_APPDATA error");
}

std::wstring common_app_data_folder() {
  std::string dirs = environment("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::string_view rest = dirs;
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::wstring dir = fml::utf82wchar(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (!dir.empty() && dir.front() == L'/' && dir_exists(join_path(dir, L"Parvela"))) return dir;
  }
  return join_path(program_folder(), L"share");
}

std::wstring program_folder() {
  char buffer[4096];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  return parent_path(fml::utf82wchar(std::string_view(buffer, static_cast<size_t>(length))));
}

}  // namespace tinyfilesystem
