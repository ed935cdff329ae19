// Where the words of a word search occur in a text, for marking them in the
// quotes the search lists. A text is read by the same SQLite tokenizers that
// fill the word indexes (unicode61 with diacritics removed, and trigram), so
// a mark stands where the index found the match: words by their folded
// start ("philo" marks "Philo" in "Philosophy", "cafe" marks "Café"), a
// quoted phrase as its words in a row (the separators between them
// included), text written without spaces as the substring. Excluded terms
// mark nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/index_tokenizers.h"

namespace pvl {

// Bytes [begin, end) of a UTF-8 text, on character boundaries.
struct text_span {
  size_t begin;
  size_t end;
  bool operator==(const text_span&) const = default;
};

class word_marks {
 public:
  // Marks nothing.
  word_marks() = default;
  // The marks of the search words `utf8`, as typed (model/word_query.h).
  explicit word_marks(std::string_view search_words);

  // Marks nothing, whatever the text.
  bool empty() const { return terms_.empty(); }
  // The stretches of `utf8` that the terms match, in order; overlapping or
  // touching matches make one stretch.
  std::vector<text_span> find(std::string_view utf8) const;

  // Whether `utf8` holds every term (`all`) or at least one; the word
  // search's check of the phrases the words index cannot check itself.
  bool holds(std::string_view utf8, bool all) const;

  // Whether both mark the same stretches of every text.
  bool operator==(const word_marks&) const = default;

  // A matcher that marks nothing, for callers without a word search.
  static const word_marks& none();

 private:
  struct term {
    std::vector<std::string> tokens;  // folded as the index folds them
    bool prefix = false;              // the last token matches the start of a word
    bool chars = false;               // trigrams of a substring
    bool operator==(const term&) const = default;
  };
  struct read_text {
    std::vector<index_token> words;
    std::vector<index_token> trigrams;
  };
  // The tokens of `utf8` the terms need.
  read_text read(std::string_view utf8) const;
  // Whether the term's tokens stand at `text[i]` and after.
  static bool matches_at(const term& t, const std::vector<index_token>& text, size_t i);

  std::vector<term> terms_;
};

}  // namespace pvl
