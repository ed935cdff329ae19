#include "htmlayout/dom/selector.h"

#include <gtest/gtest.h>

#include "htmlayout/dom/events.h"
#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

// A small tree: html > body > table#list > tr(.a) > td > div.quote#q-1 ...
class SelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = parse_document(
        "<body><table id=list multiple><tr class='row a'><td><div class=quote id=q-1 "
        "accesskey='^S'>one</div></td></tr><tr class=row><td><div class='quote big' "
        "id=q-2 lang=en-GB title='a b'>two</div></td></tr></table><p id=manage-tags></p>");
  }
  void TearDown() override { free_tree(root); }

  // The ids (or tags) of the elements that match, in document order.
  std::string select(std::string_view selector) {
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
  }

  element_node* by_id(std::string_view id) {
    element_node* found = nullptr;
    for_each_in_subtree(root, [&](node* n) {
      element_node* e = as_element(n);
      const compact_string* value = e ? e->find_attribute(names::id) : nullptr;
      if (value && *value == id) found = e;
    });
    return found;
  }

  element_node* root;
};

TEST_F(SelectorTest, TypeIdClassAndAttributes) {
  EXPECT_EQ(select("div"), "q-1 q-2");
  EXPECT_EQ(select("#manage-tags"), "manage-tags");
  EXPECT_EQ(select(".quote.big"), "q-2");
  EXPECT_EQ(select("tr.a"), "tr");
  EXPECT_EQ(select("table[multiple]"), "list");
  EXPECT_EQ(select("[lang|=en]"), "q-2");
  EXPECT_EQ(select("[title~=b]"), "q-2");
  EXPECT_EQ(select("[id^=q-]"), "q-1 q-2");
  EXPECT_EQ(select("[id$='-2']"), "q-2");
  EXPECT_EQ(select("[id*=age]"), "manage-tags");
  EXPECT_EQ(select("*[id='list']"), "list");
}

TEST_F(SelectorTest, AttributeValuesInAnyQuotes) {
  EXPECT_EQ(select("[id='q-2']"), "q-2");
  EXPECT_EQ(select("[id=\"q-2\"]"), "q-2");
  EXPECT_EQ(select("[id=q-2]"), "q-2");
  EXPECT_EQ(select("[ id = 'q-2' ]"), "q-2");
  EXPECT_EQ(select("[accesskey=='^S'],[accesskey-alt=='^S']"), "q-1");
  EXPECT_EQ(select("[accesskey=='^s']"), "");  // values compare case-sensitively
  EXPECT_EQ(select("[title='a b']"), "q-2");
  EXPECT_EQ(select("[title=\"it's\"]"), "");
}

TEST(QuotedSelectorValueTest, MatchesExactlyTheValueWhateverItHolds) {
  element_node* root = parse_document(
      "<body><p id=a title=\"it's\"></p><p id=b title='say \"hi\"'></p>"
      "<p id=c title='back\\slash'></p><p id=d title=\"x],[title\"></p><p id=e title=x></p>"
      "<p id=f title=''></p></body>");
  auto matching = [&](std::string_view value) {
    std::optional<selector_list> list =
        parse_selector("[title=" + quoted_selector_value(value) + "]");
    if (!list) return std::string("invalid");
    std::string ids;
    for_each_in_subtree(root, [&](node* n) {
      element_node* e = as_element(n);
      if (e && matches(*list, *e)) ids += e->find_attribute(names::id)->str();
    });
    return ids;
  };
  EXPECT_EQ(matching("it's"), "a");
  EXPECT_EQ(matching("say \"hi\""), "b");
  EXPECT_EQ(matching("back\\slash"), "c");
  EXPECT_EQ(matching("x],[title"), "d");
  EXPECT_EQ(matching("x"), "e");
  EXPECT_EQ(matching(""), "f");
  free_tree(root);
}

