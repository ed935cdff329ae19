#include "tinyfilesystem/app_dirs.h"

#include <map>

namespace tinyfilesystem {

namespace {

std::map<std::wstring, std::wstring>& table() {
  static std::map<std::wstring, std::wstring> dirs;
  return dirs;
}

}  // namespace

const std::wstring& app_dir(const std::wstring& key) { return table()[key]; }

void set_app_dir(const std::wstring& key, const std::wstring& folder) { table()[key] = folder; }

}  // namespace tinyfilesystem
