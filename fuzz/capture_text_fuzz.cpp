// The text a capture keeps of the clipboard's bytes: for any bytes, valid
// UTF-8, and nothing lost but invalid bytes (and NUL characters), each run of
// them replaced by U+FFFD. Latin-1 is encoded byte for byte. The first byte
// picks the encoding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/text_to_capture.h"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `i` (0 when malformed),
// decoded independently of the code under test.
size_t valid_sequence(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
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

// `s` without NUL characters and U+FFFD, and with every byte outside a
// well-formed sequence left out; nullopt-like "!" prefix when `s` is itself
// required to be valid and is not.
std::string kept_characters(std::string_view s, bool* valid) {
  std::string kept;
  *valid = true;
  for (size_t i = 0; i < s.size();) {
    size_t length = valid_sequence(s, i);
    if (length == 0) {
      *valid = false;
      ++i;
      continue;
    }
    std::string_view c = s.substr(i, length);
    if (c != std::string_view("\0", 1) && c != kReplacement) kept += c;
    i += length;
  }
  return kept;
}

[[noreturn]] void fail(const char* what, std::string_view in, const std::string& out) {
  std::fprintf(stderr, "%s\n", what);
  for (unsigned char c : in) std::fprintf(stderr, "%02x ", c);
  std::fprintf(stderr, "\n->\n");
  for (unsigned char c : out) std::fprintf(stderr, "%02x ", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool latin1 = data[0] & 1;
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string text = pvl::text_to_capture(bytes, latin1);
  if (text.empty()) return 0;  // blank

  bool valid;
  std::string kept_out = kept_characters(text, &valid);
  if (!valid) fail("the text is not UTF-8", bytes, text);
  if (text.find('\0') != std::string::npos) fail("a NUL character was kept", bytes, text);
  if (latin1) {
    std::string expected;
    for (unsigned char c : bytes) {
      if (c == 0) continue;
      if (c < 0x80) {
        expected += static_cast<char>(c);
      } else {
        expected += static_cast<char>(0xC0 | (c >> 6));
        expected += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    if (text != expected) fail("Latin-1 was not encoded byte for byte", bytes, text);
    return 0;
  }
  bool ignored;
  if (kept_out != kept_characters(bytes, &ignored)) fail("a character was lost", bytes, text);
  return 0;
}