TEST_F(SelectorTest, StatesArePseudoClasses) {
  element_node* q2 = by_id("q-2");
  element_node* row2 = q2->parent->parent;
  EXPECT_EQ(select("tr:checked"), "");
  row2->state = state::checked | state::current;
  EXPECT_EQ(select("tr:checked"), "tr");
  EXPECT_EQ(select("tr:checked:current div"), "q-2");
  EXPECT_EQ(select(":checked:anchor"), "");
  row2->state |= state::anchor | state::expanded;
  EXPECT_EQ(select("tr:anchor:EXPANDED > td > div"), "q-2");
  q2->state = state::focus | state::hover | state::collapsed;
  EXPECT_EQ(select("div:focus:hover:collapsed"), "q-2");
  EXPECT_EQ(select(":focus"), "q-2");
}

TEST_F(SelectorTest, CombinatorsAndLists) {
  EXPECT_EQ(select("table div"), "q-1 q-2");
  EXPECT_EQ(select("table > div"), "");
  EXPECT_EQ(select("table > tr > td > div"), "q-1 q-2");
  EXPECT_EQ(select("body table tr.a div"), "q-1");
  EXPECT_EQ(select("#list tr td .big"), "q-2");
  EXPECT_EQ(select("html > body > p, .big"), "q-2 manage-tags");
  EXPECT_EQ(select("p div"), "");
}

TEST_F(SelectorTest, WhatCannotBeParsedIsInvalid) {
  for (const char* bad : {"",         " ",     "div >", "> div",       "div,",
                          ",div",     "a + b", "a ~ b", "div::before", ":first-child",
                          ":not(.a)", "[id",   "[id=]", "[id='x]",     "[=x]",
                          "#",        ".",     "div!",  "[id%=x]",     "a,,b"}) {
    EXPECT_EQ(select(bad), "invalid") << bad;
  }
}

TEST(SelectorSpecificityTest, CountsIdsClassesAndTypes) {
  auto specificity = [](std::string_view s) {
    return parse_selector(s)->alternatives[0].specificity;
  };
  EXPECT_EQ(specificity("div"), 1u);
  EXPECT_EQ(specificity("div.a"), (1u << 10) + 1);
  EXPECT_EQ(specificity("#x tr:checked [a]"), (1u << 20) + (2u << 10) + 1);
  EXPECT_GT(specificity("#x"), specificity(".a.b.c.d tr td"));
}

TEST(SimpleIdSelectorTest, RecognisesOnlyALoneIdTest) {
  EXPECT_EQ(simple_id_selector("#manage-tags"), "manage-tags");
  EXPECT_EQ(simple_id_selector(" [id='q-123'] "), "q-123");
  EXPECT_EQ(simple_id_selector("[id=\"q-1\"]"), "q-1");
  EXPECT_EQ(simple_id_selector("[id=q-1]"), "q-1");
  EXPECT_EQ(simple_id_selector("[id='a b']"), "a b");
  EXPECT_EQ(simple_id_selector("[id='']"), "");  // as the full parser: equal to the empty id
  for (const char* other :
       {"#a b", "#a.b", "#a,#b", "[id='a'],[name='a']", "[id='a]", "#", "[id=]", "[id='a\\'b']",
        "[ID='a']", "[id ='a']", "div#a", "#a:checked", "[id='a\"]", "[id=a b]"}) {
    EXPECT_FALSE(simple_id_selector(other).has_value()) << other;
  }
}

TEST(SelectorSubjectIdTest, FromHashOrIdAttribute) {
  EXPECT_EQ(*parse_selector("#a")->alternatives[0].subject_id(), "a");
  EXPECT_EQ(*parse_selector("div [id='q-1']")->alternatives[0].subject_id(), "q-1");
  EXPECT_EQ(parse_selector("#a div")->alternatives[0].subject_id(), nullptr);
  EXPECT_EQ(parse_selector("[id^=a]")->alternatives[0].subject_id(), nullptr);
}

}  // namespace
}  // namespace htmlayout
