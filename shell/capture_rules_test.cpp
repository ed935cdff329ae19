// What a copy captures: the double copy by keys and by selections, the windows, the text kept.
#include <gtest/gtest.h>

#include <vector>

#include "shell/capture_settings.h"
#include "shell/double_copy_rule.h"
#include "shell/double_selection_rule.h"
#include "shell/text_to_capture.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

using verdict = double_copy_rule::verdict;
using key = double_copy_rule::copy_key;
constexpr verdict kIgnored = verdict::ignored, kFirst = verdict::remembered, kCapture = verdict::capture;

// These rows hold the times the end-to-end tests cannot press.
TEST(DoubleCopyRuleTest, EachPressGetsItsVerdict) {
  struct step {
    uint32_t time;
    verdict expected;
    bool ctrl = true;
    key pressed = key::c;
    bool shift = false, in_terminal = false;
  };
  const struct {
    const char* name;
    std::vector<step> steps;
    std::optional<uint32_t> remembered;
  } cases[] = {
      {"two within the window", {{10000, kFirst}, {10241, kCapture}}, 10000},
      {"the window is half open", {{10000, kFirst}, {10499, kCapture}, {10500, kFirst}}, 10500},
      {"too far apart", {{1000, kFirst}, {1700, kFirst}, {2400, kFirst}, {3100, kFirst}}, 3100},
      {"a third counts from the first",
       {{5000, kFirst}, {5200, kCapture}, {5450, kCapture}, {5650, kFirst}, {5900, kCapture}}, 5650},
      // "c" typed never arms a capture, nor moves the remembered time.
      {"without Ctrl", {{2000, kIgnored, false}}, std::nullopt},
      {"c between", {{2000, kIgnored, false}, {2100, kFirst}, {2400, kIgnored, false}, {2550, kCapture}}, 2100},
      // The server's clock starts near zero and wraps around.
      {"first at 0", {{0, kFirst}}, 0},
      {"first at 399", {{399, kFirst}}, 399},
      {"first at the end of the clock", {{4294967295u, kFirst}}, 4294967295u},
      {"the clock wraps", {{4294967000u, kFirst}, {100, kCapture}, {300, kFirst}}, 300},
      // A time that went back reads as almost 2^32 ms later: a new first.
      {"an older time", {{8000, kFirst}, {7990, kFirst}}, 7990},
      {"an interrupt between two terminal copies changes nothing",
       {{1000, kFirst, true, key::c, true, true}, {1100, kIgnored, true, key::c, false, true},
        {1200, kCapture, true, key::insert, false, true}}, 1000},
      {"Ctrl+C then Ctrl+Shift+C elsewhere", {{1000, kFirst}, {1200, kCapture, true, key::c, true}}, 1000},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    double_copy_rule rule;
    for (const step& s : each.steps)
      EXPECT_EQ(rule.on_copy_key({s.time, s.pressed, s.ctrl, s.shift, s.in_terminal}), s.expected) << s.time;
    EXPECT_EQ(rule.remembered_time(), each.remembered);
  }
  EXPECT_EQ(double_copy_rule().on_copy_key(1000, true), kFirst);
}

TEST(DoubleSelectionRuleTest, TwoSelectionsOfOneTextWithinTheWindowCaptureOnce) {
  const struct {
    const char* name;
    std::vector<std::tuple<int64_t, const char*, bool>> selections;
  } cases[] = {
      {"a double copy", {{1000, "a", false}, {1200, "a", true}}},
      {"the window is half open",
       {{1000, "a", false}, {1499, "a", true}, {1600, "b", false}, {2100, "b", false}}},
      {"700 ms apart", {{1000, "a", false}, {1700, "a", false}, {2400, "a", false}}},
      {"two texts", {{1000, "a", false}, {1100, "b", false}, {1200, "a", false}}},
      {"a third copy starts anew",
       {{1000, "a", false}, {1100, "a", true}, {1200, "a", false}, {1300, "a", true}}},
      {"no text between breaks the pair", {{1000, "a", false}, {1100, "", false}, {1200, "a", false}}},
      {"a clock that went back", {{1000, "a", false}, {900, "a", false}}},
  };
  for (const auto& each : cases) {
    double_selection_rule rule;
    for (const auto& [time, text, captures] : each.selections)
      EXPECT_EQ(rule.on_selection(time, text), captures) << each.name << " at " << time;
  }
}

TEST(CaptureSettingsTest, WindowsAreToldApartByEitherClassNameWhateverTheCase) {
  testing_support::temp_dir dir;
  testing_support::write_file(dir.path() / "parvela.conf", "[capture]\nterminals=MyTerm, other-term\n"
                                                          "never_capture=KeePassXC, alacritty\n");
  capture_settings settings = load_capture_settings((dir.path() / "parvela.conf").string());
  const std::tuple<const char*, const char*, window_kind> cases[] = {
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
  for (const auto& [instance, name, kind] : cases)
    EXPECT_EQ(kind_of_window(settings, instance, name), kind) << instance << " / " << name;
  // Without a file only the built-in terminals count.
  capture_settings none = load_capture_settings((dir.path() / "missing.conf").string());
  EXPECT_TRUE(none.terminals.empty() && none.never_capture.empty());
  EXPECT_EQ(kind_of_window(none, "myterm", ""), window_kind::ordinary);
  EXPECT_EQ(kind_of_window(none, "alacritty", ""), window_kind::terminal);
}

TEST(TextToCaptureTest, KeepsEverythingButNulRepairsBadBytesAndDropsBlankTexts) {
  using namespace std::string_view_literals;
  const std::tuple<std::string_view, bool, std::string> cases[] = {
      {"Grüße «quote» 引用 😀\n  indented", false, "Grüße «quote» 引用 😀\n  indented"},
      {"before\0after\0"sv, false, "beforeafter"},
      {"\0\0\0"sv, false, ""},
      {"caf\xe9\0 au lait"sv, true, "caf\xc3\xa9 au lait"},
      // A stray byte, a cut sequence, a surrogate, an overlong slash: each one U+FFFD.
      {"a\xff" "b\xe2\x82" "c\xed\xa0\x80" "d\xc0\xaf", false, "a\uFFFD" "b\uFFFD" "c\uFFFD" "d\uFFFD\uFFFD"},
      {"", false, ""},
      {" \t\r\n\v\f", false, ""},
      // No-break, em, zero-width and ideographic spaces, byte order mark.
      {"\xc2\xa0\xe2\x80\x83\xe2\x80\x8b\xe3\x80\x80\xef\xbb\xbf", false, ""},
      {" \xa0 ", true, ""},
      {" .\n", false, " .\n"},
  };
  for (const auto& [bytes, latin1, expected] : cases)
    EXPECT_EQ(text_to_capture(bytes, latin1), expected) << testing::PrintToString(std::string(bytes));
}

}  // namespace
}  // namespace pvl
