// The fragments of quotes, byte for byte (fuzz/fragments_fuzz.cpp checks their structure).
#include "view/fragments.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <tuple>

namespace pvl {
namespace {

std::string text_cell(const std::string& card) {
  const std::string start = "<td class=\"text\" colspan=3>";
  const size_t from = card.find(start) + start.size();
  return card.substr(from, card.find("</td>", from) - from);
}

TEST(QuoteFragment, TheExampleQuoteByteForByteWithItsStampInLocalTime) {
  for (const auto& [zone, stamp, shown] : {std::tuple{"UTC", 1204553229, "2008-3-3  14:7:9"},
                                           {"UTC", 0, "1970-1-1  0:0:0"},
                                           {"Europe/Berlin", 1204553229, "2008-3-3  15:7:9"},
                                           {"America/New_York", 1204553229, "2008-3-3  9:7:9"}}) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(quote_fragment(Quote{7, "a<b", stamp, {{3, "gamma"}, {1, "alpha"}}}),
              "<div class=\"quote\" id=\"q-7\"><table class=\"qtable\" border=1 cellspacing=-1px>"
              "<tr><td colspan=3><div class=\"title\"></div></td></tr>"
              "<tr><td class=\"text\" colspan=3>a&#60;b</td></tr><tr><td class=\"links\">"
              "<div class=\"qtag\" id=\"qt-7-3\">gamma</div><div class=\"qtag\" id=\"qt-7-1\">alpha</div>"
              "</td><td class=\"managecell\"><button class=\"managetags\" menu=\"manage-tags\">"
              "Manage...</button></td><td class=\"timestamp\">" + std::string(shown) +
                  "</td></tr></table></div>")
        << zone;
  }
  unsetenv("TZ");
  tzset();
}

TEST(QuoteFragment, TheTextCellEscapesAndBoundsTheText) {
  auto lines = [](int n, const char* separator) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += (i > 1 ? separator : "") + std::to_string(i);
    return text;
  };
  const std::string cut = "<span class=\"cutmark\">&#8230;</span>";
  auto control = [](const std::string& show, const std::string& label, std::string note = "") {
    return "<div class=\"cardcontrol\">" + note + "<button class=\"showtext\" show=\"" + show +
           "\">" + label + "</button></div>";
  };
  Quote huge{9, std::string(2000, 'y'), 0, {}, 20971520, 1};  // the model's cut of a 20 MB line
  const Quote huge_open{9, std::string(50000, 'y'), 0, {}, 20971520, 1};  // the same, opened
  std::string escaped_2000;
  for (int i = 0; i < 2000; ++i) escaped_2000 += "&#60;";
  const struct { Quote quote; bool open; std::string cell; } cases[] = {
      // An entity typed by the user shows literally (the ampersand pass runs first).
      {{1, "caf\xc3\xa9 \xe2\x80\x94 1 < 2 > 'x' & \"x\"\r\n\t&lt;\x01\xf0\x9f\x98\x80", 0, {}}, false,
       "caf\xc3\xa9 \xe2\x80\x94 1 &#60; 2 &#62; 'x' &#38; &#34;x&#34;\r<br>&#160;&#160;&#38;lt;\x01"
       "\xf0\x9f\x98\x80"},
      {{1, "", 0, {}}, false, ""},
      {{1, lines(25, "\n"), 0, {}}, false, lines(20, "<br>") + cut + control("all", "Show all (25 lines)")},
      {{1, lines(25, "\n"), 0, {}}, true, lines(25, "<br>") + control("less", "Show less")},
      {{1, lines(20, "\n") + "\n", 0, {}}, false, lines(20, "<br>") + "<br>"},
      {{1, std::string(3000, '<'), 0, {}}, false,
       escaped_2000 + cut + control("all", "Show all (3,000 characters)")},
      {huge, false,
       std::string(2000, 'y') + cut + control("all", "Show more (20,971,520 characters in all)")},
      {huge_open, true,
       std::string(50000, 'y') + cut +
           control("less", "Show less",
                   "<div class=\"cardnote\">Shown: the first 50,000 of 20,971,520 characters. "
                   "Copy the quote for the whole text.</div>")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(text_cell(quote_fragment(c.quote, c.open)), c.cell)
        << c.quote.m_utftext.substr(0, 20) << (c.open ? " (open)" : "");
}

TEST(QuoteFragment, SearchWordsAreMarkedInTheEscapedText) {
  const struct { const char *text, *words, *cell; } rows[] = {
      // Prefixes, case and accents folded; the mark covers the typed start.
      {"Philosophy of a CAFÉ", "philo cafe",
       "<span class=\"hit\">Philo</span>sophy of a <span class=\"hit\">CAFÉ</span>"},
      {"naïve cafe\u0301s", "naive café",
       "<span class=\"hit\">naïve</span> <span class=\"hit\">cafe\u0301</span>s"},
      // Markup characters in the text and in the words stay text.
      {"<b>bold</b> & \"x\"", "<b> &",
       "&#60;<span class=\"hit\">b</span>&#62;<span class=\"hit\">b</span>old&#60;/"
       "<span class=\"hit\">b</span>&#62; &#38; &#34;x&#34;"},
      {"a <span class=\"hit\">", "span hit",
       "a &#60;<span class=\"hit\">span</span> class=&#34;<span class=\"hit\">hit</span>&#34;&#62;"},
      // A phrase: its words in a row, the separators marked too; out of order, nothing.
      {"to be\nor not to be", "\"be or not\"", "to <span class=\"hit\">be<br>or not</span> to be"},
      {"to be\nor not to bee", "\"or to\" \"bee\"",
       "to be<br>or not to <span class=\"hit\">bee</span>"},
      // Text without spaces: the substring, from 3 characters.
      {"我在大学学习 大学", "大学学习", "我在<span class=\"hit\">大学学习</span> 大学"},
      // Overlapping and touching matches make one mark; excluded words none.
      {"aaaaa 东京东京东京", "aa 东京东",
       "<span class=\"hit\">aa</span>aaa <span class=\"hit\">东京东京东</span>京"},
      {"tea and milk", "te -milk", "<span class=\"hit\">te</span>a and milk"},
      {"tea and milk", "coffee", "tea and milk"},
      {"tea and milk", "", "tea and milk"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(text_cell(quote_fragment(Quote{1, r.text, 0, {}}, false, word_marks(r.words))), r.cell)
        << "text: " << r.text << ", words: " << r.words;
}

}  // namespace
}  // namespace pvl
