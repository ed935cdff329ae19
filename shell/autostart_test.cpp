#include "shell/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::write_file;

// The switch's round trip in a private config folder: off by default, on
// writes an entry that starts the given program (quoted as the Exec line
// wants; desktop-file-validate agrees), off removes it; an entry hidden by the desktop counts as off; a
// folder that cannot be made is reported and leaves the switch off.
TEST(AutostartTest, TheEntryIsTheSetting) {
  temp_dir root;
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", (root.path() / "config").c_str(), 1);
  const std::filesystem::path entry =
      root.path() / "config/autostart/io.github.parvela.Parvela.desktop";
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
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace pvl
