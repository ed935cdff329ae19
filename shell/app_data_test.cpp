// What the program keeps in the user's folders: the data folder and the login entry.
#include "shell/app_data.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fml/app_errors.h"
#include "model/testing/raised.h"
#include "shell/autostart.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/errors.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::write_file;

// The test program's own folder has no "share/Parvela" to fall back on.
TEST(AppDataTest, TheFirstStartCopiesTheSeedFilesThereAreAndTheLoginEntryIsTheSetting) {
  testing_support::temp_dir root;
  const std::filesystem::path user = root.path() / "user", common = root.path() / "common";
  setenv("XDG_DATA_HOME", user.c_str(), 1);
  setenv("XDG_DATA_DIRS", common.c_str(), 1);
  std::filesystem::create_directories(common);
  EXPECT_EQ(model_testing::raised<data_error>(prepare_app_data), "Application data not exists");
  EXPECT_FALSE(std::filesystem::exists(user / "Parvela"));
  std::filesystem::create_directories(common / "Parvela");
  write_file(common / "Parvela/defaulttags.xml", "tags");
  write_file(common / "Parvela/parvela.fdb", "db");
  prepare_app_data();
  EXPECT_EQ(read_file(user / "Parvela/defaulttags.xml"), "tags");
  EXPECT_EQ(read_file(user / "Parvela/parvela.fdb"), "db");
  EXPECT_FALSE(std::filesystem::exists(user / "Parvela/defaultquotes.xml"));
  EXPECT_TRUE(std::filesystem::is_directory(user / "Parvela/logs"));
  struct stat info;
  ASSERT_EQ(stat((user / "Parvela").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  std::filesystem::remove(user / "Parvela/defaulttags.xml");
  write_file(user / "Parvela/parvela.fdb", "user's own");
  prepare_app_data();
  EXPECT_FALSE(std::filesystem::exists(user / "Parvela/defaulttags.xml"));
  EXPECT_EQ(read_file(user / "Parvela/parvela.fdb"), "user's own");
  unsetenv("XDG_DATA_HOME");
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("HOME");
  EXPECT_THROW(prepare_app_data(), tinyfilesystem::special_folder_error);
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root.path() / "config").c_str(), 1);
  const std::filesystem::path entry = root.path() / "config/autostart/io.github.parvela.Parvela.desktop";
  EXPECT_EQ(autostart_entry_path(), entry.string());
  EXPECT_FALSE(autostart_enabled());
  struct {
    std::string program, exec_line;
  } const cases[] = {
      {"/usr/bin/parvela", "Exec=/usr/bin/parvela\n"},
      {"/opt/my apps/50%/parvela", "Exec=\"/opt/my apps/50%%/parvela\"\n"},
      {"/tmp/a$b\"c\\d/parvela", "Exec=\"/tmp/a\\\\$b\\\\\"c\\\\\\\\d/parvela\"\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(set_autostart(true, c.program), "");
    EXPECT_TRUE(autostart_enabled()) << c.program;
    const std::string text = read_file(entry);
    EXPECT_NE(text.find(c.exec_line), std::string::npos) << text;
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0) << text;
  }
  EXPECT_FALSE(std::filesystem::exists(entry.string() + ".part"));
  write_file(entry, read_file(entry) + "Hidden=true\n");
  EXPECT_FALSE(autostart_enabled());
  EXPECT_EQ(set_autostart(false, ""), "");
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_EQ(set_autostart(false, ""), "");
  // A relative XDG_CONFIG_HOME is ignored for $HOME/.config.
  setenv("XDG_CONFIG_HOME", "relative", 1);
  setenv("HOME", (root.path() / "home").c_str(), 1);
  EXPECT_EQ(autostart_entry_path(),
            (root.path() / "home/.config/autostart/io.github.parvela.Parvela.desktop").string());
  write_file(root.path() / "blocked", "a file where the folder should be");
  setenv("XDG_CONFIG_HOME", (root.path() / "blocked").c_str(), 1);
  EXPECT_NE(set_autostart(true, "/usr/bin/parvela").find("Cannot create"), std::string::npos);
  EXPECT_FALSE(autostart_enabled());
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_DIRS");
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace pvl
