// The parser (gumbo), the quick parser for the program's own fragments and
// the writer: fragments in their context, written back and parsed again.
#include "htmlayout/dom/html_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/html_writer.h"
#include "htmlayout/dom/simple_fragment_parser.h"

namespace htmlayout {
namespace {

// Parses a fragment in a context and writes the nodes back, joined.
std::string fragment(std::string_view html, std::string_view context = "div") {
  std::optional<std::vector<node*>> nodes = parse_fragment(html, intern(context));
  if (!nodes) return "<refused>";
  std::string out;
  for (node* n : *nodes) {
    write_html(*n, out);
    free_tree(n);
  }
  return out;
}

TEST(HtmlParserTest, FragmentsInTheirContext) {
  const struct { const char *html, *context, *expected; } cases[] = {
      {"<tr><td>a</td></tr>", "table", "<tr><td>a</td></tr>"}, {"", "div", ""},
      {"<td>a</td><td>b</td>", "tr", "<td>a</td><td>b</td>"},
      {"<tr><td>a</td></tr>", "div", "a"},  // outside a table, as in any browser
      // No invented tbody, but a written one stays; white space between table parts goes.
      {"<table><tr><td>1</td></tr><tr><td>2</td></tr></table>", "div",
       "<table><tr><td>1</td></tr><tr><td>2</td></tr></table>"},
      {"<table><tbody><tr><td>1</td></tr></tbody></table>", "div",
       "<table><tbody><tr><td>1</td></tr></tbody></table>"},
      {"<table>\n  <tr>\n    <td> a </td>\n  </tr>\n</table>", "div", "<table><tr><td> a </td></tr></table>"},
      {"<DIV Class=\"Quote\" ID=q-1>a&#60;b &amp; c&nbsp;d&#38;</DIV>", "div",
       "<div class=\"Quote\" id=\"q-1\">a&lt;b &amp; c&nbsp;d&amp;</div>"},
      {"<popup id=p><text>x</text></popup>", "body", "<popup id=\"p\"><text>x</text></popup>"},
      // Malformed markup is repaired, not refused.
      {"<div><span>a</div>b</span>", "div", "<div><span>a</span></div>b"}, {"<td>x", "tr", "<td>x</td>"},
      {"</p></div><<>>&bogus;", "div", "<p></p>&lt;&lt;&gt;&gt;&amp;bogus;"},
      {"a<!-- dropped -->b<!---->c", "div", "abc"}};  // one text node
  for (const auto& c : cases) EXPECT_EQ(fragment(c.html, c.context), c.expected) << c.html;
  EXPECT_EQ(fragment(std::string("a\0b", 3)), "ab");
  std::string deep;
  for (size_t i = 0; i <= max_nesting_depth; ++i) deep += "<div>";
  EXPECT_EQ(fragment(deep), "<refused>");
  element_node* root = parse_document("<title>t</title><p>x");
  ASSERT_NE(root, nullptr);
  std::string out;
  write_html(*root, out);
  EXPECT_EQ(out, "<html><head><title>t</title></head><body><p>x</p></body></html>");
  free_tree(root);
}

// The program's fragments come back exactly, any output parses to itself, and
// characters a parser would change survive as references.
TEST(HtmlWriterTest, FragmentsComeBackExactlyAndAnyOutputParsesToItself) {
  // (The parser reads a carriage return as a line feed, as HTML requires.)
  EXPECT_EQ(fragment("<td class=\"text\">one\r<br>two &amp;&lt;&gt;\" &nbsp;&nbsp;tab</td>"
                     "<td class=\"links\"><div class=\"qtag\" id=\"qt-8-1\">Grüße</div></td>", "tr"),
            "<td class=\"text\">one\n<br>two &amp;&lt;&gt;\" &nbsp;&nbsp;tab</td>"
            "<td class=\"links\"><div class=\"qtag\" id=\"qt-8-1\">Grüße</div></td>");
  EXPECT_EQ(fragment("<tr><td><div class=\"vtag\"></div></td></tr>", "table"),
            "<tr><td><div class=\"vtag\"></div></td></tr>");
  for (const char* input : {"<p title='a \"quoted\" &amp; <b>'>x &lt; y &gt; z</p>",
           "<pre>\n\nindented</pre><textarea>\nkept</textarea>",
           "<style>td > div { color: red } /* </b> */</style><script>if (a < b) x();</script>",
           "<img src=\"a.png\" alt=\"\"><br><input value=\"&quot;\">", "<ul><li>one<li>two</ul>",
           "text only \xC2\xA0 with nbsp and \xE4\xB8\x96",
           "<noscript>a &lt;b&gt; <i>c</i></noscript>"}) {  // the last found by fuzzing
    std::string once = fragment(input);
    EXPECT_EQ(fragment(once), once) << input;
  }
  // Text set by the program, or read from references, may hold a carriage return, control characters or
  // noncharacters; written raw, a parser would turn the one into a line feed and the others into U+FFFD.
  element_node div(names::div);
  text_node text("a\r\nb\x03\x7f\xC2\x81\xEF\xBF\xBF\tc");
  text.parent = &div;
  div.attributes.push_back({names::title, std::string_view("x\ry\x1b")});
  div.children.insert(0, &text);
  std::string out;
  write_html(div, out);
  EXPECT_EQ(out, "<div title=\"x&#13;y&#27;\">a&#13;\nb&#3;&#127;&#129;&#65535;\tc</div>");
  EXPECT_EQ(fragment(out), out);
  div.children.clear();
  out.clear();
  std::optional<std::vector<node*>> nodes = parse_fragment("<td><div>a</div>b<br></td>", names::tr);
  write_inner_html(*as_element((*nodes)[0]), out);
  EXPECT_EQ(out, "<div>a</div>b<br>");
  free_tree((*nodes)[0]);
}

// A dump that shows every node, text boundaries included.
std::string dump(const node* n) {
  if (const text_node* t = as_text(n)) return "[" + t->text.str() + "]";
  const element_node* e = as_element(n);
  std::string out = "<" + std::string(name_of(e->tag));
  for (const attribute& a : e->attributes)
    out += " " + std::string(name_of(a.name)) + "={" + a.value.str() + "}";
  out += ">";
  for (size_t i = 0; i < e->children.size(); ++i) out += dump(e->children[i]);
  return out + "</" + std::string(name_of(e->tag)) + ">";
}
std::string dump(const std::vector<node*>& nodes) {
  std::string out;
  for (const node* n : nodes) out += dump(n);
  return out;
}

// Parses both ways; returns whether the quick parser accepted, and checks
// that it then built exactly what gumbo builds.
bool agrees(std::string_view html, std::string_view context) {
  atom c = intern(context);
  std::optional<std::vector<node*>> quick = parse_simple_fragment(html, c);
  if (!quick) return false;
  std::optional<std::vector<node*>> full = parse_fragment_fully(html, c);
  EXPECT_TRUE(full.has_value()) << html;
  if (full) {
    EXPECT_EQ(dump(*quick), dump(*full)) << "in <" << context << ">: " << html;
    for (node* n : *full) free_tree(n);
  }
  for (node* n : *quick) free_tree(n);
  return true;
}

TEST(SimpleFragmentParserTest, TakesTheProgramsFragmentsAndDeclinesWhatNeedsTheFullRules) {
  std::string quote = "<div class=\"quote\" id=\"q-7\"><table class=\"qtable\" border=1 cellspacing=-1px><tr>"
      "<td colspan=3><div class=\"title\"></div></td></tr><tr><td class=\"text\" colspan=3>"
      "a&#60;b &#38;lt; &#160;&#160;x&#34;y\r<br>line\r\n</td></tr><tr><td class=\"links\">"
      "<div class=\"qtag\" id=\"qt-7-3\">tag name</div></td><td class=\"managecell\"><button "
      "class=\"managetags\" menu=\"manage-tags\">Manage...</button></td><td class=\"timestamp\">"
      "2008-3-7  9:5:3</td></tr></table></div>";
  const std::pair<std::string, const char*> taken[] = {
      {quote, "td"}, {"<tr><td>" + quote + "</td></tr>", "table"},
      {"<tr><td><div class=\"vtag\" id=\"vt-1\">Grüße</div></td></tr>", "table"},
      {"<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-1\">x</li>", "menu"},
      {"<div class=\"caption\">Drop tags here to search</div>", "div"},
      {"<text><button action='add-new'>Add new item here...</button></text>", "options"},
      // References, line breaks, upper case, repeated attributes, table parts.
      {"<span class=\"a\r\nb\" id='c\rd'>&#x4E16;&#x4e16; a & b &</span>", "td"},
      {"<tr><TH ID=a class=x class=y>h</TH><td\fclass='q'>a\rb &#X4E;</td></tr>", "tbody"},
      {"<tbody><tr><td><x-y>1</x-y></td></tr></tbody><tfoot><tr><td\t></td></tr></tfoot>", "table"},
      {"<tr><th><ol><li>a</li></ol><li>b</li></th><td><li>c</li></td></tr>", "tfoot"},
      {"x &\r", "div"}, {"x &", "div"}, {"", "div"}};
  for (const auto& [html, context] : taken) EXPECT_TRUE(agrees(html, context)) << html;
  // A bare quote straight into a table needs foster parenting: left to gumbo.
  EXPECT_FALSE(agrees(quote, "table"));
  // The last eight are what gumbo reads as U+FFFD (found by fuzzing):
  // malformed UTF-8, control characters, noncharacters.
  for (const char* html : {"<p>a<p>b", "<div>unclosed", "<b><i>x</b></i>", "<a><a>x</a></a>",
           "<!-- c -->", "<td>x</td>", "<tr><td>x</tr>", "a &copy; b", "&#0;", "&#x80;", "&amp",
           "&abcdefghijklm;", "<div/>", "<br/", "<div a=1b=2>", "<li><span><li>x</li></span></li>",
           "<button><button></button></button>", "</div>", "<table>text</table>",
           "<select></select>", "<x y=\"a", "<div class=\"a\xb1\">x</div>", "a\xed\xa0\x80" "b",
           "a\xe2\x82", "a\x01b", "<span title=\"\x1b[0m\">x</span>", "a\x7f", "a\xc2\x85",
           "a\xef\xbf\xbf"})
    EXPECT_FALSE(agrees(html, "div")) << html;
  for (auto [html, context] : {std::pair{"<div></div>", "textarea"}, {"<div></div>", "html"},
           {"<p>x</p>", "tr"}})
    EXPECT_FALSE(agrees(html, context)) << context;
}

}  // namespace
}  // namespace htmlayout
