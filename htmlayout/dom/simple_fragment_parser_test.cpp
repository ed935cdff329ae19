#include "htmlayout/dom/simple_fragment_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

// A dump that shows every node, text boundaries included.
std::string dump(const std::vector<node*>& nodes) {
  std::string out;
  for (node* top : nodes) {
    std::vector<std::pair<const node*, bool>> stack{{top, false}};
    while (!stack.empty()) {
      auto [n, closing] = stack.back();
      stack.pop_back();
      if (const text_node* t = as_text(n)) {
        out += "[" + t->text.str() + "]";
        continue;
      }
      const element_node* e = as_element(n);
      if (closing) {
        out += "</" + std::string(name_of(e->tag)) + ">";
        continue;
      }
      out += "<" + std::string(name_of(e->tag));
      for (const attribute& a : e->attributes)
        out += " " + std::string(name_of(a.name)) + "={" + a.value.str() + "}";
      out += ">";
      stack.push_back({n, true});
      for (size_t i = e->children.size(); i > 0; --i) stack.push_back({e->children[i - 1], false});
    }
  }
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
  std::string quote =
      "<div class=\"quote\" id=\"q-7\"><table class=\"qtable\" border=1 cellspacing=-1px><tr>"
      "<td colspan=3><div class=\"title\"></div></td></tr><tr><td class=\"text\" colspan=3>"
      "a&#60;b &#38;lt; &#160;&#160;x&#34;y\r<br>line\r\n</td></tr><tr><td class=\"links\">"
      "<div class=\"qtag\" id=\"qt-7-3\">tag name</div></td><td class=\"managecell\"><button "
      "class=\"managetags\" menu=\"manage-tags\">Manage...</button></td><td class=\"timestamp\">"
      "2008-3-7  9:5:3</td></tr></table></div>";
  const std::pair<std::string, const char*> taken[] = {
      {quote, "td"},
      {"<tr><td>" + quote + "</td></tr>", "table"},
      {"<tr><td><div class=\"vtag\" id=\"vt-1\">Grüße</div></td></tr>", "table"},
      {"<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-1\">x</li>", "menu"},
      {"<div class=\"caption\">Drop tags here to search</div>", "div"},
      {"<text><button action='add-new'>Add new item here...</button></text>", "options"},
      // References, line breaks, upper case, repeated attributes, table parts.
      {"<span class=\"a\r\nb\" id='c\rd'>&#x4E16;&#x4e16; a & b &</span>", "td"},
      {"<tr><TH ID=a class=x class=y>h</TH><td\fclass='q'>a\rb &#X4E;</td></tr>", "tbody"},
      {"<tbody><tr><td><x-y>1</x-y></td></tr></tbody><tfoot><tr><td\t></td></tr></tfoot>", "table"},
      {"<tr><th><ol><li>a</li></ol><li>b</li></th><td><li>c</li></td></tr>", "tfoot"},
      {"x &\r", "div"},
      {"x &", "div"},
      {"", "div"}};
  for (const auto& [html, context] : taken) EXPECT_TRUE(agrees(html, context)) << html;
  // A bare quote straight into a table needs foster parenting: left to gumbo.
  EXPECT_FALSE(agrees(quote, "table"));
  // The last eight are what gumbo reads as U+FFFD (found by fuzzing):
  // malformed UTF-8, control characters, noncharacters.
  for (const char* html : {"<p>a<p>b",
                           "<div>unclosed",
                           "<b><i>x</b></i>",
                           "<a><a>x</a></a>",
                           "<!-- c -->",
                           "<td>x</td>",
                           "<tr><td>x</tr>",
                           "a &copy; b",
                           "&#0;",
                           "&#x80;",
                           "&amp",
                           "&abcdefghijklm;",
                           "<div/>",
                           "<br/",
                           "<div a=1b=2>",
                           "<li><span><li>x</li></span></li>",
                           "<button><button></button></button>",
                           "</div>",
                           "<table>text</table>",
                           "<select></select>",
                           "<x y=\"a",
                           "<div class=\"a\xb1\">x</div>",
                           "a\xed\xa0\x80"
                           "b",
                           "a\xe2\x82",
                           "a\x01b",
                           "<span title=\"\x1b[0m\">x</span>",
                           "a\x7f",
                           "a\xc2\x85",
                           "a\xef\xbf\xbf"}) {
    atom context = intern("div");
    std::optional<std::vector<node*>> quick = parse_simple_fragment(html, context);
    EXPECT_FALSE(quick.has_value()) << html;
    if (quick)
      for (node* n : *quick) free_tree(n);
  }
  EXPECT_FALSE(parse_simple_fragment("<div></div>", intern("textarea")).has_value());
  EXPECT_FALSE(parse_simple_fragment("<div></div>", names::html).has_value());
  EXPECT_FALSE(parse_simple_fragment("<p>x</p>", names::tr).has_value());
}

}  // namespace
}  // namespace htmlayout
