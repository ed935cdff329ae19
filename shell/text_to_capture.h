// What a capture keeps of the bytes the clipboard's owner sent. The text is
// turned into valid UTF-8 in one pass, without a wide copy of it: UTF-8 is
// kept as it is, with each malformed sequence replaced by U+FFFD, and Latin-1
// (an owner that only offers STRING) is encoded. NUL characters are dropped,
// so that no later reader of the text can take one for its end.
#pragma once

#include <string>
#include <string_view>

namespace pvl {

// The text to store, in UTF-8; empty when there is nothing to see in it: no
// text, or only white space (spaces, tabs, line breaks, and the invisible
// spaces of Unicode), which would make a blank quote.
std::string text_to_capture(std::string_view bytes, bool latin1);

}  // namespace pvl
