#include "model/word_marks.h"

#include <algorithm>

#include "model/index_tokenizers.h"
#include "model/word_query.h"

namespace pvl {

namespace {

size_t char_end(std::string_view text, size_t at) {
  for (++at; at < text.size() && (text[at] & 0xC0) == 0x80;) ++at;
  return at;
}

// The end of the shortest start of the word `word` (bytes [begin, end) of
// `text`) that folds to `folded_size` bytes or more, with the characters
// after it that fold to nothing (combining accents).
size_t prefix_end(std::string_view text, const index_token& word, size_t folded_size) {
  size_t folded = 0;
  size_t at = word.begin;
  while (at < word.end) {
    const size_t next = char_end(text, at);
    size_t size = 0;
    for (const index_token& piece : index_words(text.substr(at, next - at)))
      size += piece.text.size();
    if (folded >= folded_size && size > 0) break;
    folded += size;
    at = next;
  }
  return at;
}

}  // namespace

word_marks::word_marks(std::string_view search_words) {
  for (const word_term& typed : read_word_terms(search_words)) {
    if (typed.excluded) continue;
    term t;
    t.chars = typed.chars;
    t.prefix = !typed.phrase && !typed.chars;
    for (index_token& piece : t.chars ? index_trigrams(typed.text) : index_words(typed.text))
      t.tokens.push_back(std::move(piece.text));
    if (!t.tokens.empty()) terms_.push_back(std::move(t));
  }
}

bool word_marks::matches_at(const term& t, const std::vector<index_token>& text, size_t i) {
  const size_t n = t.tokens.size();
  if (i + n > text.size()) return false;
  for (size_t j = 0; j < n; ++j) {
    const std::string& have = text[i + j].text;
    const std::string& want = t.tokens[j];
    if (t.prefix && j + 1 == n ? !have.starts_with(want) : have != want) return false;
  }
  return true;
}

word_marks::read_text word_marks::read(std::string_view utf8) const {
  read_text tokens;
  const auto any = [&](bool chars) {
    return std::any_of(terms_.begin(), terms_.end(), [&](const term& t) { return t.chars == chars; });
  };
  if (any(false)) tokens.words = index_words(utf8);
  if (any(true)) tokens.trigrams = index_trigrams(utf8);
  return tokens;
}

std::vector<text_span> word_marks::find(std::string_view utf8) const {
  std::vector<text_span> spans;
  if (terms_.empty()) return spans;
  const read_text tokens = read(utf8);
  for (const term& t : terms_) {
    const std::vector<index_token>& text = t.chars ? tokens.trigrams : tokens.words;
    for (size_t i = 0; i < text.size(); ++i) {
      if (!matches_at(t, text, i)) continue;
      const index_token& last = text[i + t.tokens.size() - 1];
      const size_t end = t.prefix ? prefix_end(utf8, last, t.tokens.back().size()) : last.end;
      spans.push_back({text[i].begin, end});
    }
  }
  std::sort(spans.begin(), spans.end(),
            [](const text_span& a, const text_span& b) { return a.begin < b.begin; });
  std::vector<text_span> merged;
  for (const text_span& span : spans) {
    if (!merged.empty() && span.begin <= merged.back().end)
      merged.back().end = std::max(merged.back().end, span.end);
    else
      merged.push_back(span);
  }
  return merged;
}

bool word_marks::holds(std::string_view utf8, bool all) const {
  const read_text tokens = read(utf8);
  for (const term& t : terms_) {
    const std::vector<index_token>& text = t.chars ? tokens.trigrams : tokens.words;
    bool found = false;
    for (size_t i = 0; i < text.size() && !found; ++i) found = matches_at(t, text, i);
    if (found != all) return found;
  }
  return all;
}

const word_marks& word_marks::none() {
  static const word_marks nothing;
  return nothing;
}

}  // namespace pvl
