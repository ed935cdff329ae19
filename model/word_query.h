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
#include <vector>

namespace pvl {

// The FTS5 queries of one search; an empty one takes no part. The words
// index keeps no word positions: it finds the quotes that hold the words of
// a term of several words (a phrase, or "don't"), and the texts it finds are
// checked for those words in a row (word_marks::holds) with the terms in
// phrases_in and phrases_out, written as typed.
struct word_query {
  std::string words_in;     // the words index: quotes matching every term
  std::string words_out;    // the words index: quotes matching any term are left out
  std::string chars_in;     // the trigram index: as words_in
  std::string chars_out;    // the trigram index: as words_out
  std::string phrases_in;   // terms of several words a text must hold, each of them
  std::string phrases_out;  // terms of several words a text must not hold, any of them

  bool empty() const {
    return words_in.empty() && words_out.empty() && chars_in.empty() && chars_out.empty() &&
           phrases_in.empty() && phrases_out.empty();
  }
  bool operator==(const word_query&) const = default;
};

// One term of the search words, as the indexes look for it.
struct word_term {
  std::string text;  // as typed, without its quotes and "-"; control characters made spaces
  bool phrase = false;    // typed in quotes: its words in order, the last one whole
  bool excluded = false;  // typed after "-"
  bool chars = false;     // looked for in the trigram index, as a substring
};

// Reads the search words `utf8` into their terms, in the order typed.
// Unbalanced quotes close at the end, a lone "-" and terms without a letter
// or digit are left out, control characters separate terms, and only the
// first kMaxWordQueryBytes bytes and kMaxWordQueryTerms terms count.
std::vector<word_term> read_word_terms(std::string_view utf8);

// The FTS5 queries of read_word_terms(utf8).
word_query parse_word_query(std::string_view utf8);

inline constexpr size_t kMaxWordQueryBytes = 1000;
inline constexpr size_t kMaxWordQueryTerms = 16;

// An SQL GLOB pattern matching a text that holds a character of a script
// written without spaces: such texts go into the trigram index. Changing the
// scripts means rebuilding that index in a new format of the collection file.
std::string unspaced_text_glob();

}  // namespace pvl
