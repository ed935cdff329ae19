#include "htmlayout/dom/element.h"

#include <gtest/gtest.h>

#include "fml/text.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

namespace htmlayout {
namespace {

using dom::element;

std::string quote_fragment(int id) {
  std::string n = std::to_string(id);
  return "<div class=\"quote\" id=\"q-" + n +
         "\"><table class=\"qtable\" border=1 "
         "cellspacing=-1px><tr><td colspan=3><div class=\"title\"></div></td></tr><tr><td "
         "class=\"text\" colspan=3>text " +
         n +
         "</td></tr><tr><td class=\"links\"><div "
         "class=\"qtag\" id=\"qt-" +
         n +
         "-1\">alpha</div></td><td class=\"managecell\"><button "
         "class=\"managetags\" menu=\"manage-tags\">Manage...</button></td><td "
         "class=\"timestamp\">2008-3-7  9:5:3</td></tr></table></div>";
}

std::string row(const std::string& fragment) { return "<tr><td>" + fragment + "</td></tr>"; }

class ElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.load_html(
        "<html><head><style>.hidden { display: none }</style></head><body>"
        "<table id=taglist></table>\n"
        "<table id=thequotelist>\n</table>\n"
        "<div id=p-searchbar is_empty><div class=caption>Drop tags here to search</div></div>"
        "<menu id=manage-tags></menu>"
        "</body></html>");
    root = doc.root();
    quotes = root.select_first("[id='thequotelist']");
    tags = root.select_first("#taglist");
    menu = root.select_first("#manage-tags");
  }

  // The ids of the element children's first div, or of the children.
  static std::string ids(const element& parent) {
    std::string out;
    for (size_t i = 0; i < parent.children_count(); ++i) {
      element child = parent.child(i);
      element div =
          child.tag_name() == "div" || child.tag_name() == "li" ? child : child.select_first("div");
      if (!out.empty()) out += ' ';
      out += div.get_attribute_utf8("id").value_or("?");
    }
    return out;
  }

  document doc;
  element root, quotes, tags, menu;
};

TEST_F(ElementTest, TreeNavigation) {
  EXPECT_EQ(root.tag_name(), "html");
  EXPECT_EQ(root.children_count(), 2u);  // head and body: no white space children
  element body = root.child(1);
  EXPECT_EQ(body.tag_name(), "body");
  EXPECT_EQ(body.parent(), root);
  EXPECT_FALSE(root.parent().is_valid());
  EXPECT_EQ(quotes.index(), 1u);
  EXPECT_EQ(quotes.root(), root);
  EXPECT_EQ(quotes.children_count(), 0u);
  EXPECT_FALSE(body.child(99).is_valid());
  // A visit of the descendants in document order, as the view finds its lists.
  std::vector<std::string> seen;
  element found;
  root.visit([&](const element& e) {
    seen.push_back(e.tag_name());
    if (e.get_attribute_utf8("id") != "taglist") return false;
    found = e;
    return true;
  });
  EXPECT_EQ(found, tags);
  EXPECT_EQ(seen, (std::vector<std::string>{"head", "style", "body", "table"}));
}

TEST_F(ElementTest, SetHtmlAtEachPositionOnATable) {
  quotes.set_html(row(quote_fragment(1)), position::insert_at_start);
  quotes.set_html(row(quote_fragment(2)), position::insert_at_start);
  quotes.set_html(row(quote_fragment(3)), position::append_after_last);
  EXPECT_EQ(ids(quotes), "q-2 q-1 q-3");
  // The rows stay rows and the quote keeps the paths the view relies on.
  element q1 = quotes.select_first("[id='q-1']");
  EXPECT_EQ(q1.parent().parent().tag_name(), "tr");
  EXPECT_EQ(q1.parent().parent().parent(), quotes);
  element links = q1.child(0).child(2).child(0);
  EXPECT_EQ(links.get_attribute_utf8("class"), "links");
  EXPECT_EQ(q1.select_first("div").get_attribute_utf8("class"), "title");
  // Position 0 replaces the content; an empty fragment clears it.
  quotes.set_html(row(quote_fragment(9)), position::replace_content);
  EXPECT_EQ(ids(quotes), "q-9");
  EXPECT_FALSE(q1.is_valid());
  quotes.set_html("", position::replace_content);
  EXPECT_EQ(quotes.children_count(), 0u);
  EXPECT_EQ(quotes.html(false), "");
}

