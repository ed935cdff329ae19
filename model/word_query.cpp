#include "model/word_query.h"

#include <cstdint>
#include <vector>

#include "fml/text.h"
#include "model/index_tokenizers.h"

namespace pvl {

namespace {

struct code_range {
  char32_t first;
  char32_t last;
};

// Scripts written without spaces between words (and Hangul, whose words are
// long runs of syllables): Thai, Lao, Myanmar, Khmer, kana, CJK ideographs.
constexpr code_range kUnspacedScripts[] = {
    {0x0E00, 0x0EFF}, {0x1000, 0x109F}, {0x1780, 0x17FF},  {0x3040, 0x30FF},
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7AF},  {0xF900, 0xFAFF},
    {0x20000, 0x2FFFF}};

bool is_unspaced(char32_t c) {
  for (const code_range& range : kUnspacedScripts) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// The character starting at `text[i]`; `i` moves past it. A malformed byte
// stands for itself.
char32_t next_char(std::string_view text, size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(text[i++]);
  int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t c = more == 3 ? lead & 0x07 : more == 2 ? lead & 0x0F : more == 1 ? lead & 0x1F : lead;
  for (; more > 0 && i < text.size() && (text[i] & 0xC0) == 0x80; --more) {
    c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  return c;
}

bool is_space(char c) {
  return c == ' ' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// Splits the search words into terms, as the header describes.
std::vector<word_term> split_terms(std::string_view text) {
  std::vector<word_term> terms;
  size_t i = 0;
  while (i < text.size() && terms.size() < kMaxWordQueryTerms) {
    if (is_space(text[i])) {
      ++i;
      continue;
    }
    word_term next;
    if (text[i] == '-') {
      next.excluded = true;
      if (++i == text.size() || is_space(text[i])) continue;  // a lone "-"
    }
    size_t end;
    if (text[i] == '"') {
      next.phrase = true;
      end = text.find('"', ++i);
      if (end == std::string_view::npos) end = text.size();
    } else {
      end = i;
      while (end < text.size() && !is_space(text[end]) && text[end] != '"') ++end;
    }
    for (size_t j = i; j < end; ++j) next.text += is_space(text[j]) ? ' ' : text[j];
    i = end < text.size() && text[end] == '"' && next.phrase ? end + 1 : end;
    terms.push_back(std::move(next));
  }
  return terms;
}

// An FTS5 string: the text in double quotes, a double quote doubled.
std::string fts_string(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void join(std::string& query, const std::string& operand, const char* op) {
  if (!query.empty()) query += op;
  query += operand;
}

}  // namespace

std::vector<word_term> read_word_terms(std::string_view utf8) {
  if (utf8.size() > kMaxWordQueryBytes) {
    size_t cut = kMaxWordQueryBytes;
    while (cut > 0 && (utf8[cut] & 0xC0) == 0x80) --cut;  // not inside a character
    utf8 = utf8.substr(0, cut);
  }
  std::vector<word_term> terms;
  for (word_term& t : split_terms(utf8)) {
    size_t chars = 0;
    bool unspaced = false;      // letters of the scripts without spaces
    bool spaced = false;        // other letters and digits
    for (size_t i = 0; i < t.text.size(); ++chars) {
      const char32_t c = next_char(t.text, i);
      const bool letter = c >= 0x80 || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
      unspaced = unspaced || is_unspaced(c);
      spaced = spaced || (letter && !is_unspaced(c));
    }
    if (!unspaced && !spaced) continue;
    // The trigram index finds runs of 3 characters or more of those
    // scripts; a shorter run, or one mixed with other letters, is looked for
    // by its words (folded as the other words are).
    t.chars = unspaced && !spaced && chars >= 3;
    terms.push_back(std::move(t));
  }
  return terms;
}

word_query parse_word_query(std::string_view utf8) {
  word_query query;
  for (const word_term& t : read_word_terms(utf8)) {
    if (t.chars) {
      join(t.excluded ? query.chars_out : query.chars_in, fts_string(t.text),
           t.excluded ? " OR " : " ");
      continue;
    }
    const std::vector<index_token> words = index_words(t.text);
    if (words.size() <= 1) {
      join(t.excluded ? query.words_out : query.words_in,
           fts_string(t.text) + (t.phrase ? "" : "*"), t.excluded ? " OR " : " ");
      continue;
    }
    // Several words: the index finds the texts holding all of them (the
    // last one as a start unless the term is a phrase); the texts are then
    // checked for the words in a row.
    if (!t.excluded) {
      for (size_t i = 0; i < words.size(); ++i) {
        join(query.words_in,
             fts_string(words[i].text) + (i + 1 == words.size() && !t.phrase ? "*" : ""), " ");
      }
    }
    // As typed, but for a leading "-", which is no part of a word.
    join(t.excluded ? query.phrases_out : query.phrases_in,
         t.phrase ? "\"" + t.text + "\"" : t.text.substr(t.text.find_first_not_of('-')), " ");
  }
  return query;
}

std::string unspaced_text_glob() {
  std::string glob = "*[";
  for (const code_range& range : kUnspacedScripts) {
    fml::append_utf8(glob, range.first);
    glob += '-';
    fml::append_utf8(glob, range.last);
  }
  return glob + "]*";
}

}  // namespace pvl
