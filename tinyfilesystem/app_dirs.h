// The process-wide directory table: start-up stores the user's data folder
// under "DataDir" and the program's folder under "ParvelaDir"; everything
// else finds its files relative to them.
#pragma once

#include <string>

namespace tinyfilesystem {

// The folder stored under `key`; a key never set reads as an empty path
// (and is created with that value).
const std::wstring& app_dir(const std::wstring& key);

void set_app_dir(const std::wstring& key, const std::wstring& folder);

}  // namespace tinyfilesystem
