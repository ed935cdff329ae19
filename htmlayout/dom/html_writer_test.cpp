#include "htmlayout/dom/html_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

std::string reparse(std::string_view html, std::string_view context = "div") {
  std::optional<std::vector<node*>> nodes = parse_fragment(html, intern(context));
  std::string out;
  for (node* n : *nodes) {
    write_html(*n, out);
    free_tree(n);
  }
  return out;
}

TEST(HtmlWriterTest, TheProgramsFragmentsComeBackExactlyAndAnyOutputParsesToItself) {
  // (The parser reads a carriage return as a line feed, as HTML requires.)
  EXPECT_EQ(reparse("<td class=\"text\">one\r<br>two &amp;&lt;&gt;\" &nbsp;&nbsp;tab</td>"
                    "<td class=\"links\"><div class=\"qtag\" id=\"qt-8-1\">Grüße</div></td>",
                    "tr"),
            "<td class=\"text\">one\n<br>two &amp;&lt;&gt;\" &nbsp;&nbsp;tab</td>"
            "<td class=\"links\"><div class=\"qtag\" id=\"qt-8-1\">Grüße</div></td>");
  EXPECT_EQ(reparse("<tr><td><div class=\"vtag\"></div></td></tr>", "table"),
            "<tr><td><div class=\"vtag\"></div></td></tr>");
  for (const char* input : {
           "<p title='a \"quoted\" &amp; <b>'>x &lt; y &gt; z</p>",
           "<pre>\n\nindented</pre><textarea>\nkept</textarea>",
           "<style>td > div { color: red } /* </b> */</style><script>if (a < b) x();</script>",
           "<img src=\"a.png\" alt=\"\"><br><input value=\"&quot;\">", "<ul><li>one<li>two</ul>",
           "text only \xC2\xA0 with nbsp and \xE4\xB8\x96",
           "<noscript>a &lt;b&gt; <i>c</i></noscript>",  // found by fuzzing
       }) {
    std::string once = reparse(input);
    EXPECT_EQ(reparse(once), once) << input;
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
  EXPECT_EQ(reparse(out), out);
  div.children.clear();
  out.clear();

  std::optional<std::vector<node*>> nodes = parse_fragment("<td><div>a</div>b<br></td>", names::tr);
  write_inner_html(*as_element((*nodes)[0]), out);
  EXPECT_EQ(out, "<div>a</div>b<br>");
  free_tree((*nodes)[0]);
}

}  // namespace
}  // namespace htmlayout
