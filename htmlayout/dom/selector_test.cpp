#include "htmlayout/dom/selector.h"

#include <gtest/gtest.h>

#include "htmlayout/dom/events.h"
#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

class SelectorTest : public ::testing::Test {
 protected:
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
  element_node* root = parse_document(
      "<body><table id=list multiple><tr class='row a'><td><div class=quote id=q-1 "
      "accesskey='^S'>one</div></td></tr><tr class=row><td><div class='quote big' "
      "id=q-2 lang=en-GB title='a b'>two</div></td></tr></table><p id=manage-tags></p>");
};

TEST_F(SelectorTest, MatchesInDocumentOrderOrIsInvalid) {
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

}  // namespace
}  // namespace htmlayout
