// The folder routines: the user's data folder, paths joined and split, files told from directories.
#include "tinyfilesystem/folders.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "fml/text.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/errors.h"
#include "tinyfilesystem/path.h"

namespace tinyfilesystem {
namespace {

TEST(FoldersTest, UserFolderFollowsXdgDataHomeThenHomePathsJoinAndFilesAreToldFromDirectories) {
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
  EXPECT_EQ(join_path(L"/data/Parvela", L"defaulttags.xml"), L"/data/Parvela/defaulttags.xml");
  EXPECT_EQ(join_path(L"/data/Parvela/", L"defaulttags.xml"), L"/data/Parvela/defaulttags.xml");
  EXPECT_EQ(join_path(L"", L"defaulttags.xml"), L"defaulttags.xml");
  EXPECT_EQ(parent_path(L"/usr/bin/parvela"), L"/usr/bin");
  EXPECT_EQ(parent_path(L"/parvela"), L"/");
  EXPECT_EQ(parent_path(L"parvela"), L"");
  testing_support::temp_dir dir;
  std::wstring file = join_path(dir.wstr(), L"f\u00FCr.txt");
  testing_support::write_file(std::filesystem::path(fml::wchar2utf8(file)), "x");
  EXPECT_TRUE(file_exists(file) && !dir_exists(file));
  EXPECT_TRUE(dir_exists(dir.wstr()) && !file_exists(dir.wstr()));
  EXPECT_FALSE(file_exists(join_path(dir.wstr(), L"absent")));
  EXPECT_FALSE(dir_exists(join_path(dir.wstr(), L"absent")));
  EXPECT_FALSE(file_exists(L""));
}

}  // namespace
}  // namespace tinyfilesystem
