#include "htmlayout/dom/html_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/html_writer.h"

namespace htmlayout {
namespace {

// Parses a fragment in a context and writes the nodes back, joined.
std::string fragment(std::string_view html, std::string_view context) {
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
  const struct {
    const char *html, *context, *expected;
  } cases[] = {
      {"<tr><td>a</td></tr>", "table", "<tr><td>a</td></tr>"},
      {"<td>a</td><td>b</td>", "tr", "<td>a</td><td>b</td>"},
      {"<tr><td>a</td></tr>", "div", "a"},  // outside a table, as in any browser
      // No invented tbody, but a written one stays; white space between
      // table parts goes.
      {"<table><tr><td>1</td></tr><tr><td>2</td></tr></table>", "div",
       "<table><tr><td>1</td></tr><tr><td>2</td></tr></table>"},
      {"<table><tbody><tr><td>1</td></tr></tbody></table>", "div",
       "<table><tbody><tr><td>1</td></tr></tbody></table>"},
      {"<table>\n  <tr>\n    <td> a </td>\n  </tr>\n</table>", "div",
       "<table><tr><td> a </td></tr></table>"},
      {"<DIV Class=\"Quote\" ID=q-1>a&#60;b &amp; c&nbsp;d&#38;</DIV>", "div",
       "<div class=\"Quote\" id=\"q-1\">a&lt;b &amp; c&nbsp;d&amp;</div>"},
      {"<popup id=p><text>x</text></popup>", "body", "<popup id=\"p\"><text>x</text></popup>"},
      // Malformed markup is repaired, not refused.
      {"<div><span>a</div>b</span>", "div", "<div><span>a</span></div>b"},
      {"<td>x", "tr", "<td>x</td>"},
      {"</p></div><<>>&bogus;", "div", "<p></p>&lt;&lt;&gt;&gt;&amp;bogus;"},
      {"", "div", ""},
      {"a<!-- dropped -->b<!---->c", "div", "abc"},  // one text node
  };
  for (const auto& c : cases) EXPECT_EQ(fragment(c.html, c.context), c.expected) << c.html;
  EXPECT_EQ(fragment(std::string("a\0b", 3), "div"), "ab");
  std::string deep;
  for (size_t i = 0; i <= max_nesting_depth; ++i) deep += "<div>";
  EXPECT_EQ(fragment(deep, "div"), "<refused>");

  element_node* root = parse_document("<title>t</title><p>x");
  ASSERT_NE(root, nullptr);
  std::string out;
  write_html(*root, out);
  EXPECT_EQ(out, "<html><head><title>t</title></head><body><p>x</p></body></html>");
  free_tree(root);
}

}  // namespace
}  // namespace htmlayout
