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

std::wstring common_parvela_folder() {
  std::string dirs = environment("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::string_view rest = dirs;
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::wstring dir = fml::utf82wchar(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    std::wstring folder = join_path(dir, L"Parvela");
    if (!dir.empty() && dir.front() == L'/' && dir_exists(folder)) return folder;
  }
  std::wstring shipped = program_data_folder();
  return dir_exists(join_path(shipped, L"res")) ? shipped : std::wstring();
}

std::wstring program_folder() {
  char buffer[4096];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  return parent_path(fml::utf82wchar(std::string_view(buffer, static_cast<size_t>(length))));
}

std::wstring program_data_folder(const std::wstring& program_dir) {
  if (dir_exists(join_path(program_dir, L"res"))) return program_dir;
  std::wstring installed = join_path(join_path(parent_path(program_dir), L"share"), L"parvela");
  if (dir_exists(join_path(installed, L"res"))) return installed;
  return program_dir;
}

std::wstring program_data_folder() { return program_data_folder(program_folder()); }

}  // namespace tinyfilesystem
