#include "tinyfilesystem/folders.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "fml/exception.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/errors.h"
#include "tinyfilesystem/path.h"

namespace tinyfilesystem {
namespace {

// Sets environment variables for the life of the object, then puts back the
// values they had.
class scoped_env {
 public:
  void set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~scoped_env() {
    for (auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1); else unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(FoldersTest, UserFolderFollowsXdgDataHomeThenHome) {
  scoped_env env;
  env.set("XDG_DATA_HOME", "/x/data");
  env.set("HOME", "/home/u");
  EXPECT_EQ(user_app_data_folder(), L"/x/data");
  env.set("XDG_DATA_HOME", "");
  EXPECT_EQ(user_app_data_folder(), L"/home/u/.local/share");
  env.set("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(user_app_data_folder(), L"/home/u/.local/share");
  env.set("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(user_app_data_folder(), L"/home/u/.local/share");
}

TEST(FoldersTest, NoUserFolderRaisesSpecialFolderError) {
  scoped_env env;
  env.set("XDG_DATA_HOME", nullptr);
  env.set("HOME", nullptr);
  try {
    user_app_data_folder();
    FAIL() << "no error raised";
  } catch (const special_folder_error& error) {
    EXPECT_STREQ(error.what(), "CSIDL_APPDATA error");
  }
  EXPECT_THROW(user_app_data_folder(), fml::exception);
}

TEST(FoldersTest, CommonFolderIsTheFirstDataDirHoldingParvela) {
  testing_support::temp_dir first, second;
  std::filesystem::create_directory(second.path() / "Parvela");
  scoped_env env;
  std::string dirs = first.str() + ":relative:" + second.str();
  env.set("XDG_DATA_DIRS", dirs.c_str());
  EXPECT_EQ(common_parvela_folder(), (second.path() / "Parvela").wstring());

  std::filesystem::create_directory(first.path() / "Parvela");
  EXPECT_EQ(common_parvela_folder(), (first.path() / "Parvela").wstring());
}

// The test program's folder holds no "res": there is no shipped folder.
TEST(FoldersTest, CommonFolderIsEmptyWithoutAShippedOne) {
  testing_support::temp_dir empty;
  scoped_env env;
  env.set("XDG_DATA_DIRS", empty.str().c_str());
  EXPECT_EQ(common_parvela_folder(), L"");
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(program_folder(), self.parent_path().wstring());
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