TEST_F(ElementTest, SetHtmlOnRowsCellsAndLists) {
  quotes.set_html(row(quote_fragment(1)), position::append_after_last);
  element tr = quotes.child(0);
  tr.set_html("<td>second cell</td>", position::append_after_last);
  EXPECT_EQ(tr.children_count(), 2u);
  EXPECT_EQ(tr.child(1).tag_name(), "td");
  EXPECT_EQ(tr.child(1).text(), L"second cell");
  // A cell's content: the links cell of a quote gets another tag appended.
  element links = quotes.select_first("[id='q-1']").child(0).child(2).child(0);
  links.set_html(links.html(false) + "<div class=\"qtag\" id=\"qt-1-2\">beta</div>",
                 position::replace_content);
  EXPECT_EQ(links.children_count(), 2u);
  EXPECT_TRUE(quotes.select_first("#qt-1-2").is_valid());
  // A list takes items at either end.
  menu.set_html("<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-1\">a</li>", 1);
  menu.set_html("<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-2\">b</li>", 1);
  menu.set_html("<li type=\"check\" name=\"mtmchecks\" id=\"mtmcheck-3\">c</li>", 2);
  EXPECT_EQ(ids(menu), "mtmcheck-2 mtmcheck-1 mtmcheck-3");
  // Before, after and instead of an element.
  element second = menu.child(1);
  second.set_html("<li id=before></li>", position::insert_before);
  second.set_html("<li id=after></li>", position::insert_after);
  EXPECT_EQ(ids(menu), "mtmcheck-2 before mtmcheck-1 after mtmcheck-3");
  second.set_html("<li id=instead></li>", position::replace_element);
  EXPECT_EQ(ids(menu), "mtmcheck-2 before instead after mtmcheck-3");
  EXPECT_FALSE(second.is_valid());
}

TEST_F(ElementTest, OuterHtmlOfInsertedFragmentsRoundTrips) {
  std::string fragment = quote_fragment(5);
  quotes.set_html(row(fragment), position::insert_at_start);
  element quote = quotes.select_first("#q-5");
  std::string html = quote.html(true);
  // Unquoted attribute values come back quoted; everything else as written.
  std::string expected = fragment;
  for (auto [from, to] : {std::pair{"border=1", "border=\"1\""},
                          {"cellspacing=-1px", "cellspacing=\"-1px\""},
                          {"colspan=3", "colspan=\"3\""},
                          {"colspan=3", "colspan=\"3\""}}) {
    expected.replace(expected.find(from), std::string(from).size(), to);
  }
  EXPECT_EQ(html, expected);
  EXPECT_EQ(quotes.html(false), "<tr><td>" + expected + "</td></tr>");
  // Setting it back gives the same again.
  element cell = quote.parent();
  cell.set_html(html, position::replace_content);
  EXPECT_EQ(cell.html(false), expected);
}

