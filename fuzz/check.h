// What the fuzz targets share: the input as text, the report of a broken promise (stderr, then abort,
// which libFuzzer reports as a crash), and a UTF-8 check written apart from the code under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace fuzz {

inline std::string_view as_text(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Prints `what`, then each of `shown` (the texts that show the fault), and stops.
[[noreturn]] inline void fail(std::string_view what, std::initializer_list<std::string_view> shown = {}) {
  std::fprintf(stderr, "%.*s\n", int(what.size()), what.data());
  for (std::string_view s : shown) std::fprintf(stderr, "---\n%.*s\n", int(s.size()), s.data());
  std::abort();
}

// The length of the well-formed UTF-8 sequence at `s[i]`; 0 when it is malformed (cut short,
// overlong, a surrogate, above U+10FFFF).
inline size_t utf8_sequence(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || i + length > s.size()) return 0;
  uint32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (at(i + k) & 0x3F);
  }
  static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

inline bool is_utf8(std::string_view s) {
  for (size_t i = 0, n; i < s.size(); i += n)
    if ((n = utf8_sequence(s, i)) == 0) return false;
  return true;
}

}  // namespace fuzz
