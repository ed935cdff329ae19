#include "shell/text_to_capture.h"

#include <gtest/gtest.h>

namespace pvl {
namespace {

TEST(TextToCaptureTest, KeepsEverythingButNulAndDropsBlankTexts) {
  using namespace std::string_view_literals;
  struct {
    std::string_view bytes;
    bool latin1;
    std::wstring expected;
  } cases[] = {
      {"Grüße «quote» 引用 😀\n  indented", false, L"Grüße «quote» 引用 😀\n  indented"},
      {"before\0after\0"sv, false, L"beforeafter"},
      {"\0\0\0"sv, false, L""},
      {"caf\xe9\0 au lait"sv, true, L"café au lait"},
      {"", false, L""},
      {" \t\r\n\v\f", false, L""},
      // No-break, em, zero-width and ideographic spaces, byte order mark.
      {"\xc2\xa0\xe2\x80\x83\xe2\x80\x8b\xe3\x80\x80\xef\xbb\xbf", false, L""},
      {" \xa0 ", true, L""},
      {" .\n", false, L" .\n"},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(text_to_capture(each.bytes, each.latin1), each.expected)
        << testing::PrintToString(std::string(each.bytes));
  }
}

}  // namespace
}  // namespace pvl