TEST_F(ElementTest, AttributesAndText) {
  element bar = root.select_first("#p-searchbar");
  EXPECT_EQ(bar.get_attribute("is_empty"), L"");
  EXPECT_TRUE(bar.has_attribute("IS_EMPTY"));
  EXPECT_FALSE(bar.get_attribute("missing").has_value());
  bar.set_attribute("qid", L"12");
  EXPECT_EQ(bar.get_attribute("qid"), L"12");
  bar.set_attribute("title", L"Grüße \"<&>\"");
  EXPECT_EQ(bar.get_attribute("title"), L"Grüße \"<&>\"");
  EXPECT_NE(bar.html(true).find("title=\"Grüße &quot;<&amp;>&quot;\""), std::string::npos);
  bar.remove_attribute("is_empty");
  EXPECT_FALSE(bar.has_attribute("is_empty"));
  EXPECT_EQ(bar.attribute_count(), 3u);
  EXPECT_EQ(bar.attribute_name(0), "id");
  EXPECT_EQ(bar.attribute_value(1), L"12");

  element caption = bar.child(0);
  EXPECT_EQ(caption.text(), L"Drop tags here to search");
  caption.set_text(L"a < b & \u4E16");
  EXPECT_EQ(caption.text(), L"a < b & \u4E16");
  EXPECT_EQ(caption.html(false), "a &lt; b &amp; \xE4\xB8\x96");
  bar.set_html("<b>x</b> and <i>y</i>");
  EXPECT_EQ(bar.text(), L"x and y");
  bar.set_text(L"");
  EXPECT_EQ(bar.html(false), "");
}

TEST_F(ElementTest, StyleAttributes) {
  element bar = root.select_first("#p-searchbar");
  EXPECT_EQ(bar.get_style_attribute("display"), L"block");
  bar.set_style_attribute("width", L"120px");
  bar.set_style_attribute("height", L"100%");
  EXPECT_EQ(bar.get_attribute("style"), L"width: 120px; height: 100%");
  bar.set_style_attribute("width", L"130px");
  EXPECT_EQ(bar.get_style_attribute("width"), L"130px");
  bar.set_style_attribute("display", L"none");
  EXPECT_EQ(bar.get_style_attribute("display"), L"none");
  EXPECT_FALSE(bar.is_visible());
  bar.set_style_attribute("display", L"");
  bar.set_style_attribute("height", L"");
  bar.set_style_attribute("width", L"");
  EXPECT_FALSE(bar.has_attribute("style"));
  EXPECT_TRUE(bar.is_visible());
}

TEST_F(ElementTest, VisibilityAndEnabledFollowAncestors) {
  quotes.set_html(row(quote_fragment(1)), 1);
  element quote = quotes.select_first("#q-1");
  EXPECT_TRUE(quote.is_visible());
  EXPECT_TRUE(quote.is_enabled());
  quotes.set_attribute("class", L"hidden");
  EXPECT_FALSE(quote.is_visible());
  quotes.set_attribute("class", L"");
  EXPECT_TRUE(quote.is_visible());
  quotes.set_attribute("disabled", L"");
  EXPECT_FALSE(quote.is_enabled());
  quotes.remove_attribute("disabled");
  quote.set_state(state::disabled);
  EXPECT_FALSE(quote.is_enabled());
  EXPECT_FALSE(element::create("div").is_visible());  // outside the document
}

TEST_F(ElementTest, SelectFindsDescendantsInDocumentOrder) {
  for (int i = 1; i <= 5; ++i) quotes.set_html(row(quote_fragment(i)), 1);
  EXPECT_EQ(quotes.select_all("div.quote").size(), 5u);
  EXPECT_EQ(quotes.select_first("div.quote").get_attribute_utf8("id"), "q-5");
  EXPECT_EQ(quotes.select_first("[id='q-3']").get_attribute_utf8("id"), "q-3");
  EXPECT_FALSE(tags.select_first("[id='q-3']").is_valid());       // not under the tag list
  EXPECT_FALSE(quotes.select_first("#thequotelist").is_valid());  // not the element itself
  quotes.child(3).set_state(state::checked);
  quotes.child(1).set_state(state::checked);
  std::string checked;
  quotes.select_all("tr:checked", [&](const element& tr) {
    checked += tr.select_first("div").get_attribute_utf8("id").value_or("") + " ";
    tr.set_state(0, state::checked);  // the callback may change states
    return false;
  });
  EXPECT_EQ(checked, "q-4 q-2 ");
  EXPECT_EQ(quotes.select_all(":checked").size(), 0u);
  // A callback answering true stops the walk.
  size_t calls = quotes.select_all("div.quote", [](const element&) { return true; });
  EXPECT_EQ(calls, 1u);
  // select_parent tests the element itself, then its ancestors.
  element tag = quotes.select_first("#qt-2-1");
  EXPECT_EQ(tag.select_parent("div.quote").get_attribute_utf8("id"), "q-2");
  EXPECT_EQ(tag.select_parent("div"), tag);
  EXPECT_FALSE(tag.select_parent("table#thequotelist", 3).is_valid());
  EXPECT_EQ(tag.select_parent("table#thequotelist", 0), quotes);
  // Unparsable selectors select nothing.
  EXPECT_FALSE(quotes.select_first("div >").is_valid());
  EXPECT_TRUE(quotes.select_all("[id='q-1'").empty());
  EXPECT_FALSE(tag.select_parent("::x").is_valid());
}

