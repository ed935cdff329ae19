// Selectors, style declarations and sheets, and the cascade over a parsed page.
#include "htmlayout/dom/style.h"

#include <gtest/gtest.h>

#include <random>

#include "htmlayout/dom/css.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/selector.h"

namespace htmlayout {
namespace {

TEST(SelectorTest, MatchesInDocumentOrderOrIsInvalid) {
  element_node* root = parse_document(
      "<body><table id=list multiple><tr class='row a'><td><div class=quote id=q-1 "
      "accesskey='^S'>one</div></td></tr><tr class=row><td><div class='quote big' "
      "id=q-2 lang=en-GB title='a b'>two</div></td></tr></table><p id=manage-tags></p>");
  // The ids (or tags) of the elements that match, in document order.
  auto select = [&](std::string_view selector) -> std::string {
    std::optional<selector_list> list = parse_selector(selector);
    if (!list) return "invalid";
    std::string out;
    for_each_in_subtree(root, [&](node* n) {
      element_node* e = as_element(n);
      if (!e || !matches(*list, *e)) return;
      if (!out.empty()) out += ' ';
      const compact_string* id = e->find_attribute(names::id);
      out += id ? id->str() : std::string(name_of(e->tag));
    });
    return out;
  };
  const std::pair<const char*, const char*> cases[] = {
      {"div", "q-1 q-2"}, {"#manage-tags", "manage-tags"}, {".quote.big", "q-2"}, {"tr.a", "tr"},
      {"table[multiple]", "list"}, {"[lang|=en]", "q-2"}, {"[title~=b]", "q-2"},
      {"[id^=q-]", "q-1 q-2"}, {"[id$='-2']", "q-2"}, {"[id*=age]", "manage-tags"},
      {"*[id='list']", "list"}, {"[id=\"q-2\"]", "q-2"}, {"[id=q-2]", "q-2"},
      {"[ id = 'q-2' ]", "q-2"}, {"[accesskey=='^S'],[accesskey-alt=='^S']", "q-1"},
      {"[accesskey=='^s']", ""},  // values compare case-sensitively
      {"[title='a b']", "q-2"}, {"[title=\"it's\"]", ""}, {"table div", "q-1 q-2"},
      {"table > div", ""}, {"table > tr > td > div", "q-1 q-2"}, {"body table tr.a div", "q-1"},
      {"#list tr td .big", "q-2"}, {"html > body > p, .big", "q-2 manage-tags"}, {"p div", ""},
      {"TR:CHECKED", ""}};
  for (auto [selector, expected] : cases) EXPECT_EQ(select(selector), expected) << selector;
  for (const char* bad : {"", " ", "div >", "> div", "div,", ",div", "a + b", "a ~ b", "div::before",
           ":first-child", ":not(.a)", "[id", "[id=]", "[id='x]", "[=x]", "#", ".", "div!",
           "[id%=x]", "a,,b"})
    EXPECT_EQ(select(bad), "invalid") << bad;
  free_tree(root);
}

TEST(SelectorParseTest, SpecificitySubjectIdAndLoneIdSelectors) {
  auto first = [](std::string_view s) { return parse_selector(s)->alternatives[0]; };
  EXPECT_EQ(first("div").specificity, 1u);
  EXPECT_EQ(first("div.a").specificity, (1u << 10) + 1);
  EXPECT_EQ(first("#x tr:checked [a]").specificity, (1u << 20) + (2u << 10) + 1);
  EXPECT_GT(first("#x").specificity, first(".a.b.c.d tr td").specificity);
  EXPECT_EQ(*first("#a").subject_id(), "a");
  EXPECT_EQ(*first("div [id='q-1']").subject_id(), "q-1");
  EXPECT_EQ(first("#a div").subject_id(), nullptr);
  EXPECT_EQ(first("[id^=a]").subject_id(), nullptr);
  // "[id='']" as the full parser reads it: equal to the empty id.
  for (auto [selector, id] : {std::pair{"#manage-tags", "manage-tags"}, {" [id='q-123'] ", "q-123"},
           {"[id=\"q-1\"]", "q-1"}, {"[id=q-1]", "q-1"}, {"[id='a b']", "a b"}, {"[id='']", ""}})
    EXPECT_EQ(simple_id_selector(selector), id) << selector;
  for (const char* other :
       {"#a b", "#a.b", "#a,#b", "[id='a'],[name='a']", "[id='a]", "#", "[id=]", "[id='a\\'b']",
        "[ID='a']", "[id ='a']", "div#a", "#a:checked", "[id='a\"]", "[id=a b]"})
    EXPECT_FALSE(simple_id_selector(other).has_value()) << other;
}

element_node* by_id(element_node* root, std::string_view id) {
  element_node* found = nullptr;
  for_each_in_subtree(root, [&](node* n) {
    element_node* e = as_element(n);
    const compact_string* v = e ? e->find_attribute(names::id) : nullptr;
    if (v && *v == id) found = e;
  });
  return found;
}

TEST(CssTest, DeclarationsAreNormalisedAndSheetsKeepWantedRulesOnly) {
  std::vector<declaration> d = parse_declarations(
      "  Behavior :  quote ;cursor:url( a b.cur )!important; junk; :x; flow: horizontal  "
      "! IMPORTANT ; content: 'a;b'");
  EXPECT_EQ(format_declarations(d),
            "behavior: quote; cursor: url( a b.cur ) !important; flow: horizontal !important; "
            "content: 'a;b'");
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0].name + "|" + d[0].value + "|" + d[3].value, "behavior|quote|'a;b'");
  EXPECT_TRUE(!d[0].important && d[1].important && d[2].important);
  std::vector<style_rule> rules = parse_style_sheet(R"(
      /* a comment { behavior: no } */
      div.quote, td > div { color: red; behavior: quote }
      p { color: blue }
      @import url(x.css);
      @media print { .printed { behavior: printed } }
      @media screen, print { .shown { behavior: shown } }
      @font-face { font-family: x; behavior: no }
      a::before { behavior: no }
      .s[title="}{"] { behavior: braces }
      li { behavior: last )", [](std::string_view p) { return p == "behavior"; });
  std::string seen;
  for (const style_rule& r : rules) seen += r.declarations[0].value + " ";
  EXPECT_EQ(seen, "quote quote shown braces last ");
  EXPECT_EQ(rules[0].declarations.size(), 1u);
}

// Each case: a sheet, a body, and the values of properties of elements by id.
TEST(CascadeTest, SpecificityOrderImportanceStatesAttributesAndInheritance) {
  using values = std::vector<std::tuple<const char*, style_property, const char*>>;
  using enum style_property;
  const struct { const char *sheet, *body; values expected; } cases[] = {
      {R"(#a { behavior: by-id } div.x { behavior: by-class-and-type } .x { behavior: by-class }
          div { behavior: by-type } .y { behavior: first } .z { behavior: second })",
       "<div id=a class=x></div><div id=b class=x></div><div id=c></div><div id=d class='z y'>",
       {{"a", behavior, "by-id"}, {"b", behavior, "by-class-and-type"}, {"c", behavior, "by-type"},
        {"d", behavior, "second"}}},
      {R"(#a { cursor: pointer !important; flow: vertical; behavior: sheet }
          #b { display: none !important })",
       "<div id=a style='cursor: text; flow: horizontal'></div>"
       "<div id=b style='display: block !important; behavior: inline'></div>",
       {{"a", cursor, "pointer"}, {"a", flow, "horizontal"}, {"a", behavior, "sheet"},
        {"b", display, "block"}, {"b", behavior, "inline"}}},
      {R"(body[cursor='dragquote.cur'] { cursor: url(dragquote.cur) } .own { cursor: pointer }
          .back { cursor: inherit } #box { overflow: auto; behavior: box; context-menu: selector(#m) })",
       "<body cursor=dragquote.cur><div id=box><p id=p></p><span id=own class=own></span>"
       "<b id=back class='own back'></b></div></body>",
       // The cursor inherits, the others do not.
       {{"p", cursor, "url(dragquote.cur)"}, {"own", cursor, "pointer"}, {"p", behavior, ""},
        {"back", cursor, "url(dragquote.cur)"}, {"box", context_menu, "selector(#m)"}, {"p", overflow, ""},
        {"p", display, "block"}, {"own", display, "inline"}}}};
  for (const auto& c : cases) {
    style_resolver resolver;
    resolver.add_style_sheet(c.sheet);
    element_node* root = parse_document(c.body);
    // Styles in document order, so that what inherits finds its parent's.
    for_each_in_subtree(root, [&](node* n) {
      if (element_node* e = as_element(n)) e->style = resolver.compute(*e);
    });
    for (const auto& [id, property, expected] : c.expected)
      EXPECT_EQ(style_value(*by_id(root, id), property), expected) << c.sheet << " #" << id;
    free_tree(root);
  }
}

