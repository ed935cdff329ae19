// The words of a word search as the user types them, read into the full-text
// queries (SQLite FTS5) of the collection's two word indexes. Words match as
// prefixes, case- and accent-insensitively; "a quoted phrase" matches in
// order; -word excludes. Text of scripts written without spaces (Chinese,
// Japanese, Thai, ...) is matched as a substring of 3 or more characters.
// Every term reaches FTS5 as a quoted string, so nothing the user types is
// read as an FTS5 operator, and no input makes a query SQLite refuses.
#pragma once

#include <string>
#include <string_view>

namespace pvl {

// The FTS5 queries of one search; an empty one takes no part.
struct word_query {
  std::string words_in;   // the words index: quotes matching every term
  std::string words_out;  // the words index: quotes matching any term are left out
  std::string chars_in;   // the trigram index: as words_in
  std::string chars_out;  // the trigram index: as words_out

  bool empty() const {
    return words_in.empty() && words_out.empty() && chars_in.empty() && chars_out.empty();
  }
  bool operator==(const word_query&) const = default;
};

// Reads the search words `utf8`. Unbalanced quotes close at the end, a lone
// "-" and terms without a letter or digit are left out, control characters
// separate terms, and only the first kMaxWordQueryBytes bytes and
// kMaxWordQueryTerms terms count.
word_query parse_word_query(std::string_view utf8);

inline constexpr size_t kMaxWordQueryBytes = 1000;
inline constexpr size_t kMaxWordQueryTerms = 16;

// An SQL GLOB pattern matching a text that holds a character of a script
// written without spaces: such texts go into the trigram index. Changing the
// scripts means rebuilding that index in a new format of the collection file.
std::string unspaced_text_glob();

}  // namespace pvl
