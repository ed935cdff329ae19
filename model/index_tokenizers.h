// The tokenizers of the collection's word indexes (SQLite FTS5's unicode61
// with diacritics removed, and trigram), for reading texts and search words
// outside the indexes exactly as the indexes read them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pvl {

struct index_token {
  std::string text;  // folded as the index stores it
  size_t begin;      // bytes of the text read
  size_t end;
};

// The words of `utf8` as the words index ("quote_words") holds them.
std::vector<index_token> index_words(std::string_view utf8);
// The trigrams of `utf8` as the trigram index ("quote_chars") holds them.
std::vector<index_token> index_trigrams(std::string_view utf8);

}  // namespace pvl