TEST_F(ElementTest, IdIndexFollowsChanges) {
  quotes.set_html(row(quote_fragment(1)), 1);
  element q = quotes.select_first("#q-1");
  q.set_attribute("id", L"q-100");
  EXPECT_FALSE(root.select_first("#q-1").is_valid());
  EXPECT_EQ(root.select_first("#q-100"), q);
  q.remove_attribute("id");
  EXPECT_FALSE(root.select_first("#q-100").is_valid());
  q.set_attribute("id", L"q-7");
  // Detached, it leaves the index but can still be found under itself.
  element r = quotes.child(0);
  r.detach();
  EXPECT_FALSE(root.select_first("#q-7").is_valid());
  EXPECT_EQ(r.select_first("#q-7"), q);
  tags.append(r);
  EXPECT_EQ(root.select_first("#q-7"), q);
  EXPECT_FALSE(quotes.select_first("#q-7").is_valid());
  EXPECT_EQ(tags.select_first("#q-7"), q);
  // Two elements with one id: the first in document order (the tag list
  // comes before the quote list).
  quotes.set_html(row("<div id=q-7 class=dup></div>"), 1);
  EXPECT_EQ(root.select_first("#q-7").get_attribute_utf8("class"), "quote");
  EXPECT_EQ(quotes.select_first("#q-7").get_attribute_utf8("class"), "dup");
  EXPECT_EQ(root.select_all("[id='q-7']").size(), 2u);
}

TEST_F(ElementTest, CreateInsertDetachDelete) {
  element tr = element::create("TR");
  element td = element::create("td", L"cell");
  tr.append(td);
  EXPECT_EQ(tr.tag_name(), "tr");
  EXPECT_EQ(tr.html(true), "<tr><td>cell</td></tr>");
  quotes.insert(tr, 0);
  quotes.set_html(row(quote_fragment(1)), 2);
  element last = element::create("tr");
  quotes.insert(last, 1);
  EXPECT_EQ(quotes.children_count(), 3u);
  EXPECT_EQ(quotes.child(1), last);
  EXPECT_EQ(last.index(), 1u);
  // Inserting moves: into another table, then back.
  tags.insert(td, 0);
  EXPECT_EQ(tr.children_count(), 0u);
  EXPECT_EQ(td.parent(), tags);
  // An element never goes into itself or its descendants.
  element q = quotes.select_first("#q-1");
  q.insert(quotes, 0);
  EXPECT_EQ(quotes.parent().tag_name(), "body");
  // Detached elements keep living while held, with their content.
  element quote_row = quotes.child(2);
  quote_row.detach();
  EXPECT_TRUE(quote_row.is_valid());
  EXPECT_FALSE(quote_row.parent().is_valid());
  EXPECT_EQ(quote_row.select_first("div").get_attribute_utf8("id"), "q-1");
  // Deleting invalidates the element and its descendants.
  tr.delete_element();
  EXPECT_FALSE(tr.is_valid());
  EXPECT_EQ(quotes.children_count(), 1u);
  quote_row.delete_element();
  EXPECT_FALSE(q.is_valid());
  // Inserting a deleted element or into one does nothing.
  quotes.insert(q, 0);
  q.insert(last, 0);
  EXPECT_EQ(quotes.children_count(), 1u);
}

