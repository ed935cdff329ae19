// The special folders of a user session on a freedesktop system.
#pragma once

#include <string>

namespace tinyfilesystem {

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share. Raises special_folder_error ("CSIDL_APPDATA error")
// when neither variable gives one.
std::wstring user_app_data_folder();

// The folder shared by all users that holds the program's seed files: the
// first directory of $XDG_DATA_DIRS (default /usr/local/share:/usr/share)
// that has a "Parvela" folder, else the "share" folder beside the program,
// so that a program run from its build folder finds its own seed files.
std::wstring common_app_data_folder();

// The folder that holds the running executable.
std::wstring program_folder();

}  // namespace tinyfilesystem
