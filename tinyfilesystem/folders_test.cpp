#include "tinyfilesystem/folders.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
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

// The first of $XDG_DATA_DIRS holding "Parvela"; none without one (the test
// program's folder holds no "res": there is no shipped folder either).
TEST(FoldersTest, CommonFolderIsTheFirstDataDirHoldingParvela) {
  testing_support::temp_dir first, second;
  const std::string dirs_before = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
  setenv("XDG_DATA_DIRS", first.str().c_str(), 1);
  EXPECT_EQ(common_parvela_folder(), L"");
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(program_folder(), self.parent_path().wstring());

  std::filesystem::create_directory(second.path() / "Parvela");
  setenv("XDG_DATA_DIRS", (first.str() + ":relative:" + second.str()).c_str(), 1);
  EXPECT_EQ(common_parvela_folder(), (second.path() / "Parvela").wstring());
  std::filesystem::create_directory(first.path() / "Parvela");
  EXPECT_EQ(common_parvela_folder(), (first.path() / "Parvela").wstring());
  setenv("XDG_DATA_DIRS", dirs_before.c_str(), 1);
}

// The same executable finds its files in the build folder's flat layout
// and in an installed bin/ + share/parvela/ layout, wherever that lies.
TEST(FoldersTest, ProgramDataFolderFollowsTheLayout) {
  testing_support::temp_dir root;
  const std::filesystem::path bin = root.path() / "bin", share = root.path() / "share" / "parvela";
  std::filesystem::create_directories(bin);
  EXPECT_EQ(program_data_folder(bin.wstring()), bin.wstring());
  std::filesystem::create_directories(share / "res");
  EXPECT_EQ(program_data_folder(bin.wstring()), share.wstring());
  std::filesystem::create_directories(bin / "res");
  EXPECT_EQ(program_data_folder(bin.wstring()), bin.wstring());
}

}  // namespace
}  // namespace tinyfilesystem
