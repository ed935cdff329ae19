// The fragments of quotes and tags, byte for byte, and that no stored text
// can change their structure.
#include "view/fragments.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "view/testing/html_tree.h"

namespace pvl {
namespace {

using view_testing::html_tree;

// Runs a test under the time zone `zone` and restores the previous one.
class time_zone {
 public:
  explicit time_zone(const char* zone) {
    if (const char* old = getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~time_zone() {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

// Seconds since 1970 of a local time.
int64_t local_stamp(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return mktime(&local);
}

Tag tag(int32_t id, const std::string& name) { return Tag{id, name}; }

TEST(QuoteFragment, TheExampleQuoteByteForByte) {
  time_zone zone("Europe/Berlin");
  Quote quote{7, "a<b", local_stamp(2008, 3, 7, 9, 5, 3), {}};
  EXPECT_EQ(quote_fragment(quote),
            "<div class=\"quote\" id=\"q-7\">"
            "<table class=\"qtable\" border=1 cellspacing=-1px>"
            "<tr><td colspan=3><div class=\"title\"></div></td></tr>"
            "<tr><td class=\"text\" colspan=3>a&#60;b</td></tr>"
            "<tr><td class=\"links\"></td>"
            "<td class=\"managecell\"><button class=\"managetags\" "
            "menu=\"manage-tags\">Manage...</button></td>"
            "<td class=\"timestamp\">2008-3-7  9:5:3</td></tr>"
            "</table>"
            "</div>");
}

TEST(QuoteFragment, TagsComeInStoredOrderWithTheQuoteInTheirIds) {
  Quote quote{5, "text", 0, {tag(3, "gamma"), tag(1, "alpha")}};
  const std::string html = quote_fragment(quote);
  const std::string links =
      "<td class=\"links\"><div class=\"qtag\" id=\"qt-5-3\">gamma</div>"
      "<div class=\"qtag\" id=\"qt-5-1\">alpha</div></td>";
  EXPECT_NE(html.find(links), std::string::npos) << html;
}

TEST(QuoteFragment, HasTheNestingTheViewAndTheControllerWalk) {
  Quote quote{5, "one\ntwo", 0, {tag(3, "gamma"), tag(1, "alpha")}};
  html_tree tree(row_fragment(quote_fragment(quote)), GUMBO_TAG_TABLE);
  const GumboNode* div = tree.by_id("q-5");
  ASSERT_NE(div, nullptr);
  // Quote -> child 0 (table) -> child 2 (third row) -> child 0: the links cell.
  auto table = html_tree::children(div).at(0);
  ASSERT_EQ(html_tree::tag(table), "table");
  auto body = html_tree::children(table).at(0);  // the parser's implied tbody
  ASSERT_EQ(html_tree::tag(body), "tbody");
  auto rows = html_tree::children(body);
  ASSERT_EQ(rows.size(), 3u);
  auto cells = html_tree::children(rows[2]);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(html_tree::attribute(cells[0], "class"), "links");
  EXPECT_EQ(html_tree::attribute(cells[1], "class"), "managecell");
  EXPECT_EQ(html_tree::attribute(cells[2], "class"), "timestamp");
  auto tags = html_tree::children(cells[0]);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(html_tree::attribute(tags[0], "id"), "qt-5-3");
  EXPECT_EQ(html_tree::attribute(tags[1], "id"), "qt-5-1");
  // The title row and the text row span the three columns.
  EXPECT_EQ(html_tree::attribute(html_tree::children(rows[0]).at(0), "colspan"), "3");
  EXPECT_EQ(html_tree::attribute(html_tree::children(rows[1]).at(0), "class"), "text");
}

// The text cell of a card: what it lays out of a long text, and its control.
TEST(QuoteFragment, ALongTextShowsABoundedStartAndTheControlThatOpensOrClosesIt) {
  auto lines = [](int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += (i > 1 ? "\n" : "") + std::to_string(i);
    return text;
  };
  auto shown_lines = [](int n) {
    std::string html;
    for (int i = 1; i <= n; ++i) html += (i > 1 ? "<br>" : "") + std::to_string(i);
    return html;
  };
  const std::string cut = "<span class=\"cutmark\">&#8230;</span>";
  auto control = [](const std::string& inside) {
    return "<div class=\"cardcontrol\">" + inside + "</div>";
  };
  const std::string less = "<button class=\"showtext\" show=\"less\">Show less</button>";
  // A record the model cut to a card's share of a 20 MB text of one line.
  Quote huge{9, std::string(2000, 'y'), 0, {}, 20971520, 1};
  Quote huge_open = huge;
  huge_open.m_utftext = std::string(50000, 'y');
  struct {
    Quote quote;
    bool open;
    std::string cell;
  } cases[] = {
      {{1, "a\nb", 0, {}}, false, "a<br>b"},
      {{1, lines(25), 0, {}}, false,
       shown_lines(20) + cut +
           control("<button class=\"showtext\" show=\"all\">Show all (25 lines)</button>")},
      {{1, lines(25), 0, {}}, true, shown_lines(25) + control(less)},
      {{1, lines(20) + "\n", 0, {}}, false, shown_lines(20) + "<br>"},
      {{1, std::string(3000, '<'), 0, {}}, false,
       [] {
         std::string html;
         for (int i = 0; i < 2000; ++i) html += "&#60;";
         return html;
       }() + cut +
           control("<button class=\"showtext\" show=\"all\">Show all (3,000 characters)</button>")},
      {huge, false,
       std::string(2000, 'y') + cut +
           control("<button class=\"showtext\" show=\"all\">"
                   "Show more (20,971,520 characters in all)</button>")},
      {huge_open, true,
       std::string(50000, 'y') + cut +
           control("<div class=\"cardnote\">Shown: the first 50,000 of 20,971,520 characters. "
                   "Copy the quote for the whole text.</div>" +
                   less)},
  };
  const std::string open_cell = "<td class=\"text\" colspan=3>";
  for (const auto& c : cases) {
    const std::string html = quote_fragment(c.quote, c.open);
    const size_t from = html.find(open_cell) + open_cell.size();
    EXPECT_EQ(html.substr(from, html.find("</td>", from) - from), c.cell)
        << c.quote.m_utftext.substr(0, 20) << (c.open ? " (open)" : "");
  }
}

TEST(EscapeQuoteText, SixPassesInOrder) {
  // Line ends: only the line feed becomes a break; the carriage return stays.
  EXPECT_EQ(escape_quote_text(L"one\r\ntwo"), L"one\r<br>two");
  EXPECT_EQ(escape_quote_text(L"a\tb"), L"a&#160;&#160;b");
  // An entity typed by the user shows literally.
  EXPECT_EQ(escape_quote_text(L"&lt;"), L"&#38;lt;");
  // The ampersand pass runs first, so the entities of later passes survive.
  EXPECT_EQ(escape_quote_text(L"&\t<>\"\n"), L"&#38;&#160;&#160;&#60;&#62;&#34;<br>");
  EXPECT_EQ(escape_quote_text(L"<<>>"), L"&#60;&#60;&#62;&#62;");
  // Everything else passes unchanged.
  EXPECT_EQ(escape_quote_text(L"'\x01\u00e9\u2014\U0001F600"), L"'\x01\u00e9\u2014\U0001F600");
  EXPECT_EQ(escape_quote_text(L""), L"");
}

TEST(QuoteFragment, TextIsEscapedAndNonAsciiKeptAsUtf8) {
  Quote quote{1, "caf\xc3\xa9 \xe2\x80\x94 1 < 2 & \"x\"\r\n\t&lt;", 0, {}};
  const std::string html = quote_fragment(quote);
  const std::string cell =
      "<td class=\"text\" colspan=3>caf\xc3\xa9 \xe2\x80\x94 1 &#60; 2 &#38; &#34;x&#34;\r<br>"
      "&#160;&#160;&#38;lt;</td>";
  EXPECT_NE(html.find(cell), std::string::npos) << html;
}

TEST(QuoteFragment, NoTextCanBreakTheCard) {
  Quote quote{9, "</td></tr></table></div><div id=\"q-1\">x", 0, {tag(2, "</div>")}};
  html_tree tree(row_fragment(quote_fragment(quote)), GUMBO_TAG_TABLE);
  EXPECT_EQ(tree.by_id("q-1"), nullptr);
  const GumboNode* div = tree.by_id("q-9");
  ASSERT_NE(div, nullptr);
  int divs = 0, tables = 0;
  html_tree::walk(div, [&](const GumboNode* node) {
    divs += html_tree::tag(node) == "div";
    tables += html_tree::tag(node) == "table";
  });
  EXPECT_EQ(divs, 3);  // the quote, its title, its one tag
  EXPECT_EQ(tables, 1);
  const GumboNode* text = tree.find("class", "text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(html_tree::text(text), quote.m_utftext);
  EXPECT_EQ(html_tree::text(tree.by_id("qt-9-2")), "</div>");
}

// The words of a word search marked in the text cell as the word indexes
// match them, every piece escaped: the cell's content for the typed words.
TEST(QuoteFragment, SearchWordsAreMarkedInTheEscapedText) {
  struct row {
    const char* text;
    const char* words;
    const char* cell;
  };
  const row rows[] = {
      // Prefixes, case and accents folded; the mark covers the typed start.
      {"Philosophy of a CAFÉ", "philo cafe",
       "<span class=\"hit\">Philo</span>sophy of a <span class=\"hit\">CAFÉ</span>"},
      {"naïve cafe\u0301s", "naive café",
       "<span class=\"hit\">naïve</span> <span class=\"hit\">cafe\u0301</span>s"},
      // Markup characters in the text and in the words stay text.
      {"<b>bold</b> & \"x\"", "<b> &",
       "&#60;<span class=\"hit\">b</span>&#62;<span class=\"hit\">b</span>old&#60;/"
       "<span class=\"hit\">b</span>&#62; "
       "&#38; &#34;x&#34;"},
      {"a <span class=\"hit\">", "span hit",
       "a &#60;<span class=\"hit\">span</span> class=&#34;<span class=\"hit\">hit</span>&#34;&#62;"},
      // A phrase is its words in a row, whole, the separators between them
      // marked too; not in that order, it marks nothing.
      {"to be\nor not to be", "\"be or not\"",
       "to <span class=\"hit\">be<br>or not</span> to be"},
      {"to be\nor not to bee", "\"or to\" \"bee\"", "to be<br>or not to <span class=\"hit\">bee</span>"},
      // Text without spaces: the substring, from 3 characters.
      {"我在大学学习 大学", "大学学习", "我在<span class=\"hit\">大学学习</span> 大学"},
      // Overlapping and touching matches make one mark; excluded words none.
      {"aaaaa 东京东京东京", "aa 东京东", "<span class=\"hit\">aa</span>aaa <span class=\"hit\">东京东京东</span>京"},
      {"tea and milk", "te -milk", "<span class=\"hit\">te</span>a and milk"},
      {"tea and milk", "coffee", "tea and milk"},
      {"tea and milk", "", "tea and milk"},
  };
  for (const row& r : rows) {
    const std::string html = quote_fragment(Quote{1, r.text, 0, {}}, false, word_marks(r.words));
    const std::string start = "<td class=\"text\" colspan=3>";
    const size_t from = html.find(start) + start.size();
    EXPECT_EQ(html.substr(from, html.find("</td>", from) - from), r.cell)
        << "text: " << r.text << ", words: " << r.words;
  }
}

TEST(TagFragments, IdsAndMarkupOfEachPlace) {
  const Tag twelve = tag(12, "work");
  EXPECT_EQ(vtag_fragment(twelve), "<div class=\"vtag\" id=\"vt-12\">work</div>");
  EXPECT_EQ(stag_fragment(twelve), "<div class=\"stag\" id=\"st-12\">work</div>");
  EXPECT_EQ(qtag_fragment(twelve, 5), "<div class=\"qtag\" id=\"qt-5-12\">work</div>");
  EXPECT_EQ(mtm_item_fragment(twelve),
            "<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-12\">work</li>");
  EXPECT_EQ(row_fragment(vtag_fragment(twelve)),
            "<tr><td><div class=\"vtag\" id=\"vt-12\">work</div></td></tr>");
  // Negative and large ids keep their plain decimal form.
  EXPECT_EQ(qtag_element_id(-3, 2147483647), "qt--3-2147483647");
  EXPECT_EQ(quote_element_id(0), "q-0");
}

TEST(TagFragments, NamesAreEscapedEverywhere) {
  const Tag bold = tag(12, "<b>x</b> & \"y\"");
  const std::string shown = "&#60;b&#62;x&#60;/b&#62; &#38; &#34;y&#34;";
  EXPECT_EQ(vtag_fragment(bold), "<div class=\"vtag\" id=\"vt-12\">" + shown + "</div>");
  EXPECT_EQ(stag_fragment(bold), "<div class=\"stag\" id=\"st-12\">" + shown + "</div>");
  EXPECT_EQ(qtag_fragment(bold, 5), "<div class=\"qtag\" id=\"qt-5-12\">" + shown + "</div>");
  EXPECT_EQ(mtm_item_fragment(bold),
            "<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-12\">" + shown + "</li>");
  // Parsed back, each shows the name's characters and holds no element.
  for (const std::string& html : {vtag_fragment(bold), stag_fragment(bold), qtag_fragment(bold, 5),
                                  mtm_item_fragment(bold)}) {
    html_tree tree(html, GUMBO_TAG_DIV);
    auto top = html_tree::children(tree.root());
    ASSERT_EQ(top.size(), 1u) << html;
    EXPECT_TRUE(html_tree::children(top[0]).empty()) << html;
    EXPECT_EQ(html_tree::text(top[0]), bold.m_utfname);
  }
  EXPECT_EQ(escape_tag_name("plain \xc3\xa9"), "plain \xc3\xa9");
}

TEST(FixedFragments, CaptionAndNewTagRow) {
  EXPECT_STREQ(kSearchCaptionFragment, "<div class=\"caption\">Drop tags here to search</div>");
  EXPECT_STREQ(kNewTagRowFragment, "<tr><td><div class=\"vtag\"></div></td></tr>");
}

TEST(FormatStamp, LocalTimeWithoutLeadingZeros) {
  const int64_t stamp = 1204880703;  // 2008-03-07 09:05:03 UTC
  {
    time_zone zone("UTC");
    EXPECT_EQ(format_stamp(stamp), "2008-3-7  9:5:3");
  }
  {
    time_zone zone("America/New_York");
    EXPECT_EQ(format_stamp(stamp), "2008-3-7  4:5:3");
  }
  {
    time_zone zone("Asia/Tokyo");
    EXPECT_EQ(format_stamp(stamp), "2008-3-7  18:5:3");
    EXPECT_EQ(format_stamp(local_stamp(2010, 12, 31, 23, 59, 59)), "2010-12-31  23:59:59");
  }
}

}  // namespace
}  // namespace pvl
