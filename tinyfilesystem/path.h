// Small path routines over wide-string paths ("/" separated, UTF-8 on disk).
#pragma once

#include <string>

namespace tinyfilesystem {

// Joins `name` to `folder`, inserting "/" unless the folder already ends with
// one. Joining to an empty folder gives the name alone.
std::wstring join_path(const std::wstring& folder, const std::wstring& name);

// True when the path exists and is not a directory. Never raises.
bool file_exists(const std::wstring& path);

// True when the path exists and is a directory. Never raises.
bool dir_exists(const std::wstring& path);

// The path without its last component ("/a/b/c" gives "/a/b").
std::wstring parent_path(const std::wstring& path);

}  // namespace tinyfilesystem