TEST_F(ElementTest, DeletedHandlesAreHarmless) {
  quotes.set_html(row(quote_fragment(1)), 1);
  element quote = quotes.select_first("#q-1");
  element text_cell = quote.select_first("td.text");
  quotes.set_html("", 0);
  for (const element& dead : {quote, text_cell, element()}) {
    EXPECT_FALSE(dead.is_valid());
    EXPECT_FALSE(dead);
    EXPECT_EQ(dead.node(), nullptr);
    EXPECT_FALSE(dead.root().is_valid());
    EXPECT_FALSE(dead.parent().is_valid());
    EXPECT_EQ(dead.children_count(), 0u);
    EXPECT_FALSE(dead.child(0).is_valid());
    EXPECT_EQ(dead.index(), 0u);
    EXPECT_EQ(dead.tag_name(), "");
    EXPECT_FALSE(dead.select_first("*").is_valid());
    EXPECT_TRUE(dead.select_all("*").empty());
    EXPECT_FALSE(dead.select_parent("*").is_valid());
    EXPECT_FALSE(dead.get_attribute("id").has_value());
    EXPECT_EQ(dead.attribute_count(), 0u);
    EXPECT_EQ(dead.attribute_name(0), "");
    EXPECT_EQ(dead.text(), L"");
    EXPECT_EQ(dead.html(true), "");
    EXPECT_EQ(dead.get_state(), 0u);
    EXPECT_FALSE(dead.is_visible());
    EXPECT_FALSE(dead.is_enabled());
    EXPECT_EQ(dead.get_style_attribute("display"), L"");
    EXPECT_FALSE(dead.send_event(event::button_click));
    dead.set_attribute("id", L"x");
    dead.remove_attribute("id");
    dead.set_style_attribute("width", L"1px");
    dead.set_text(L"x");
    dead.set_html("<b>x</b>", 0);
    dead.set_html("<b>x</b>", 4);
    dead.set_state(state::checked);
    dead.update(true);
    dead.post_event(1);
    dead.detach();
    dead.delete_element();
    dead.append(element::create("div"));
    quotes.append(dead);
    dead.visit([](const element&) { return false; });
    dead.attach_event_handler([](void*, const element&, uint32_t, void*) { return true; }, nullptr,
                              group::all);
    EXPECT_FALSE(dead.is_valid());
  }
  EXPECT_EQ(quotes.children_count(), 0u);
  doc.deliver_posted_events();
}

TEST_F(ElementTest, HandlesOutliveTheDocument) {
  element kept;
  {
    document other;
    other.load_html("<p id=x>text</p>");
    kept = other.root().select_first("#x");
    EXPECT_TRUE(kept.is_valid());
  }
  EXPECT_FALSE(kept.is_valid());
  EXPECT_EQ(kept.text(), L"");
}

TEST_F(ElementTest, DeepTreesBuiltByHandCostNoRecursion) {
  // The parser refuses deep markup, but elements can be nested by hand.
  const int depth = 50000;
  element top = element::create("div");
  element innermost = top;
  for (int i = 0; i < depth; ++i) {
    element next = element::create("b");
    innermost.append(next);
    innermost = next;
  }
  innermost.set_text(L"deep");
  tags.append(top);
  EXPECT_EQ(tags.select_first("b b b").tag_name(), "b");
  EXPECT_EQ(top.text(), L"deep");
  EXPECT_EQ(top.html(true).size(), 11u + depth * 7u + 4u);
  EXPECT_TRUE(innermost.is_visible());
  innermost.set_state(state::checked);
  EXPECT_EQ(root.select_first(":checked"), innermost);
  top.delete_element();
  EXPECT_FALSE(innermost.is_valid());
}

