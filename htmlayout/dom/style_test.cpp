#include "htmlayout/dom/style.h"

#include <gtest/gtest.h>

#include "htmlayout/dom/css.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

TEST(CssTest, DeclarationsAreNormalised) {
  std::vector<declaration> d = parse_declarations(
      "  Behavior :  quote ;cursor:url( a b.cur )!important; junk; :x; flow: horizontal  "
      "! IMPORTANT ; content: 'a;b'");
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0].name, "behavior");
  EXPECT_EQ(d[0].value, "quote");
  EXPECT_FALSE(d[0].important);
  EXPECT_EQ(d[1].value, "url( a b.cur )");
  EXPECT_TRUE(d[1].important);
  EXPECT_EQ(d[2].value, "horizontal");
  EXPECT_TRUE(d[2].important);
  EXPECT_EQ(d[3].value, "'a;b'");
  EXPECT_EQ(format_declarations(d),
            "behavior: quote; cursor: url( a b.cur ) !important; flow: horizontal !important; "
            "content: 'a;b'");
}

TEST(CssTest, SheetsKeepWantedRulesOnly) {
  auto wanted = [](std::string_view p) { return p == "behavior"; };
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
      li { behavior: last )",
                                                    wanted);
  std::vector<std::string> seen;
  for (const style_rule& r : rules) seen.push_back(r.declarations[0].value);
  EXPECT_EQ(seen, (std::vector<std::string>{"quote", "quote", "shown", "braces", "last"}));
  EXPECT_EQ(rules[0].declarations.size(), 1u);
}

class CascadeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (root) free_tree(root);
  }
  element_node* load(std::string_view body) {
    root = parse_document(body);
    for_each_in_subtree(root, [&](node* n) {
      if (element_node* e = as_element(n)) e->style = resolver.compute(*e);
    });
    return root;
  }
  element_node* find(std::string_view id) {
    element_node* found = nullptr;
    for_each_in_subtree(root, [&](node* n) {
      element_node* e = as_element(n);
      const compact_string* v = e ? e->find_attribute(names::id) : nullptr;
      if (v && *v == id) found = e;
    });
    return found;
  }
  std::string_view value(std::string_view id, style_property p) {
    element_node* e = find(id);
    e->style = resolver.compute(*e);
    return style_value(*e, p);
  }

  style_resolver resolver;
  element_node* root = nullptr;
};

TEST_F(CascadeTest, SpecificityThenOrderDecide) {
  resolver.add_style_sheet(R"(
      #a { behavior: by-id }
      div.x { behavior: by-class-and-type }
      .x { behavior: by-class }
      div { behavior: by-type }
      .y { behavior: first } .z { behavior: second })");
  load("<div id=a class=x></div><div id=b class=x></div><div id=c></div><div id=d class='z y'>");
  EXPECT_EQ(value("a", style_property::behavior), "by-id");
  EXPECT_EQ(value("b", style_property::behavior), "by-class-and-type");
  EXPECT_EQ(value("c", style_property::behavior), "by-type");
  EXPECT_EQ(value("d", style_property::behavior), "second");
  // A second sheet comes later in the cascade.
  resolver.add_style_sheet(".y { behavior: from-second-sheet }");
  EXPECT_EQ(value("d", style_property::behavior), "from-second-sheet");
}

TEST_F(CascadeTest, InlineStyleAndImportance) {
  resolver.add_style_sheet(R"(
      #a { cursor: pointer !important; flow: vertical; behavior: sheet }
      #b { display: none !important })");
  load(
      "<div id=a style='cursor: text; flow: horizontal'></div>"
      "<div id=b style='display: block !important; behavior: inline'></div>");
  EXPECT_EQ(value("a", style_property::cursor), "pointer");
  EXPECT_EQ(value("a", style_property::flow), "horizontal");
  EXPECT_EQ(value("a", style_property::behavior), "sheet");
  EXPECT_EQ(value("b", style_property::display), "block");
  EXPECT_EQ(value("b", style_property::behavior), "inline");
}

TEST_F(CascadeTest, StatesAndAttributesSelectRules) {
  resolver.add_style_sheet(R"(
      tr { behavior: row }
      tr:checked { behavior: checked-row }
      table[editable] tr:current { behavior: editing })");
  load("<table id=t><tr id=r><td>x</td></tr></table>");
  EXPECT_EQ(value("r", style_property::behavior), "row");
  find("r")->state = state::checked;
  EXPECT_EQ(value("r", style_property::behavior), "checked-row");
  find("r")->state = state::checked | state::current;
  EXPECT_EQ(value("r", style_property::behavior), "checked-row");
  find("t")->attributes.push_back({intern("editable"), std::string_view()});
  EXPECT_EQ(value("r", style_property::behavior), "editing");
}

TEST_F(CascadeTest, CursorInheritsOthersDoNot) {
  resolver.add_style_sheet(R"(
      body[cursor='dragquote.cur'] { cursor: url(dragquote.cur) }
      .own { cursor: pointer }
      .back { cursor: inherit }
      #box { overflow: auto; behavior: box; context-menu: selector(#menu) })");
  load(
      "<body cursor=dragquote.cur><div id=box><p id=p></p><span id=own class=own></span>"
      "<b id=back class='own back'></b></div></body>");
  EXPECT_EQ(value("p", style_property::cursor), "url(dragquote.cur)");
  EXPECT_EQ(value("own", style_property::cursor), "pointer");
  EXPECT_EQ(value("back", style_property::cursor), "url(dragquote.cur)");
  EXPECT_EQ(value("box", style_property::context_menu), "selector(#menu)");
  EXPECT_EQ(value("p", style_property::overflow), "");
  EXPECT_EQ(value("p", style_property::behavior), "");
  EXPECT_EQ(value("p", style_property::display), "block");
  EXPECT_EQ(value("own", style_property::display), "inline");
}

TEST_F(CascadeTest, KnowsWhichChangesMatter) {
  resolver.add_style_sheet(R"(
      tr:checked td { behavior: a }
      table[multiple] > tr { behavior: b }
      .quote:focus { behavior: c }
      #x { behavior: d })");
  EXPECT_TRUE(resolver.state_affects_descendants(state::checked));
  EXPECT_FALSE(resolver.state_affects_element(state::checked));
  EXPECT_TRUE(resolver.state_affects_element(state::focus));
  EXPECT_FALSE(resolver.state_affects_element(state::hover));
  EXPECT_TRUE(resolver.attribute_affects_descendants(intern("multiple")));
  EXPECT_TRUE(resolver.attribute_affects_element(names::class_));
  EXPECT_TRUE(resolver.attribute_affects_element(names::id));
  EXPECT_TRUE(resolver.attribute_affects_element(names::style));
  EXPECT_FALSE(resolver.attribute_affects_element(intern("title")));
}

}  // namespace
}  // namespace htmlayout
