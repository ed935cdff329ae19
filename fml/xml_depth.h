// Checks on XML text before TinyXML parses it. How deep elements nest,
// measured on the text: TinyXML parses nested elements by recursion, so a
// file nested hundreds of thousands deep would overflow the stack; the
// program's readers of XML files refuse a file nested deeper than
// kMaxXmlDepth (their own files nest a few levels deep). And whether the
// text is UTF-8 (see first_non_utf8_line).
#pragma once

#include <string_view>

namespace fml {

inline constexpr int kMaxXmlDepth = 1000;

// The line on which elements first nest deeper than `max_depth`, or 0. Start
// tags count one level deeper, end tags one shallower; comments, processing
// instructions, declarations, CDATA sections and quoted attribute values are
// skipped.
int xml_too_deep_line(std::string_view text, int max_depth = kMaxXmlDepth);

// The line of the first byte of `text` that does not belong to a valid UTF-8
// sequence, or 0 when the whole text is UTF-8. TinyXML reading UTF-8 takes
// a lead byte's whole sequence at once: a sequence cut short at the end of
// the text takes it past the text's end, so the readers refuse such text
// before it is parsed.
int first_non_utf8_line(std::string_view text);

}  // namespace fml
