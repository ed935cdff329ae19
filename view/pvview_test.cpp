// The view on the real main page (res/mainform.htm) in the engine's real
// document, with records built here or sent by the real model over a
// collection in a temporary folder; small pages where a case needs its own.
#include "view/pvview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/input.h"
#include "htmlayout/testing/test_window.h"
#include "model/pvl_model.h"
#include "model/testing/test_collection.h"
#include "tests/support/temp_dir.h"
#include "view/behaviors.h"
#include "view/fragments.h"
#include "view/resource_mgr.h"

namespace pvl {
namespace {

using htmlayout::dom::element;
namespace ve = view_events;

const std::filesystem::path kRes = std::filesystem::path(PARVELA_SOURCE_DIR) / "res";

// The ids of the elements in `list` (rows: the id of the div in each row).
std::vector<std::string> ids_in(const element& list, const std::string& selector) {
  std::vector<std::string> ids;
  for (const element& e : list.select_all(selector)) ids.push_back(*e.get_attribute_utf8("id"));
  return ids;
}

Quote quote(int32_t id, const std::string& text, std::vector<Tag> tags = {}) {
  return Quote{id, text, 1204880703, std::move(tags)};
}

// Records which elements the program asked to redraw.
class redraw_recorder : public htmlayout::document_observer {
 public:
  void update_requested(const htmlayout::element_node& e, bool) override { redrawn.insert(&e); }
  bool was_redrawn(const element& e) const { return redrawn.count(e.node()) > 0; }
  std::set<const htmlayout::element_node*> redrawn;
};

class ViewTest : public ::testing::Test {
 protected:
  ViewTest() : resources_(kRes.wstring()), view_(resources_) {}

  void send(const view_event& event) { view_.on_view_event(event); }
  element root() { return view_.document().root(); }
  element by_id(const std::string& id) { return root().select_first("[id='" + id + "']"); }
  element taglist() { return by_id("taglist"); }
  element quotelist() { return by_id("thequotelist"); }
  element searchbar() { return by_id("p-searchbar"); }
  element managetags() { return by_id("manage-tags"); }
  std::string page() { return root().html(true); }

  void show_tags(const std::vector<Tag>& tags) { send(ve::vupdate_tags{tags}); }
  // The view reads the cards' records from shown_.
  void show_quotes(const std::vector<Quote>& quotes) {
    shown_ = quotes;
    std::vector<int32_t> ids;
    for (const Quote& quote : quotes) ids.push_back(quote.m_id);
    send(ve::vupdate_quotes{ids, read_});
  }
  std::vector<Quote> shown_;
  const quote_reader read_ = [this](int32_t id) -> std::optional<Quote> {
    for (const Quote& quote : shown_)
      if (quote.m_id == id) return quote;
    return std::nullopt;
  };
  // A tag-list row the user is typing a name into.
  void add_fresh_row(const std::string& name) {
    taglist().set_html("<tr new_tr><td><div class=\"vtag\">" + name + "</div></td></tr>", 2);
  }

