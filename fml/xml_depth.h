// How deep XML text nests its elements, measured on the text before a parser
// sees it. TinyXML parses nested elements by recursion, so a file nested
// hundreds of thousands deep would overflow the stack: the program's readers
// of XML files refuse a file nested deeper than kMaxXmlDepth (their own
// files nest a few levels deep).
#pragma once

#include <string_view>

namespace fml {

inline constexpr int kMaxXmlDepth = 1000;

// The line on which elements first nest deeper than `max_depth`, or 0. Start
// tags count one level deeper, end tags one shallower; comments, processing
// instructions, declarations, CDATA sections and quoted attribute values are
// skipped.
int xml_too_deep_line(std::string_view text, int max_depth = kMaxXmlDepth);

}  // namespace fml