TEST_F(ElementTest, SortOrdersChildrenInARange) {
  struct by_text : element::comparator {
    int compare(const element& a, const element& b) override {
      std::wstring x = a.text(), y = b.text();
      return x < y ? -1 : x > y ? 1 : 0;
    }
  } order;
  tags.set_html(
      "<tr><td>header</td></tr><tr><td>b</td></tr><tr><td>B</td></tr>"
      "<tr><td>a</td></tr>");
  tags.sort(order, 1);
  std::wstring seen;
  for (size_t i = 0; i < tags.children_count(); ++i) seen += tags.child(i).text() + L",";
  EXPECT_EQ(seen, L"header,B,a,b,");
  EXPECT_EQ(tags.child(3).index(), 3u);
  tags.sort(order, 0, 2);
  EXPECT_EQ(tags.child(0).text(), L"B");
}

TEST_F(ElementTest, StatesAndTheSingleFocus) {
  quotes.set_html(row(quote_fragment(1)) + row(quote_fragment(2)), 0);
  element first = quotes.child(0), second = quotes.child(1);
  first.set_state(state::current | state::checked);
  EXPECT_EQ(first.get_state(), state::current | state::checked);
  first.set_state(state::anchor, state::checked);
  EXPECT_EQ(first.get_state(), state::current | state::anchor);
  first.set_state(state::focus);
  EXPECT_EQ(doc.focused(), first);
  second.set_state(state::focus);
  EXPECT_EQ(first.get_state() & state::focus, 0u);
  EXPECT_EQ(doc.focused(), second);
  second.set_state(0, state::focus);
  EXPECT_FALSE(doc.focused().is_valid());
  second.set_state(state::focus);
  second.delete_element();
  EXPECT_FALSE(doc.focused().is_valid());
  EXPECT_EQ(quotes.select_first(":focus"), element());
}

TEST_F(ElementTest, ChildrenWithAStateComeInOrderFromFewOrManyHolders) {
  std::string rows;
  for (int i = 1; i <= 6; ++i) rows += row(quote_fragment(i));
  quotes.set_html(rows, 0);
  auto checked_ids = [&] {
    std::string out;
    for (const element& r : quotes.children_with_state(state::checked))
      out += r.select_first("div").get_attribute_utf8("id").value_or("?") + " ";
    return out;
  };
  EXPECT_EQ(checked_ids(), "");
  // Checked out of order, and inside a row (not a child).
  quotes.child(4).set_state(state::checked);
  quotes.child(1).set_state(state::checked | state::current);
  quotes.child(2).select_first("td").set_state(state::checked);
  EXPECT_EQ(checked_ids(), "q-2 q-5 ");
  EXPECT_EQ(quotes.children_with_state(state::checked | state::current).size(), 1u);
  // More holders in the document than the table has rows.
  for (int i = 0; i < 12; ++i) root.select_first("body").append(element::create("p"));
  for (const element& p : root.select_all("p")) p.set_state(state::checked);
  quotes.child(0).set_state(state::checked);
  quotes.child(1).delete_element();
  EXPECT_EQ(checked_ids(), "q-1 q-5 ");
  EXPECT_TRUE(quotes.children_with_state(state::visited).empty());
}

TEST_F(ElementTest, WideTextCrossesAsUtf8) {
  std::wstring name = L"\u0442\u0435\u0433 \U0001F600";
  tags.set_html(
      "<tr><td><div class=\"vtag\" id=\"vt-1\">" + fml::wchar2utf8(name) + "</div></td></tr>", 1);
  element tag = tags.select_first("#vt-1");
  EXPECT_EQ(tag.text(), name);
  tag.set_attribute("old_value", name);
  EXPECT_EQ(tag.get_attribute_utf8("old_value"), fml::wchar2utf8(name));
}

}  // namespace
}  // namespace htmlayout
