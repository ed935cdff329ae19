// The special folders of a user session on a freedesktop system.
#pragma once

#include <string>

namespace tinyfilesystem {

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share. Raises special_folder_error ("CSIDL_APPDATA error")
// when neither variable gives one.
std::wstring user_app_data_folder();

// The folder shared by all users that holds the seed files of a new user's
// collection: the "Parvela" folder of the first directory of $XDG_DATA_DIRS
// (default /usr/local/share:/usr/share) that has one, else the program's
// data folder, where the seed files ship; empty when the program has no data
// folder either (neither layout of program_data_folder()).
std::wstring common_parvela_folder();

// The folder that holds the running executable.
std::wstring program_folder();

// The folder of the program's own read-only files ("res", "DragMgr.xml",
// the help page, the seed files) for a program in `program_dir`: that
// folder itself when it holds "res" (the build folder, a flat copy), else
// "../share/parvela" from it when that holds "res" (an installed layout:
// bin/ beside share/, under /usr or wherever a copy was unpacked). With
// neither, `program_dir`, so that what is missing is reported there.
std::wstring program_data_folder(const std::wstring& program_dir);

// program_data_folder() of the running executable's folder.
std::wstring program_data_folder();

}  // namespace tinyfilesystem