  model_testing::test_collection collection_;
  ResourceMgr resources_;
  pvview view_;
};

TEST_F(ViewTest, FindsTheRegionsOfTheMainPageAndLogsItsStart) {
  EXPECT_EQ(view_.name(), "view");
  auto app = collection_.new_lines("app");
  EXPECT_NE(std::find(app.begin(), app.end(), "taglist::init successfull."), app.end());
  EXPECT_NE(std::find(app.begin(), app.end(), "thequotelist::init successfull."), app.end());
  auto debug = collection_.new_lines("debug");
  EXPECT_EQ(debug.back(), "view init");
  // The page's style sheets came from the store, byte for byte.
  auto sheets = view_.document().style_sheets();
  ASSERT_FALSE(sheets.empty());
  for (const auto& sheet : sheets) {
    if (sheet.url.empty()) continue;
    EXPECT_EQ(sheet.text, resources_.get(fml::utf82wchar(sheet.url))) << sheet.url;
  }
}

TEST_F(ViewTest, RebuiltQuoteListShowsTheLastQuoteFirstAndEmptiesForNoQuotes) {
  show_quotes({quote(1, "one"), quote(2, "two"), quote(3, "three")});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"),
            (std::vector<std::string>{"q-3", "q-2", "q-1"}));
  EXPECT_EQ(quotelist().children_count(), 3u);
  show_quotes({});
  EXPECT_EQ(quotelist().children_count(), 0u);
  EXPECT_EQ(quotelist().html(false), "");
}

TEST_F(ViewTest, QuoteAddedAloneLooksAndLeavesLikeARebuiltOne) {
  const Quote first = quote(1, "one");
  const Quote added = quote(2, "a<b\r\nc", {{4, "x"}});
  show_quotes({first, added});
  const std::string rebuilt = quotelist().html(false);

  show_quotes({first});
  send(ve::vadd_quote{&added});
  // Its highlight as a new quote goes with the list's timer.
  ASSERT_EQ(ids_in(quotelist(), "div.quote[fresh]"), std::vector<std::string>{"q-2"});
  quotelist().select_first("div.quote[fresh]").remove_attribute("fresh");
  EXPECT_EQ(quotelist().html(false), rebuilt);

  // Deleting it takes its whole row away.
  const int32_t id = 2;
  send(ve::vdelete_quote{id});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"), std::vector<std::string>{"q-1"});
  EXPECT_EQ(quotelist().children_count(), 1u);
}

TEST_F(ViewTest, RebuiltTagListAndMenuBothShowTheLastTagFirst) {
  show_tags({{1, "alpha"}, {2, "beta"}, {3, "gamma"}});
  EXPECT_EQ(ids_in(taglist(), "tr > td > div.vtag"),
            (std::vector<std::string>{"vt-3", "vt-2", "vt-1"}));
  EXPECT_EQ(ids_in(managetags(), "li"),
            (std::vector<std::string>{"mtmcheck-3", "mtmcheck-2", "mtmcheck-1"}));
  show_tags({{7, "<b>x</b>"}});
  EXPECT_EQ(by_id("vt-7").text(), L"<b>x</b>");
  EXPECT_EQ(by_id("mtmcheck-7").text(), L"<b>x</b>");
  EXPECT_EQ(taglist().children_count(), 1u);
}

TEST_F(ViewTest, SearchBarSwitchesBetweenCaptionAndTags) {
  ASSERT_TRUE(searchbar().has_attribute("is_empty"));
  const std::string empty_bar = searchbar().html(true);

  const Tag first{1, "alpha"}, second{2, "beta"};
  send(ve::vadd_search_tag{&first});
  EXPECT_FALSE(searchbar().has_attribute("is_empty"));
  EXPECT_EQ(searchbar().html(false), stag_fragment(first));
  send(ve::vadd_search_tag{&second});
  EXPECT_EQ(searchbar().html(false), stag_fragment(first) + stag_fragment(second));

  const int32_t absent = 9;
  const std::string before = page();
  send(ve::vdelete_search_tag{absent});
  EXPECT_EQ(page(), before);

  const int32_t one = 1, two = 2;
  send(ve::vdelete_search_tag{one});
  EXPECT_EQ(searchbar().html(false), stag_fragment(second));
  send(ve::vdelete_search_tag{two});
  EXPECT_EQ(searchbar().html(true), empty_bar);

  send(ve::vadd_search_tag{&first});
  send(ve::vadd_search_tag{&second});
  send(ve::vclear_search_tags{});
  EXPECT_EQ(searchbar().html(true), empty_bar);
}

TEST_F(ViewTest, RenamedSearchTagShowsTheNewName) {
  const Tag tag{5, "old"};
  send(ve::vadd_search_tag{&tag});
  const tag_rename rename{5, L"new <name>"};
  send(ve::vrename_stag{rename});
  EXPECT_EQ(by_id("st-5").text(), L"new <name>");
  EXPECT_EQ(by_id("st-5").children_count(), 0u);
}

TEST_F(ViewTest, FreshTagRowGetsItsIdAndMenuItemOrGoesAway) {
  show_tags({{1, "alpha"}});
  const int32_t id = 8;
  for (auto [event, message] :
       {std::pair{view_event(ve::vadd_tag_id{id}), "vadd_tag_id"},
        std::pair{view_event(ve::vdelete_wrong_tag{}), "vdelete_wrong_tag"}}) {
    const std::string before = page();
    try {
      send(event);
      ADD_FAILURE() << message << " raised nothing";
    } catch (const cannot_find_fresh_tr& error) {
      EXPECT_STREQ(error.what(), message);
    }
    EXPECT_EQ(page(), before);
  }

  add_fresh_row("fresh &amp; <i>new</i>");
  send(ve::vadd_tag_id{id});
  EXPECT_EQ(by_id("vt-8").tag_name(), "div");
  EXPECT_TRUE(by_id("vt-8").parent().parent().has_attribute("new_tr"));
  const element item = managetags().child(0);
  EXPECT_EQ(item.get_attribute("id"), L"mtmcheck-8");
  EXPECT_EQ(item.text(), L"fresh & new");
  EXPECT_EQ(item.children_count(), 0u);

  send(ve::vdelete_wrong_tag{});
  EXPECT_FALSE(taglist().select_first("tr[new_tr]"));
  EXPECT_EQ(ids_in(taglist(), "div.vtag"), std::vector<std::string>{"vt-1"});
}

TEST_F(ViewTest, DeletedTagLeavesListAndMenu) {
  show_tags({{1, "alpha"}, {2, "beta"}});
  const int32_t id = 2;
  send(ve::vdelete_tag{id});
  EXPECT_EQ(ids_in(taglist(), "tr > td > div"), std::vector<std::string>{"vt-1"});
  EXPECT_EQ(ids_in(managetags(), "li"), std::vector<std::string>{"mtmcheck-1"});
  EXPECT_EQ(taglist().children_count(), 1u);
}

TEST_F(ViewTest, RenamedTagShowsItsNameInListAndMenu) {
  show_tags({{1, "alpha"}, {2, "beta"}});
  const tag_rename rename{2, L"<b>x</b> & y"};
  send(ve::vrename_tag{rename});
  EXPECT_EQ(by_id("vt-2").text(), L"<b>x</b> & y");
  EXPECT_EQ(by_id("mtmcheck-2").text(), L"<b>x</b> & y");
  EXPECT_EQ(by_id("vt-1").text(), L"alpha");
  EXPECT_EQ(taglist().select_all("div").size(), 2u);
}

TEST_F(ViewTest, EditingATagMakesTheListEditableAndFocusesTheCurrentName) {
  show_tags({{1, "alpha"}, {2, "beta"}});
  const element table = taglist();
  table.set_state(htmlayout::state::focus);
  const element tag = by_id("vt-1");
  tag.parent().parent().set_state(htmlayout::state::current);
  send(ve::vedit_tag{tag});
  EXPECT_EQ(table.get_attribute("editable"), L"");
  EXPECT_EQ(table.get_attribute("action"), L"edit");
  EXPECT_FALSE(table.has_attribute("start_editing"));  // the focus has moved in
  EXPECT_FALSE(table.get_state() & htmlayout::state::focus);
  EXPECT_TRUE(tag.get_state() & htmlayout::state::focus);
  EXPECT_EQ(tag.get_attribute("old_value"), L"alpha");
  EXPECT_FALSE(by_id("vt-2").has_attribute("old_value"));
}

TEST_F(ViewTest, MarksAppearAndDisappearOnTheirQuote) {
  redraw_recorder redraws;
  view_.document().add_observer(&redraws);
  show_quotes({quote(1, "one", {{3, "gamma"}}), quote(2, "two")});
  const Tag alpha{1, "alpha"};
  send(ve::vmark_quote{1, &alpha});
  const element cell = by_id("q-1").child(0).child(2).child(0);
  EXPECT_EQ(cell.html(false), qtag_fragment({3, "gamma"}, 1) + qtag_fragment(alpha, 1));
  EXPECT_EQ(ids_in(by_id("q-2"), "div.qtag"), std::vector<std::string>{});

  const quote_tag_ids first{1, 3};
  send(ve::vdelete_mark{first});
  EXPECT_EQ(cell.html(false), qtag_fragment(alpha, 1));
  EXPECT_TRUE(redraws.was_redrawn(cell));
  redraws.redrawn.clear();

  const quote_tag_ids last{1, 1};
  send(ve::vdelete_mark{last});
  EXPECT_EQ(cell.children_count(), 0u);
  EXPECT_TRUE(redraws.was_redrawn(by_id("q-1")));
  view_.document().remove_observer(&redraws);
}

TEST_F(ViewTest, EventsWithoutTheirRecordOrWithIgnoredIdsChangeNothing) {
  show_tags({{1, "alpha"}});
  show_quotes({quote(1, "one")});
  const Tag tag{1, "alpha"};
  send(ve::vadd_search_tag{&tag});
  add_fresh_row("fresh");
  const std::string before = page();
  for (int32_t id : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 14, 15}) {
    send(view_event(id));
    EXPECT_EQ(page(), before) << "event " << id;
  }
  send(ve::vmark_quote{1, nullptr});
  EXPECT_EQ(page(), before);
  for (int32_t id : {0, 13, 16, 18, 19, 22, 25, -1}) {
    send(view_event(id));
    EXPECT_EQ(page(), before) << "event " << id;
  }
}