// A batch gives each new element the style the resolver computes for it, on
// random pages (rows alike but for an attribute, a state, a named or an
// unnamed id, an inline style, deep in them or above) under random sheets.
TEST(StyleBatchTest, GivesEveryElementTheStyleTheRulesGive) {
  const char* const kSelectors[] = {"div", ".a", "#n", "[lazy]", "tr[lazy] div", "td > .a",
                                    "tr:checked div", "#n td", "[id^=q]", ".a .b", "p:checked", "p.b"};
  const char* const kValues[] = {"behavior: x", "behavior: y", "flow: vertical", "cursor: text",
                                 "display: none", "overflow: auto"};
  const char* const kAttributes[] = {"", " class=a", " class='a b'", " id=n", " id=q1",
                                     " id=other", " lazy", " style='flow: horizontal'",
                                     " style='flow: vertical'"};
  std::mt19937 random(7);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  for (int round = 0; round < 60; ++round) {
    std::string sheet;
    for (int n = 3 + pick(6); n > 0; --n)
      sheet += std::string(kSelectors[pick(12)]) + " { " + kValues[pick(6)] + " }\n";
    std::string rows;
    for (int n = 2 + pick(6); n > 0; --n) {
      rows += std::string("<tr") + kAttributes[pick(9)] + "><td" + kAttributes[pick(9)] + "><div" +
              kAttributes[pick(9)] + "><p" + kAttributes[pick(9)] + "></p></div></td></tr>";
    }
    style_resolver resolver;
    resolver.add_style_sheet(sheet);
    element_node* root = parse_document("<table>" + rows + "</table>");
    style_batch batch(resolver);
    for_each_in_subtree(root, [&](node* n) {
      element_node* e = as_element(n);
      if (!e) return;
      if (!pick(4)) e->state = state::checked;
      EXPECT_EQ(style_at(batch.compute(*e)), style_at(resolver.compute(*e))) << sheet << rows;
    });
    free_tree(root);
  }
}

}  // namespace
}  // namespace htmlayout
