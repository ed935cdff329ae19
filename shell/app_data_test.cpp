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
using testing_support::temp_dir;
using testing_support::write_file;

class AppDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    user_ = root_.path() / "user";
    common_ = root_.path() / "common";
    setenv("XDG_DATA_HOME", user_.c_str(), 1);
    setenv("XDG_DATA_DIRS", common_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
  }
  void seed_common() {
    std::filesystem::create_directories(common_ / "Parvela");
    write_file(common_ / "Parvela/defaultquotes.xml", "quotes");
    write_file(common_ / "Parvela/defaulttags.xml", "tags");
    write_file(common_ / "Parvela/parvela.fdb", "db");
  }
  temp_dir root_;
  std::filesystem::path user_, common_;
};

TEST_F(AppDataTest, FirstStartCopiesTheSeedFilesIntoAPrivateFolder) {
  seed_common();
  prepare_app_data();
  EXPECT_EQ(read_file(user_ / "Parvela/defaultquotes.xml"), "quotes");
  EXPECT_EQ(read_file(user_ / "Parvela/defaulttags.xml"), "tags");
  EXPECT_EQ(read_file(user_ / "Parvela/parvela.fdb"), "db");
  EXPECT_TRUE(std::filesystem::is_directory(user_ / "Parvela/logs"));
  struct stat info;
  ASSERT_EQ(stat((user_ / "Parvela").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(AppDataTest, LaterStartsCopyNothingEvenAfterADeletion) {
  seed_common();
  prepare_app_data();
  std::filesystem::remove(user_ / "Parvela/defaulttags.xml");
  write_file(user_ / "Parvela/parvela.fdb", "user's own");
  prepare_app_data();
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela/defaulttags.xml"));
  EXPECT_EQ(read_file(user_ / "Parvela/parvela.fdb"), "user's own");
}

TEST_F(AppDataTest, MissingSeedFilesAreSkipped) {
  std::filesystem::create_directories(common_ / "Parvela");
  write_file(common_ / "Parvela/defaulttags.xml", "tags");
  prepare_app_data();
  EXPECT_EQ(read_file(user_ / "Parvela/defaulttags.xml"), "tags");
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela/parvela.fdb"));
}

TEST_F(AppDataTest, NoFolderAnywhereIsADataError) {
  // Neither the user's folder nor an all-users "Parvela" exists (the test
  // program's own folder has no "share/Parvela" to fall back on).
  std::filesystem::create_directories(common_);
  try {
    prepare_app_data();
    FAIL() << "no error raised";
  } catch (const data_error& error) {
    EXPECT_STREQ(error.what(), "Application data not exists");
  }
  EXPECT_FALSE(std::filesystem::exists(user_ / "Parvela"));
}

TEST_F(AppDataTest, NoUserFolderIsASpecialFolderError) {
  seed_common();
  unsetenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string saved = home ? home : "";
  unsetenv("HOME");
  EXPECT_THROW(prepare_app_data(), tinyfilesystem::special_folder_error);
  if (!saved.empty()) setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace pvl