TEST_F(ViewTest, DumpWritesThePageAndIgnoresAMissingFolder) {
  testing_support::temp_dir dir;
  view_.dump((dir.path() / "view.htm").string());
  EXPECT_EQ(testing_support::read_file(dir.path() / "view.htm"), page());
  view_.dump((dir.path() / "missing" / "view.htm").string());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

// The whole road: the model's events become view events and the page shows
// the collection.
TEST_F(ViewTest, ModelEventsReachThePage) {
  pvlModel model;
  model.set_view(&view_);
  model.on_model_event(model_events::initial_load{});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"),
            (std::vector<std::string>{"q-4", "q-3", "q-2", "q-1"}));
  EXPECT_EQ(ids_in(by_id("q-2"), "div.qtag"), (std::vector<std::string>{"qt-2-3", "qt-2-1"}));
  EXPECT_EQ(ids_in(taglist(), "div.vtag"), (std::vector<std::string>{"vt-3", "vt-2", "vt-1"}));

  const std::string fresh = "fresh <quote>";
  model.on_model_event(model_events::add_quote{fresh});
  element added = quotelist().child(0).child(0).child(0);
  EXPECT_EQ(added.get_attribute("id"), L"q-5");
  EXPECT_EQ(added.select_first("td.text").text(), L"fresh <quote>");

  const quote_tag_ids mark{5, 2};
  model.on_model_event(model_events::mark_quote{mark});
  EXPECT_EQ(ids_in(by_id("q-5"), "div.qtag"), std::vector<std::string>{"qt-5-2"});

  const int32_t tag = 2;
  model.on_model_event(model_events::add_search_tag{tag});
  EXPECT_EQ(ids_in(searchbar(), "div.stag"), std::vector<std::string>{"st-2"});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"), (std::vector<std::string>{"q-5", "q-3"}));

  const tag_rename rename{2, L"b&b"};
  model.on_model_event(model_events::rename_tag{rename});
  EXPECT_EQ(by_id("vt-2").text(), L"b&b");
  EXPECT_EQ(by_id("st-2").text(), L"b&b");

  model.on_model_event(model_events::delete_tag{tag});
  EXPECT_FALSE(by_id("vt-2"));
  EXPECT_FALSE(by_id("mtmcheck-2"));
  EXPECT_TRUE(searchbar().has_attribute("is_empty"));

  const std::string html = page();
  EXPECT_EQ(html.find("qt-5-2"), std::string::npos);
  EXPECT_EQ(html.find("<quote>"), std::string::npos);
  model.set_view(nullptr);
}

