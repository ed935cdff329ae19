#include "fml/text.h"

#include <climits>
#include <cwchar>

namespace fml {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

void append_utf8(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string wchar2utf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t w : text) append_utf8(out, static_cast<char32_t>(w));
  return out;
}

std::wstring utf82wchar(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++p;
      continue;
    }
    int length;
    char32_t c;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07, min = 0x10000;
    } else {
      out += static_cast<wchar_t>(kReplacement);
      ++p;
      continue;
    }
    // Consume the continuation bytes that are there; a sequence cut short
    // yields one replacement and decoding resumes at the offending byte.
    int taken = 1;
    while (taken < length && p + taken < end && (p[taken] & 0xC0) == 0x80) {
      c = (c << 6) | (p[taken] & 0x3F);
      ++taken;
    }
    if (taken < length || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(c);
    }
    p += taken;
  }
  return out;
}

std::string wchar2ansi(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  char buffer[MB_LEN_MAX];
  std::mbstate_t state{};
  for (wchar_t w : text) {
    size_t n = std::wcrtomb(buffer, w, &state);
    if (n == static_cast<size_t>(-1)) {
      state = std::mbstate_t{};
      out += '?';
    } else {
      out.append(buffer, n);
    }
  }
  return out;
}

}  // namespace fml
