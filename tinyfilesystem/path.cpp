#include "tinyfilesystem/path.h"

#include <sys/stat.h>

#include "fml/text.h"

namespace tinyfilesystem {

namespace {

bool stat_path(const std::wstring& path, struct stat* info) {
  if (path.empty()) return false;
  return ::stat(fml::wchar2utf8(path).c_str(), info) == 0;
}

}  // namespace

std::wstring join_path(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'/') return folder + name;
  return folder + L"/" + name;
}

bool file_exists(const std::wstring& path) {
  struct stat info;
  return stat_path(path, &info) && !S_ISDIR(info.st_mode);
}

bool dir_exists(const std::wstring& path) {
  struct stat info;
  return stat_path(path, &info) && S_ISDIR(info.st_mode);
}

std::wstring parent_path(const std::wstring& path) {
  size_t slash = path.find_last_of(L'/');
  if (slash == std::wstring::npos) return {};
  if (slash == 0) return L"/";
  return path.substr(0, slash);
}

}  // namespace tinyfilesystem