// A small page of our own, to see the load requests and the behaviours.
class ViewPageTest : public ::testing::Test {
 protected:
  void write(const std::string& name, const std::string& text) {
    testing_support::write_file(res_.path() / name, text);
  }
  model_testing::test_collection collection_;
  testing_support::temp_dir res_;
};

class recording_behavior : public htmlayout::behavior {
 public:
  explicit recording_behavior(const char* name) : behavior(htmlayout::group::mouse, name) {}
  void attached(const element& he) override { ids.insert(*he.get_attribute_utf8("id")); }
  std::set<std::string> ids;
};

TEST_F(ViewPageTest, LoadRequestsAreAnsweredByExactNameEvenWhenEmpty) {
  write("mainform.htm",
        "<html><head><link rel=\"stylesheet\" href=\"a.css\"><link rel=\"stylesheet\" "
        "href=\"empty.css\"><link rel=\"stylesheet\" href=\"B.css\"></head><body></body></html>");
  write("a.css", "div { behavior: x }");
  write("empty.css", "");
  write("b.css", "p { behavior: y }");
  ResourceMgr resources(res_.wstr());
  pvview view(resources);
  std::map<std::string, std::string> sheets;
  for (const auto& sheet : view.document().style_sheets()) sheets[sheet.url] = sheet.text;
  EXPECT_EQ(sheets, (std::map<std::string, std::string>{{"a.css", "div { behavior: x }"},
                                                        {"empty.css", ""}}));

  // Bytes nobody waits for are refused.
  htmlayout::load_data_notification request;
  request.code = htmlayout::notification_code::load_data;
  request.doc = &view.document();
  request.uri = "b.css";
  try {
    view.on_notification(request);
    ADD_FAILURE() << "refused bytes raised nothing";
  } catch (const load_pvl_resource_error& error) {
    EXPECT_STREQ(error.what(), "HTMLayoutDataReady error; b.css");
  }
  request.uri = "nothing.css";
  EXPECT_EQ(view.on_notification(request), 0u);
}

