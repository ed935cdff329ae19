#include "htmlayout/dom/html_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

std::string reparse(std::string_view html, std::string_view context) {
  std::optional<std::vector<node*>> nodes = parse_fragment(html, intern(context));
  std::string out;
  for (node* n : *nodes) {
    write_html(*n, out);
    free_tree(n);
  }
  return out;
}

// The program's fragments, as its view builds them.
std::string quote_fragment(int id, std::string_view text, std::string_view tags) {
  std::string n = std::to_string(id);
  return "<div class=\"quote\" id=\"q-" + n + "\"><table class=\"qtable\" border=\"1\" " +
         "cellspacing=\"-1px\"><tr><td colspan=\"3\"><div class=\"title\"></div></td></tr>" +
         "<tr><td class=\"text\" colspan=\"3\">" + std::string(text) + "</td></tr>" +
         "<tr><td class=\"links\">" + std::string(tags) + "</td><td class=\"managecell\">" +
         "<button class=\"managetags\" menu=\"manage-tags\">Manage...</button></td>" +
         "<td class=\"timestamp\">2008-3-7  9:5:3</td></tr></table></div>";
}

TEST(HtmlWriterTest, ProgramFragmentsRoundTripExactly) {
  const std::string fragments[] = {
      quote_fragment(7, "a&lt;b", ""),
      quote_fragment(8, "line one\r<br>line two &amp;&lt;&gt;\" &nbsp;&nbsp;tab",
                     "<div class=\"qtag\" id=\"qt-8-3\">alpha</div>"
                     "<div class=\"qtag\" id=\"qt-8-1\">Grüße</div>"),
      "<div class=\"vtag\" id=\"vt-12\">tag</div>",
      "<div class=\"stag\" id=\"st-12\">tag</div>",
      "<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-12\">tag</li>",
      "<div class=\"caption\">Drop tags here to search</div>",
  };
  for (const std::string& f : fragments) {
    std::string expected = f;
    // The parser reads a carriage return as a line feed, as HTML requires.
    size_t cr = expected.find('\r');
    if (cr != std::string::npos) expected.replace(cr, 1, "\n");
    EXPECT_EQ(reparse(f, "td"), expected);
  }
  EXPECT_EQ(reparse("<tr><td><div class=\"vtag\"></div></td></tr>", "table"),
            "<tr><td><div class=\"vtag\"></div></td></tr>");
}

TEST(HtmlWriterTest, OutputParsesBackToTheSameTree) {
  const char* inputs[] = {
      "<p title='a \"quoted\" &amp; <b>'>x &lt; y &gt; z</p>",
      "<pre>\n\nindented</pre><textarea>\nkept</textarea>",
      "<style>td > div { color: red } /* </b> */</style><script>if (a < b) x();</script>",
      "<img src=\"a.png\" alt=\"\"><br><input value=\"&quot;\">",
      "<ul><li>one<li>two</ul>",
      "text only \xC2\xA0 with nbsp and \xE4\xB8\x96",
      "<noscript>a &lt;b&gt; <i>c</i></noscript>",
  };
  for (const char* input : inputs) {
    std::string once = reparse(input, "div");
    EXPECT_EQ(reparse(once, "div"), once) << input;
  }
}

TEST(HtmlWriterTest, CharactersAParserWouldChangeSurviveAsReferences) {
  // Text set by the program, or read from references, may hold a carriage
  // return, control characters or noncharacters; written raw, a parser
  // would turn the one into a line feed and the others into U+FFFD.
  element_node div(names::div);
  text_node text("a\r\nb\x03\x7f\xC2\x81\xEF\xBF\xBF\tc");
  text.parent = &div;
  div.attributes.push_back({names::title, std::string_view("x\ry\x1b")});
  div.children.insert(0, &text);
  std::string out;
  write_html(div, out);
  EXPECT_EQ(out, "<div title=\"x&#13;y&#27;\">a&#13;\nb&#3;&#127;&#129;&#65535;\tc</div>");
  EXPECT_EQ(reparse(out, "div"), out);
  div.children.clear();
}

TEST(HtmlWriterTest, InnerHtmlLeavesTheElementOut) {
  std::optional<std::vector<node*>> nodes =
      parse_fragment("<td class=\"links\"><div>a</div>b<br></td>", names::tr);
  ASSERT_EQ(nodes->size(), 1u);
  std::string inner;
  write_inner_html(*as_element((*nodes)[0]), inner);
  EXPECT_EQ(inner, "<div>a</div>b<br>");
  free_tree((*nodes)[0]);
}

}  // namespace
}  // namespace htmlayout
