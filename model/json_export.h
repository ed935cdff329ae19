// The collection as JSON, for backups and scripts: every tag by name and the
// quotes with their text, stamp and tag names in attachment order. A file in
// this form is what model/json_import.h reads back.
//
//   {"parvela": 1,
//    "tags": ["name", ...],
//    "quotes": [{"id": 7, "stamp": 1700000000, "text": "...", "tags": ["name", ...]}, ...]}
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/records.h"

namespace pvl {

// The format's version, written as the value of "parvela".
inline constexpr int kJsonFormatVersion = 1;

// UTF-8 JSON, one quote a line; strings keep their characters except the
// ones JSON must escape (quotation mark, backslash, control characters).
std::string export_json(const std::vector<Tag>& tags, const std::vector<Quote>& quotes);

// Markdown: each quote as a block quote, its tags on a line of their own
// below it, a blank line between quotes.
std::string export_markdown(const std::vector<Quote>& quotes);

// Appends `text` to `out` as a JSON string, quotation marks included.
void append_json_string(std::string& out, std::string_view text);

}  // namespace pvl
