// Conversions between wide strings (the user interface's text) and narrow
// strings (UTF-8 in the database, the markup, the logs and error texts).
#pragma once

#include <string>
#include <string_view>

namespace fml {

// Converts to UTF-8. Code points that cannot be encoded (surrogates, values
// above U+10FFFF) become U+FFFD. Never raises.
std::string wchar2utf8(std::wstring_view text);

// Appends one code point as UTF-8; a surrogate or a value above U+10FFFF
// becomes U+FFFD.
void append_utf8(std::string& out, char32_t c);

// Decodes UTF-8. Invalid input is not an error: each malformed sequence
// (stray continuation bytes, truncated or overlong sequences, encoded
// surrogates, values above U+10FFFF) becomes one U+FFFD, so text from any
// source can be shown and stored without losing the rest. Never raises.
std::wstring utf82wchar(std::string_view text);

// Converts to the narrow character set of the current C locale. A character
// the set cannot represent becomes '?'.
std::string wchar2ansi(std::wstring_view text);

}  // namespace fml
