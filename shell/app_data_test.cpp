#include "shell/app_data.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "fml/app_errors.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/errors.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::write_file;

class AppDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", user_.c_str(), 1);
    setenv("XDG_DATA_DIRS", common_.c_str(), 1);
    std::filesystem::create_directories(common_);
  }
  void TearDown() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
  }
  testing_support::temp_dir root_;
  std::filesystem::path user_ = root_.path() / "user", common_ = root_.path() / "common";
};

// The first start copies the seed files there are into a private folder;
// later starts copy nothing, even after a deletion.
TEST_F(AppDataTest, TheFirstStartCopiesTheSeedFilesThereAreAndLaterStartsNothing) {
  std::filesystem::create_directories(common_ / "Parvela");
  write_file(common_ / "Parvela/defaulttags.xml", "tags");
  write_file(common_ / "Parvela/parvela.fdb", "db");
  prepare_app_data();
  EXPECT_EQ(read_file(user_ / "Parvela/defaulttags.xml"), "tags");
  EXPECT_EQ(read_file(user_ / "Parvela/parvela.fdb"), "db");
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela/defaultquotes.xml"));
  EXPECT_TRUE(std::filesystem::is_directory(user_ / "Parvela/logs"));
  struct stat info;
  ASSERT_EQ(stat((user_ / "Parvela").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  std::filesystem::remove(user_ / "Parvela/defaulttags.xml");
  write_file(user_ / "Parvela/parvela.fdb", "user's own");
  prepare_app_data();
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela/defaulttags.xml"));
  EXPECT_EQ(read_file(user_ / "Parvela/parvela.fdb"), "user's own");
}

TEST_F(AppDataTest, NoFolderAnywhereOrNoUserFolderIsAnError) {
  // Neither the user's folder nor an all-users "Parvela" exists (the test
  // program's own folder has no "share/Parvela" to fall back on).
  try {
    prepare_app_data();
    FAIL() << "no error raised";
  } catch (const data_error& error) {
    EXPECT_STREQ(error.what(), "Application data not exists");
  }
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela"));

  std::filesystem::create_directories(common_ / "Parvela");
  unsetenv("XDG_DATA_HOME");
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("HOME");
  EXPECT_THROW(prepare_app_data(), tinyfilesystem::special_folder_error);
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace pvl
