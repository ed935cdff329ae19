#include "shell/text_to_capture.h"

#include <algorithm>

#include "fml/text.h"

namespace pvl {

namespace {

// Unicode's white space, and the zero-width characters that show nothing.
constexpr std::wstring_view kBlanks =
    L"\t\n\v\f\r \u0085\u00a0\u1680\u180e\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
    L"\u2007\u2008\u2009\u200a\u200b\u200c\u200d\u2028\u2029\u202f\u205f\u2060\u3000"
    L"\ufeff";

bool is_blank(wchar_t c) { return kBlanks.find(c) != kBlanks.npos; }

}  // namespace

std::wstring text_to_capture(std::string_view bytes, bool latin1) {
  std::wstring text;
  if (latin1) {
    text.reserve(bytes.size());
    for (unsigned char byte : bytes) text.push_back(wchar_t(byte));
  } else {
    text = fml::utf82wchar(bytes);
  }
  std::erase(text, L'\0');
  if (std::all_of(text.begin(), text.end(), is_blank)) text.clear();
  return text;
}

}  // namespace pvl
