#include "fml/text.h"

#include <clocale>

#include <gtest/gtest.h>

namespace fml {
namespace {

TEST(TextTest, EmptyStringsStayEmpty) {
  EXPECT_EQ(wchar2utf8(L""), "");
  EXPECT_EQ(utf82wchar(""), L"");
  EXPECT_EQ(wchar2ansi(L""), "");
}

TEST(TextTest, NonAsciiRoundTrips) {
  const std::wstring text = L"Grüße, мир, 世界, \U0001F600 and a\ttab\r\n";
  std::string utf8 = wchar2utf8(text);
  EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e, \xD0\xBC\xD0\xB8\xD1\x80, \xE4\xB8\x96\xE7\x95\x8C, "
                  "\xF0\x9F\x98\x80 and a\ttab\r\n");
  EXPECT_EQ(utf82wchar(utf8), text);
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  // A stray continuation byte, a truncated sequence, an overlong '/', an
  // encoded surrogate, a byte that never starts a sequence, and a code point
  // above U+10FFFF: each yields U+FFFD and the text around it survives.
  EXPECT_EQ(utf82wchar("a\x80z"), L"a\uFFFDz");
  EXPECT_EQ(utf82wchar("a\xE4\xB8z"), L"a\uFFFDz");
  EXPECT_EQ(utf82wchar("\xC0\xAF"), L"\uFFFD\uFFFD");
  EXPECT_EQ(utf82wchar("\xED\xA0\x80!"), L"\uFFFD!");
  EXPECT_EQ(utf82wchar("\xFF"), L"\uFFFD");
  EXPECT_EQ(utf82wchar("\xF4\x90\x80\x80"), L"\uFFFD");
  EXPECT_EQ(utf82wchar("\xE4"), L"\uFFFD");
}

TEST(TextTest, UnencodableWideCharactersBecomeReplacement) {
  std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(wchar2utf8(surrogate), "\xEF\xBF\xBD");
  std::wstring too_large(1, static_cast<wchar_t>(0x110000));
  EXPECT_EQ(wchar2utf8(too_large), "\xEF\xBF\xBD");
}

TEST(TextTest, AnsiReplacesCharactersOutsideTheNarrowSet) {
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(wchar2ansi(L"abc"), "abc");
  EXPECT_EQ(wchar2ansi(L"a\u4E16b\u00FC"), "a?b?");
}

}  // namespace
}  // namespace fml
