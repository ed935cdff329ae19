#include "htmlayout/dom/element.h"

#include <gtest/gtest.h>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

namespace htmlayout {
namespace {

using dom::element;

// A row of the quote list, reduced to what the tests reach into.
std::string quote_row(int id) {
  std::string n = std::to_string(id);
  return "<tr><td><div class=quote id=q-" + n + "><p class=text>text " + n +
         "</p><div class=qtag id=qt-" + n + "-1>alpha</div></div></td></tr>";
}

class ElementTest : public ::testing::Test {
 protected:
  ElementTest() {
    doc.load_html("<html><head><style>.hidden { display: none }</style></head><body>"
        "<table id=taglist></table>\n<table id=thequotelist>\n</table>\n"
        "<div id=bar is_empty><div class=caption>Drop tags here to search</div></div>"
        "<menu id=menu></menu></body></html>");
    root = doc.root();
    quotes = by_id("thequotelist");
    tags = by_id("taglist");
    menu = by_id("menu");
  }
  element by_id(std::string_view id) { return root.select_first("[id='" + std::string(id) + "']"); }
  // The quote list holds the rows of q-1 .. q-n.
  void load_rows(int n) {
    std::string rows;
    for (int i = 1; i <= n; ++i) rows += quote_row(i);
    quotes.set_html(rows, position::replace_content);
  }
  // The ids of the elements (of a row, of its first div), joined.
  static std::string ids(const std::vector<element>& elements) {
    std::string out;
    for (const element& e : elements) {
      element div = e.tag_name() == "tr" ? e.select_first("div") : e;
      out += (out.empty() ? "" : " ") + div.get_attribute_utf8("id").value_or("?");
    }
    return out;
  }
  static std::string ids(const element& parent) {
    std::vector<element> children;
    for (size_t i = 0; i < parent.children_count(); ++i) children.push_back(parent.child(i));
    return ids(children);
  }
  document doc;
  element root, quotes, tags, menu;
};

TEST_F(ElementTest, TreeVisitSetHtmlAtEachPositionAndSort) {
  EXPECT_EQ(root.children_count(), 2u);  // head and body: no white space children
  EXPECT_EQ(quotes.parent(), root.child(1));
  EXPECT_EQ(quotes.index(), 1u);
  EXPECT_EQ(quotes.root(), root);
  EXPECT_FALSE(root.parent() || quotes.child(0));
  std::vector<std::string> seen;
  root.visit([&](const element& e) {
    seen.push_back(e.tag_name());
    return e.get_attribute_utf8("id") == "taglist";
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"head", "style", "body", "table"}));
  for (auto [n, where] : {std::pair{1, position::insert_at_start}, {2, position::insert_at_start},
           {3, position::append_after_last}})
    quotes.set_html(quote_row(n), where);
  EXPECT_EQ(ids(quotes), "q-2 q-1 q-3");
  element q1 = by_id("q-1");
  EXPECT_EQ(q1.parent().parent().parent(), quotes);  // rows stay rows in a table
  quotes.set_html(quote_row(9), position::replace_content);
  EXPECT_EQ(ids(quotes), "q-9");
  EXPECT_FALSE(q1);
  menu.set_html("<li id=m1>a</li><li id=m2>b</li>", position::insert_at_start);
  element second = menu.child(1);
  second.set_html("<li id=before></li>", position::insert_before);
  second.set_html("<li id=after></li>", position::insert_after);
  second.set_html("<li id=instead></li>", position::replace_element);
  EXPECT_EQ(ids(menu), "m1 before instead after");
  EXPECT_FALSE(second);
  // Sorting a range of children; text between them keeps its place.
  struct by_text : element::comparator {
    int compare(const element& a, const element& b) override { return a.text().compare(b.text()); }
  } order;
  tags.set_html("<tr><td>header</td></tr><tr><td>b</td></tr><tr><td>B</td></tr><tr><td>a</td></tr>");
  tags.sort(order, 1);
  EXPECT_EQ(tags.text(), L"headerBab");
  EXPECT_EQ(tags.child(3).index(), 3u);
  tags.sort(order, 0, 2);
  EXPECT_EQ(tags.text(), L"Bheaderab");
  menu.set_html("<li>b</li> text <li>a</li>");
  menu.sort(order);
  EXPECT_EQ(menu.text(), L"a text b");
}

TEST_F(ElementTest, AttributesStylesTextAndVisibility) {
  element bar = by_id("bar");
  EXPECT_EQ(bar.get_attribute("is_empty"), L"");
  EXPECT_TRUE(bar.has_attribute("IS_EMPTY"));
  EXPECT_FALSE(bar.get_attribute("missing"));
  bar.set_attribute("title", L"Grüße \"<&>\"");
  EXPECT_NE(bar.html(true).find("title=\"Grüße &quot;<&amp;>&quot;\""), std::string::npos);
  bar.remove_attribute("is_empty");
  EXPECT_EQ(bar.attribute_count(), 2u);
  EXPECT_EQ(bar.attribute_name(1), "title");
  EXPECT_EQ(bar.attribute_value(0), L"bar");
  EXPECT_EQ(bar.get_style_attribute("display"), L"block");
  bar.set_style_attribute("width", L"120px");
  bar.set_style_attribute("height", L"100%");
  bar.set_style_attribute("width", L"130px");
  EXPECT_EQ(bar.get_attribute("style"), L"height: 100%; width: 130px");
  bar.set_style_attribute("display", L"none");
  EXPECT_FALSE(bar.is_visible());
  for (const char* name : {"display", "height", "width"}) bar.set_style_attribute(name, L"");
  EXPECT_FALSE(bar.has_attribute("style"));
  EXPECT_TRUE(bar.is_visible());
  element caption = bar.child(0);
  caption.set_text(L"a < b & \u4E16");
  EXPECT_EQ(caption.html(false), "a &lt; b &amp; \xE4\xB8\x96");
  bar.set_html("<b>x</b> and <i>y</i>");
  EXPECT_EQ(bar.text(), L"x and y");
  bar.set_text(L"");
  EXPECT_EQ(bar.html(false), "");
  // Visibility and enabled follow the ancestors.
  quotes.set_html(quote_row(1), position::append_after_last);
  element quote = by_id("q-1");
  quotes.set_attribute("class", L"hidden");
  EXPECT_FALSE(quote.is_visible());
  quotes.set_attribute("class", L"");
  EXPECT_TRUE(quote.is_visible() && quote.is_enabled());
  quotes.set_attribute("disabled", L"");
  EXPECT_FALSE(quote.is_enabled());
  quotes.remove_attribute("disabled");
  quote.set_state(state::disabled);
  EXPECT_FALSE(quote.is_enabled());
  EXPECT_FALSE(element::create("div").is_visible());  // outside the document
}

TEST_F(ElementTest, SelectFindsDescendantsInDocumentOrderAndTheIdIndexFollowsChanges) {
  for (int i = 1; i <= 5; ++i) quotes.set_html(quote_row(i), position::insert_at_start);
  EXPECT_EQ(quotes.select_first("div.quote").get_attribute_utf8("id"), "q-5");
  EXPECT_FALSE(tags.select_first("[id='q-3']"));       // not under the tag list
  EXPECT_FALSE(quotes.select_first("#thequotelist"));  // not the element itself
  for (size_t i : {3, 1}) quotes.child(i).set_state(state::checked);
  std::vector<element> checked;
  quotes.select_all("tr:checked", [&](const element& tr) {
    checked.push_back(tr);
    tr.set_state(0, state::checked);  // the callback may change states
    return false;
  });
  EXPECT_EQ(ids(checked), "q-4 q-2");
  EXPECT_EQ(quotes.select_all(":checked").size(), 0u);
  EXPECT_EQ(quotes.select_all("div.quote", [](const element&) { return true; }), 1u);
  // select_parent tests the element itself, then its ancestors.
  element tag = by_id("qt-2-1");
  EXPECT_EQ(tag.select_parent("div.quote"), by_id("q-2"));
  EXPECT_EQ(tag.select_parent("div"), tag);
  EXPECT_FALSE(tag.select_parent("table#thequotelist", 3));
  EXPECT_EQ(tag.select_parent("table#thequotelist", 0), quotes);
  EXPECT_FALSE(quotes.select_first("div >"));  // unparsable: nothing
  EXPECT_TRUE(quotes.select_all("[id='q-1'").empty());
  EXPECT_FALSE(tag.select_parent("::x"));
  element q = root.select_first("#q-1");
  q.set_attribute("id", L"q-100");
  EXPECT_FALSE(root.select_first("#q-1"));
  EXPECT_EQ(root.select_first("#q-100"), q);
  q.remove_attribute("id");
  EXPECT_FALSE(root.select_first("#q-100"));
  q.set_attribute("id", L"q-7");
  // Detached, it leaves the index but can still be found under itself.
  element r = q.parent().parent();
  r.detach();
  EXPECT_FALSE(root.select_first("#q-7"));
  EXPECT_EQ(r.select_first("#q-7"), q);
  tags.append(r);
  EXPECT_EQ(root.select_first("#q-7"), q);
  EXPECT_FALSE(quotes.select_first("#q-7"));
  // Two elements with one id: the first in document order.
  quotes.set_html("<tr><td><div id=q-7 class=dup></div></td></tr>", position::append_after_last);
  EXPECT_EQ(root.select_first("#q-7"), q);
  EXPECT_EQ(quotes.select_first("#q-7").get_attribute_utf8("class"), "dup");
  EXPECT_EQ(root.select_all("[id='q-7']").size(), 2u);
}

TEST_F(ElementTest, DeletedAndEmptyHandlesAreHarmless) {
  quotes.set_html(quote_row(1), position::append_after_last);
  element quote = by_id("q-1");
  element text = quote.select_first("p.text");
  quote.post_event(event::button_click);  // dropped: its element goes first
  quotes.set_html("", position::replace_content);
  for (const element& dead : {quote, text, element()}) {
    EXPECT_FALSE(dead || dead.node() || dead.root() || dead.parent() || dead.child(0) ||
                 dead.select_first("*") || dead.select_parent("*") || dead.get_attribute("id") ||
                 dead.is_visible() || dead.is_enabled() || dead.send_event(event::button_click));
    EXPECT_EQ(dead.children_count() + dead.index() + dead.attribute_count() + dead.get_state(), 0u);
    EXPECT_EQ(dead.tag_name() + dead.attribute_name(0) + dead.html(true), "");
    EXPECT_EQ(dead.text() + dead.get_style_attribute("display"), L"");
    EXPECT_TRUE(dead.select_all("*").empty());
    dead.set_attribute("id", L"x");
    dead.remove_attribute("id");
    dead.set_style_attribute("width", L"1px");
    dead.set_text(L"x");
    for (int where : {position::insert_at_start, position::insert_after}) dead.set_html("<b>x</b>", where);
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
  }
  EXPECT_EQ(quotes.children_count(), 0u);
  doc.deliver_posted_events();
  element kept;
  {
    document other;
    other.load_html("<p id=x>text</p>");
    kept = other.root().select_first("#x");
  }
  EXPECT_FALSE(kept);  // handles outlive their document
}

// Rows put on a shelf keep their handlers, states and ids, but nothing reached from the tree sees
// them until they come back; deleting one there unregisters it, and the document destroys the rest.
TEST_F(ElementTest, AShelfKeepsRowsOutOfReachUntilTheyComeBack) {
  load_rows(3);
  int detached = 0;
  const element_event_proc count_detach = [](void* tag, const element&, uint32_t group, void* p) {
    if (group == group::initialization &&
        static_cast<initialization_params*>(p)->cmd == behavior_detach)
      ++*static_cast<int*>(tag);
    return false;
  };
  by_id("q-2").attach_event_handler(count_detach, &detached, group::initialization);
  quotes.child(0).set_state(state::checked);
  by_id("q-3").set_state(state::focus);
  element shelf = doc.create_shelf();
  for (const element& wrong : {tags, shelf.parent(), root})  // in the tree, or the root
    EXPECT_FALSE(quotes.exchange_children(wrong));
  EXPECT_EQ(ids(quotes), "q-1 q-2 q-3");
  EXPECT_TRUE(quotes.exchange_children(shelf));
  EXPECT_EQ(quotes.children_count(), 0u);
  EXPECT_EQ(ids(shelf), "q-1 q-2 q-3");
  EXPECT_FALSE(by_id("q-1") || root.select_first("tr:checked") || doc.focused());
  EXPECT_EQ(ids(shelf.select_all("tr:checked")), "q-1");
  quotes.set_html(quote_row(1), position::replace_content);  // the same id, shown meanwhile
  EXPECT_EQ(ids(root.select_all("div.quote")), "q-1");
  shelf.select_first("#q-3").parent().parent().delete_element();
  quotes.exchange_children(shelf);
  EXPECT_EQ(ids(quotes), "q-1 q-2");
  EXPECT_EQ(ids(quotes.children_with_state(state::checked)), "q-1");
  EXPECT_EQ(ids(root.select_all("#q-1")), "q-1");
  EXPECT_FALSE(by_id("q-3"));
  EXPECT_EQ(detached, 0);
  EXPECT_EQ(ids(shelf), "q-1");  // the row shown meanwhile
  quotes.exchange_children(shelf);
  doc.load_html("<p>a new page</p><table id=t></table>");  // takes the shelf's rows along
  EXPECT_EQ(detached, 1);
  EXPECT_EQ(shelf.children_count(), 0u);
  element table = doc.root().select_first("#t");
  table.set_html(quote_row(5), position::replace_content);
  EXPECT_FALSE(table.exchange_children(shelf));  // a shelf of the old page is none of this one
  EXPECT_EQ(ids(table), "q-5");
}

TEST_F(ElementTest, DeepTreesBuiltByHandCostNoRecursion) {
  const int depth = 50000;  // the parser refuses deep markup
  element top = element::create("div");
  element innermost = top;
  for (int i = 0; i < depth; ++i, innermost = innermost.child(0)) innermost.append(element::create("b"));
  innermost.set_text(L"deep");
  tags.append(top);
  EXPECT_EQ(tags.select_first("b b b").tag_name(), "b");
  EXPECT_EQ(top.text(), L"deep");
  EXPECT_EQ(top.html(true).size(), 11u + depth * 7u + 4u);
  EXPECT_TRUE(innermost.is_visible());
  innermost.set_state(state::checked);
  EXPECT_EQ(root.select_first(":checked"), innermost);
  top.delete_element();
  EXPECT_FALSE(innermost);
}

TEST_F(ElementTest, StatesTheSingleFocusAndChildrenWithAStateSetOneByOneOrAtOnce) {
  load_rows(6);
  element first = quotes.child(0), second = quotes.child(1);
  first.set_state(state::current | state::checked);
  first.set_state(state::anchor, state::checked);
  EXPECT_EQ(first.get_state(), state::current | state::anchor);
  first.set_state(state::focus);
  second.set_state(state::focus);
  EXPECT_EQ(first.get_state() & state::focus, 0u);
  EXPECT_EQ(doc.focused(), second);
  second.set_state(0, state::focus);
  EXPECT_FALSE(doc.focused());
  second.set_state(state::focus);
  second.delete_element();
  EXPECT_FALSE(doc.focused());
  // Checked out of order, and inside a row (not a child).
  quotes.child(3).set_state(state::checked);
  quotes.child(0).set_state(state::checked | state::current);
  quotes.child(1).select_first("td").set_state(state::checked);
  EXPECT_EQ(ids(quotes.children_with_state(state::checked)), "q-1 q-5");
  EXPECT_EQ(quotes.children_with_state(state::checked | state::current).size(), 1u);
  // More holders in the document than the table has rows.
  for (int i = 0; i < 12; ++i) root.child(1).append(element::create("p"));
  for (const element& p : root.select_all("p")) p.set_state(state::checked);
  quotes.child(4).set_state(state::checked);
  quotes.child(0).delete_element();
  EXPECT_EQ(ids(quotes.children_with_state(state::checked)), "q-5 q-6");
  EXPECT_TRUE(quotes.children_with_state(state::visited).empty());
  // Many rows checked as one change keep the state index as row-by-row
  // changes would: selectors, children_with_state and the capped count agree.
  load_rows(6);
  quotes.child(2).set_attribute("class", L"hidden");
  quotes.child(4).set_state(state::focus);
  EXPECT_EQ(quotes.count_children_with_state(state::checked, 2), 0u);
  quotes.set_children_state(1, state::checked | state::focus, 0, true);
  EXPECT_EQ(ids(quotes.children_with_state(state::checked)), "q-2 q-4 q-5 q-6");
  EXPECT_EQ(ids(quotes.select_all("tr:checked")), "q-2 q-4 q-5 q-6");
  EXPECT_EQ(doc.focused(), quotes.child(4));  // the focus stays where it was
  EXPECT_EQ(quotes.count_children_with_state(state::checked, 2), 2u);
  EXPECT_EQ(quotes.count_children_with_state(state::checked, 9), 4u);
  quotes.set_children_state(0, 0, state::checked);
  EXPECT_EQ(quotes.count_children_with_state(state::checked, 2), 0u);
  EXPECT_EQ(quotes.select_first("tr:checked"), element());
}

}  // namespace
}  // namespace htmlayout
