#include "tinyfilesystem/folders.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "tinyfilesystem/errors.h"

namespace tinyfilesystem {
namespace {

// The user's folder follows $XDG_DATA_HOME when it is absolute, else $HOME;
// without either it raises.
TEST(FoldersTest, UserFolderFollowsXdgDataHomeThenHome) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", "/home/u", 1);
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"/x/data", L"/x/data"},
      {"", L"/home/u/.local/share"},
      {"relative/ignored", L"/home/u/.local/share"},
      {nullptr, L"/home/u/.local/share"}};
  for (const auto& [xdg, folder] : cases) {
    if (xdg) setenv("XDG_DATA_HOME", xdg, 1); else unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(user_app_data_folder(), folder) << (xdg ? xdg : "unset");
  }
  unsetenv("HOME");
  try {
    user_app_data_folder();
    FAIL() << "no error raised";
  } catch (const special_folder_error& error) {
    EXPECT_STREQ(error.what(), "CSIDL_APPDATA error");
  }
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace tinyfilesystem
