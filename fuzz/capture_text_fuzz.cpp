// The text a capture keeps of the clipboard's bytes: for any bytes, valid UTF-8, and nothing lost
// but invalid bytes (and NUL characters), each run of them replaced by U+FFFD. Latin-1 is encoded
// byte for byte. The first byte picks the encoding.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "shell/text_to_capture.h"

namespace {

// `s` without NUL characters, U+FFFD and bytes outside a well-formed sequence; *valid says whether
// every byte of `s` belongs to one.
std::string kept_characters(std::string_view s, bool* valid) {
  std::string kept;
  *valid = true;
  for (size_t i = 0, length; i < s.size(); i += std::max<size_t>(length, 1)) {
    length = fuzz::utf8_sequence(s, i);
    *valid = *valid && length != 0;
    std::string_view c = s.substr(i, length);
    if (c != std::string_view("\0", 1) && c != "\xEF\xBF\xBD") kept += c;
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool latin1 = data[0] & 1;
  std::string_view bytes = fuzz::as_text(data + 1, size - 1);
  std::string text = pvl::text_to_capture(bytes, latin1);
  if (text.empty()) return 0;  // blank
  bool valid, ignored;
  std::string kept_out = kept_characters(text, &valid);
  if (!valid) fuzz::fail("the text is not UTF-8", {bytes, text});
  if (text.find('\0') != std::string::npos) fuzz::fail("a NUL character was kept", {bytes, text});
  if (latin1) {
    std::string expected;
    for (unsigned char c : bytes) {
      if (c >= 0x80) expected += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
      else if (c != 0) expected += char(c);
    }
    if (text != expected) fuzz::fail("Latin-1 was not encoded byte for byte", {bytes, text});
  } else if (kept_out != kept_characters(bytes, &ignored)) {
    fuzz::fail("a character was lost", {bytes, text});
  }
  return 0;
}
