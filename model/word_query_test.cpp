// The search words as typed, read into the FTS5 queries of the two word
// indexes: every case gives the four queries SQLite receives and the terms
// of several words checked on the texts.
#include "model/word_query.h"

#include <gtest/gtest.h>

namespace pvl {
namespace {

TEST(WordQueryTest, TermsBecomeQuotedFts5Queries) {
  struct row {
    std::string typed;
    word_query expected;  // words_in, words_out, chars_in, chars_out, phrases_in, phrases_out
  };
  const row rows[] = {
      {"", {}},
      {"   \t ", {}},
      {"philo", {"\"philo\"*", "", "", "", "", ""}},
      {"Café  noir", {"\"Café\"* \"noir\"*", "", "", "", "", ""}},
      {"\"to be or\" not", {"\"to\" \"be\" \"or\" \"not\"*", "", "", "", "\"to be or\"", ""}},
      {"tea -milk -sugar", {"\"tea\"*", "\"milk\"* OR \"sugar\"*", "", "", "", ""}},
      {"-\"green tea\"", {"", "", "", "", "", "\"green tea\""}},
      // FTS5 operators typed as text are words or nothing.
      {"AND OR NOT NEAR", {"\"AND\"* \"OR\"* \"NOT\"* \"NEAR\"*", "", "", "", "", ""}},
      {"* ^ : ( ) + NEAR(a b)", {"\"near\" \"a\"* \"b)\"*", "", "", "", "NEAR(a", ""}},
      {"col:val ^start end*", {"\"col\" \"val\"* \"^start\"* \"end*\"*", "", "", "", "col:val", ""}},
      // A lone "-", unbalanced and empty quotes.
      {"- tea -", {"\"tea\"*", "", "", "", "", ""}},
      {"\"open phrase", {"\"open\" \"phrase\"", "", "", "", "\"open phrase\"", ""}},
      {"a\"b\"c \"\"", {"\"a\"* \"b\" \"c\"*", "", "", "", "", ""}},
      // Control characters separate terms.
      {std::string("one\x01two\0three\x7f", 15), {"\"one\"* \"two\"* \"three\"*", "", "", "", "", ""}},
      {"\"x\ny\"", {"\"x\" \"y\"", "", "", "", "\"x y\"", ""}},
      // Text written without spaces: 3 characters or more go to the trigrams.
      {"東京タワー -大阪城 東京", {"\"東京\"*", "", "\"東京タワー\"", "\"大阪城\"", "", ""}},
      {"\"東京 タワー\"", {"", "", "\"東京 タワー\"", "", "", ""}},
      {"東京tower \"naïve 大阪城\"", {"\"東京tower\"* \"naive\" \"大阪城\"", "", "", "", "\"naïve 大阪城\"", ""}},
      // A term of several words: the index looks for each, the text for them in a row.
      {"-don't --x-y", {"", "", "", "", "", "don't x-y"}},
  };
  for (const row& r : rows) {
    EXPECT_EQ(parse_word_query(r.typed), r.expected) << "typed: " << r.typed;
  }

  // Long input counts up to a bound, and never cuts a character in two.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "é ";
  word_query bounded = parse_word_query(many);
  EXPECT_EQ(bounded.words_in.size(), kMaxWordQueryTerms * std::string("\"é\"* ").size() - 1);
  EXPECT_TRUE(parse_word_query(std::string(10000, 'a')).words_in.size() <= kMaxWordQueryBytes + 3);
  EXPECT_EQ(parse_word_query(std::string(999, 'a') + "é").words_in, "\"" + std::string(999, 'a') + "\"*");
}

}  // namespace
}  // namespace pvl
