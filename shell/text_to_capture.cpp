#include "shell/text_to_capture.h"

namespace pvl {

namespace {

// Unicode's white space, and the zero-width characters that show nothing.
constexpr std::u32string_view kBlanks =
    U"\t\n\v\f\r \u0085\u00a0\u1680\u180e\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
    U"\u2007\u2008\u2009\u200a\u200b\u200c\u200d\u2028\u2029\u202f\u205f\u2060\u3000"
    U"\ufeff";

bool is_blank(char32_t c) { return kBlanks.find(c) != kBlanks.npos; }

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(char(c));
  } else if (c < 0x800) {
    out->push_back(char(0xC0 | (c >> 6)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(char(0xE0 | (c >> 12)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else {
    out->push_back(char(0xF0 | (c >> 18)));
    out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  }
}

// Decodes the UTF-8 sequence at `p` (before `end`) and returns its length in
// bytes. A malformed sequence (a stray continuation byte, a sequence cut
// short, overlong, an encoded surrogate, a value above U+10FFFF) gives
// U+FFFD; a sequence cut short ends before the byte that cut it, as
// fml::utf82wchar decodes it.
size_t decode(const unsigned char* p, const unsigned char* end, char32_t* c) {
  unsigned char lead = *p;
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  size_t length;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, *c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, *c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, *c = lead & 0x07, min = 0x10000;
  } else {
    *c = kReplacement;
    return 1;
  }
  size_t taken = 1;
  while (taken < length && p + taken < end && (p[taken] & 0xC0) == 0x80) {
    *c = (*c << 6) | (p[taken] & 0x3F);
    ++taken;
  }
  if (taken < length || *c < min || *c > 0x10FFFF || (*c >= 0xD800 && *c <= 0xDFFF)) {
    *c = kReplacement;
  }
  return taken;
}

}  // namespace

std::string text_to_capture(std::string_view bytes, bool latin1) {
  std::string text;
  text.reserve(bytes.size());
  bool visible = false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    if (visible && !latin1 && *p < 0x80 && *p != 0) {
      // Plain ASCII, the bulk of most texts, is copied a run at a time.
      const auto* run_end = p;
      while (run_end < end && *run_end < 0x80 && *run_end != 0) ++run_end;
      text.append(reinterpret_cast<const char*>(p), size_t(run_end - p));
      p = run_end;
      continue;
    }
    char32_t c;
    size_t length = 1;
    if (latin1) {
      c = *p;
    } else {
      length = decode(p, end, &c);
    }
    if (c != 0) {
      visible = visible || !is_blank(c);
      // A well-formed sequence is copied as it stands.
      if (latin1 || c == kReplacement) {
        append_utf8(c, &text);
      } else {
        text.append(reinterpret_cast<const char*>(p), length);
      }
    }
    p += length;
  }
  if (!visible) return {};
  return text;
}

}  // namespace pvl
