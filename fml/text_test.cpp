#include "fml/text.h"

#include <clocale>

#include <gtest/gtest.h>

namespace fml {
namespace {

TEST(TextTest, ConvertsBothWaysAndReplacesInvalidUtf8) {
  const std::wstring text = L"Grüße, мир, 世界, \U0001F600 and a\ttab\r\n";
  std::string utf8 = wchar2utf8(text);
  EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e, \xD0\xBC\xD0\xB8\xD1\x80, \xE4\xB8\x96\xE7\x95\x8C, "
                  "\xF0\x9F\x98\x80 and a\ttab\r\n");
  EXPECT_EQ(utf82wchar(utf8), text);
  EXPECT_EQ(wchar2utf8(L""), "");
  EXPECT_EQ(utf82wchar(""), L"");
  // Unencodable wide characters: a surrogate, a code point past U+10FFFF.
  EXPECT_EQ(wchar2utf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(wchar2utf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(wchar2ansi(L""), "");
  EXPECT_EQ(wchar2ansi(L"a\u4E16b\u00FC"), "a?b?");

  // A stray continuation byte, a truncated sequence, an overlong '/', an
  // encoded surrogate, a byte that never starts a sequence, and a code point
  // above U+10FFFF: each yields U+FFFD and the text around it survives.
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"a\x80z", L"a\uFFFDz"}, {"a\xE4\xB8z", L"a\uFFFDz"}, {"\xC0\xAF", L"\uFFFD\uFFFD"},
      {"\xED\xA0\x80!", L"\uFFFD!"}, {"\xFF", L"\uFFFD"}, {"\xF4\x90\x80\x80", L"\uFFFD"},
      {"\xE4", L"\uFFFD"}};
  for (const auto& [bytes, decoded] : cases) EXPECT_EQ(utf82wchar(bytes), decoded) << bytes;
}

}  // namespace
}  // namespace fml
