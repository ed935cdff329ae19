// What a capture keeps of the bytes the clipboard's owner sent. The text is
// decoded whole, as UTF-8 or Latin-1 (an owner that only offers STRING), and
// its NUL characters are dropped: the text travels on to the collection as
// a zero-terminated string, which would end at the first of them.
#pragma once

#include <string>
#include <string_view>

namespace pvl {

// The text to store; empty when there is nothing to see in it: no text, or
// only white space (spaces, tabs, line breaks, and the invisible spaces of
// Unicode), which would make a blank quote.
std::wstring text_to_capture(std::string_view bytes, bool latin1);

}  // namespace pvl