TEST_F(ViewPageTest, ControlsWithAMessageGetSmsAndStyledElementsTheirBehaviour) {
  // The program's own behaviours first, so that these, registered later,
  // come first in the list.
  register_behaviors();
  recording_behavior sms("sms");
  recording_behavior grid("cquote_grid");
  ResourceMgr resources(kRes.wstring());
  pvview view(resources);
  std::set<std::string> with_message;
  for (const element& e : view.document().root().select_all("[message]")) {
    const std::string tag = e.tag_name();
    if (tag == "button" || tag == "input" || tag == "select" || tag == "textarea")
      with_message.insert(*e.get_attribute_utf8("id"));
  }
  ASSERT_FALSE(with_message.empty());
  EXPECT_EQ(sms.ids, with_message);
  EXPECT_EQ(grid.ids, std::set<std::string>{"thequotelist"});
}

TEST_F(ViewPageTest, StockBehavioursAttachAndTheirReportsAreIgnored) {
  write("mainform.htm",
        "<html><head><style>#go { behavior: command; } #strip { behavior: tabs; }</style>"
        "</head><body><div id=go>Go</div><div id=strip><span id=tab panel=p selected>T</span>"
        "<div id=panel name=p>P</div></div></body></html>");
  ResourceMgr resources(res_.wstr());
  pvview view(resources);
  const element root = view.document().root();
  EXPECT_TRUE(root.select_first("#tab").get_state() & htmlayout::state::current);
  EXPECT_TRUE(root.select_first("#panel").get_state() & htmlayout::state::expanded);

  // A click on the command reports it to the view, which changes nothing.
  htmlayout::testing::fixed_layout layout;
  htmlayout::input in(view.document(), layout);
  layout.place(root.select_first("#go"), {0, 0, 100, 20});
  const std::string before = root.html(true);
  in.mouse_move({50, 10}, 0, 0);
  in.mouse_down({50, 10}, htmlayout::mouse::main_button, 0);
  in.mouse_up({50, 10}, htmlayout::mouse::main_button, 0);
  EXPECT_EQ(root.html(true), before);

  htmlayout::behavior_notify_notification report;
  report.code = htmlayout::notification_code::behavior_notify;
  report.kind = htmlayout::behavior_notify_kind::command;
  report.id = L"go";
  report.element = root.select_first("#go");
  EXPECT_EQ(view.on_notification(report), 0u);
}

// A narrower list keeps the rows that stay, but nothing of the list before:
// no row state, no "fresh" mark, and a card built already is built again
// from its record as it is now.
TEST_F(ViewTest, NarrowedQuoteListKeepsItsRowsAsIfBuiltAnew) {
  show_quotes({quote(1, "one"), quote(2, "two"), quote(3, "three")});
  const element kept = by_id("q-3");
  ASSERT_EQ(kept.select_first("td.text").text(), L"three");
  kept.set_attribute("fresh", L"");
  for (const char* id : {"q-3", "q-1"})
    by_id(id).parent().parent().set_state(htmlayout::state::checked | htmlayout::state::current);

  show_quotes({quote(1, "one"), quote(3, "three, now")});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"), (std::vector<std::string>{"q-3", "q-1"}));
  EXPECT_TRUE(by_id("q-3") == kept);
  EXPECT_FALSE(kept.has_attribute("fresh"));
  EXPECT_EQ(quotelist().children_with_state(htmlayout::state::checked).size(), 0u);
  EXPECT_EQ(quotelist().children_with_state(htmlayout::state::current).size(), 0u);
  EXPECT_EQ(kept.select_first("td.text").text(), L"three, now");
  // A list with a quote not shown yet is built anew.
  show_quotes({quote(1, "one"), quote(2, "two"), quote(3, "three")});
  EXPECT_EQ(ids_in(quotelist(), "tr > td > div.quote"),
            (std::vector<std::string>{"q-3", "q-2", "q-1"}));
  EXPECT_FALSE(by_id("q-3") == kept);
}

}  // namespace
}  // namespace pvl
