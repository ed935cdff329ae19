#include "shell/text_to_capture.h"

#include <gtest/gtest.h>

namespace pvl {
namespace {

TEST(TextToCaptureTest, KeepsEverythingButNulRepairsBadBytesAndDropsBlankTexts) {
  using namespace std::string_view_literals;
  struct {
    std::string_view bytes;
    bool latin1;
    std::string expected;
  } cases[] = {
      {"Grüße «quote» 引用 😀\n  indented", false, "Grüße «quote» 引用 😀\n  indented"},
      {"before\0after\0"sv, false, "beforeafter"},
      {"\0\0\0"sv, false, ""},
      {"caf\xe9\0 au lait"sv, true, "caf\xc3\xa9 au lait"},
      // A stray byte, a sequence cut short, an encoded surrogate, an
      // overlong slash: each becomes one U+FFFD, and the rest is kept.
      {"a\xff" "b\xe2\x82" "c\xed\xa0\x80" "d\xc0\xaf", false,
       "a\uFFFD" "b\uFFFD" "c\uFFFD" "d\uFFFD\uFFFD"},
      {"", false, ""},
      {" \t\r\n\v\f", false, ""},
      // No-break, em, zero-width and ideographic spaces, byte order mark.
      {"\xc2\xa0\xe2\x80\x83\xe2\x80\x8b\xe3\x80\x80\xef\xbb\xbf", false, ""},
      {" \xa0 ", true, ""},
      {" .\n", false, " .\n"},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(text_to_capture(each.bytes, each.latin1), each.expected)
        << testing::PrintToString(std::string(each.bytes));
  }
}

}  // namespace
}  // namespace pvl
