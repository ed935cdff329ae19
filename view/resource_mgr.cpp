#include "view/resource_mgr.h"

#include <dirent.h>

#include <cstdio>
#include <memory>
#include <ostream>

#include "fml/app_errors.h"
#include "fml/instance.h"
#include "fml/log.h"
#include "fml/text.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

// The whole content of the file at `path`; what could be read when reading
// stops early, and nothing when the file cannot be opened.
std::string read_whole_file(const std::string& path) {
  std::string bytes;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return bytes;
  char chunk[65536];
  for (;;) {
    size_t count = std::fread(chunk, 1, sizeof chunk, file.get());
    bytes.append(chunk, count);
    if (count < sizeof chunk) break;
  }
  return bytes;
}

}  // namespace

ResourceMgr::ResourceMgr(const std::wstring& folder) : m_folder(folder) {
  const std::string narrow_folder = fml::wchar2utf8(folder);
  if (DIR* listing = ::opendir(narrow_folder.c_str())) {
    while (const dirent* entry = ::readdir(listing)) {
      const std::string entry_name = entry->d_name;
      if (entry_name == "." || entry_name == "..") continue;
      // Read by the name's own bytes, which need not be valid UTF-8.
      const std::string path = fml::wchar2utf8(tinyfilesystem::join_path(folder, L"")) + entry_name;
      m_files[fml::utf82wchar(entry_name)] = read_whole_file(path);
    }
    ::closedir(listing);
  }
  fml::getlog("debug") << "ResourceMgr init" << std::endl;
}

ResourceMgr::~ResourceMgr() { fml::getlog("debug") << "ResourceMgr destruct" << std::endl; }

bool ResourceMgr::exists(const std::wstring& name) const { return m_files.count(name) != 0; }

const std::string& ResourceMgr::get(const std::wstring& name) const {
  auto found = m_files.find(name);
  if (found == m_files.end()) {
    throw resource_not_found_error(fml::wchar2utf8(name) + ": no such file in " +
                                   fml::wchar2utf8(m_folder));
  }
  return found->second;
}

std::wstring resource_folder() {
  return tinyfilesystem::join_path(tinyfilesystem::app_dir(L"ParvelaDir"), L"res");
}

ResourceMgr& resource_mgr() { return instance<ResourceMgr>::get("resource store"); }

}  // namespace pvl
