#include "shell/capture_settings.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

TEST(CaptureSettingsTest, WindowsAreToldApartByEitherClassNameWhateverTheCase) {
  testing_support::temp_dir dir;
  testing_support::write_file(dir.path() / "parvela.conf",
                              "[capture]\nterminals=MyTerm, other-term\n"
                              "never_capture=KeePassXC, alacritty\n");
  capture_settings settings = load_capture_settings((dir.path() / "parvela.conf").string());
  struct {
    const char* instance;
    const char* name;
    window_kind kind;
  } cases[] = {
      {"xterm", "XTerm", window_kind::terminal},
      {"", "URxvt", window_kind::terminal},
      {"gnome-terminal-server", "Gnome-terminal", window_kind::terminal},
      {"org.wezfurlong.wezterm", "", window_kind::terminal},
      {"myterm", "Something", window_kind::terminal},    // added by the file
      {"x", "OTHER-TERM", window_kind::terminal},        // added by the file
      {"keepassxc", "KeePassXC", window_kind::never_captured},
      {"Alacritty", "Alacritty", window_kind::never_captured},  // the file wins
      {"firefox", "Firefox", window_kind::ordinary},
      {"sterm", "", window_kind::ordinary},  // whole names only
      {"", "", window_kind::ordinary},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(kind_of_window(settings, each.instance, each.name), each.kind)
        << each.instance << " / " << each.name;
  }
  // Without a file only the built-in terminals count.
  capture_settings none = load_capture_settings((dir.path() / "missing.conf").string());
  EXPECT_TRUE(none.terminals.empty() && none.never_capture.empty());
  EXPECT_EQ(kind_of_window(none, "myterm", ""), window_kind::ordinary);
  EXPECT_EQ(kind_of_window(none, "alacritty", ""), window_kind::terminal);
}

}  // namespace
}  // namespace pvl
