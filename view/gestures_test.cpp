// What a user does in the main window, by presses, moves and keys where the
// renderer draws the elements; each test checks the window and the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "controller/vcaction.h"
#include "fml/text.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "model/model_instance.h"
#include "tests/support/temp_dir.h"
#include "view/behavior_host.h"
#include "view/testing/program_window.h"

namespace pvl {
namespace {

using Ids = std::vector<int32_t>;
using Lines = std::vector<std::string>;
using element = htmlayout::dom::element;
namespace state = htmlayout::state;

std::string text(const element& e) { return fml::wchar2utf8(e.text()); }

class GesturesTest : public ::testing::Test {
 protected:
  // The tag list is in the middle of an edit; the tag being named or renamed.
  bool editing() { return w.by_id("taglist").has_attribute("editable"); }
  element edited() { return w.root().select_first("#taglist div.vtag:focus"); }

  testing::program_window w;
};

TEST_F(GesturesTest, TheManageButtonOpensTheTagMenuWhoseChecksMarkTheQuote) {
  const auto manage = w.by_id("q-3").select_first("button.managetags");
  w.click(manage);
  ASSERT_EQ(w.in().popups().size(), 1u);
  EXPECT_EQ(w.in().popups()[0].element, w.by_id("manage-tags"));
  EXPECT_EQ(w.ids("#manage-tags li:checked"), Lines{"mtmcheck-2"});  // quote 3 carries tag 2

  w.click(w.by_id("mtmcheck-1"));
  w.click(w.by_id("mtmcheck-2"));
  EXPECT_EQ(w.quote_tags(3), Ids{1});
  EXPECT_EQ(w.stored("SELECT tag FROM quote_tag WHERE quote = 3"), Lines{"1"});
  EXPECT_TRUE(w.by_id("qt-3-1"));
  EXPECT_FALSE(w.by_id("qt-3-2"));
  EXPECT_EQ(w.in().popups().size(), 1u);  // check items keep the menu open
  w.key(htmlayout::vk::escape);
  EXPECT_TRUE(w.in().popups().empty());
  w.click(w.by_id("q-4").select_first("button.managetags"));  // that quote's marks only
  EXPECT_EQ(w.ids("#manage-tags li:checked"), Lines{});
}

TEST_F(GesturesTest, SearchByDoubleClickedTagsSwitchesModesAndClears) {
  w.double_click(w.by_id("vt-1"));
  w.double_click(w.by_id("vt-2"));
  EXPECT_EQ(w.ids("div.stag"), (Lines{"st-1", "st-2"}));
  EXPECT_EQ(w.ids("div.quote"), Lines{});  // no quote carries both: the pane says so
  EXPECT_EQ(w.by_id("quote-count").text(), L"0 quotes");
  EXPECT_EQ(w.by_id("no-match").text(), L"No quotes carry these tags");
  EXPECT_GT(w.box(w.by_id("no-match")).bottom, w.box(w.by_id("quotebox")).top);
  // Pressed on "Any tag" and released outside it: nothing changes.
  w.drag_between(w.center(w.by_id("mode-or")), w.center(w.by_id("quotebox")));
  EXPECT_EQ(w.ids("div.quote"), Lines{});
  w.click(w.by_id("mode-or"));
  EXPECT_FALSE(w.by_id("mode-and").get_state() & state::checked);
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-3", "q-2"}));
  w.double_click(w.by_id("st-2"));  // a search tag double-clicked leaves the search
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-2"});
  EXPECT_EQ(w.by_id("quote-count").text(), L"1 quote");
  w.click(w.by_id("clear-search"));
  EXPECT_TRUE(w.by_id("p-searchbar").get_attribute_utf8("is_empty").has_value());
  EXPECT_EQ(w.by_id("quote-count").text(), L"4 quotes");
  w.click(w.by_id("vt-2"));
  w.key(htmlayout::vk::enter);  // Enter on a tag searches for it
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
}

// A cancelled choice writes nothing; what is listed, by tags (here dropped
// on the search bar) and words, is written (the model's test reads the page).
TEST_F(GesturesTest, ExportWritesWhatIsListedToTheChosenFile) {
  const std::filesystem::path file = w.env.collection.root() / "export.html";
  std::optional<std::wstring> chosen;  // none: the user cancelled
  host().ask_export_path = [&] { return chosen; };
  w.click(w.by_id("export"));
  EXPECT_FALSE(std::filesystem::exists(file));
  chosen = file.wstring();
  w.drag(w.by_id("vt-2"), w.by_id("p-searchbar"));
  w.drag(w.by_id("vt-1"), w.by_id("p-searchbar"));
  w.click(w.by_id("mode-or"));
  w.click(w.by_id("words-hint"));
  w.type(L"TW");
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-2"});
  w.click(w.by_id("export"));
  const std::string html = testing_support::read_file(file);
  EXPECT_NE(html.find("two"), std::string::npos);
  EXPECT_EQ(html.find("three"), std::string::npos);
  EXPECT_EQ(html.find("href"), std::string::npos);  // no link to a site that does not exist
  EXPECT_EQ(w.by_id("notice-text").text(), L"Exported 1 quote to " + file.wstring());
}

// About, F1, Escape, the settings menu and Ctrl+Q reach the shell. The menu
// shows "Start with the desktop" as the host has it; checking the item asks
// the host to switch, after which it shows what the switch achieved (nothing,
// when it failed).
TEST_F(GesturesTest, AboutTheKeysAndTheSettingsMenuReachTheShell) {
  Lines shell;
  bool on = true, switch_works = true;
  host().show_about = [&] { shell.push_back("about"); };
  host().close_window = [&] { shell.push_back("close"); };
  host().open_url = [&](const std::wstring& url) {
    shell.push_back(std::filesystem::path(url).filename().string());
  };
  host().autostart_enabled = [&] { return on; };
  host().set_autostart = [&](bool wanted) {
    shell.push_back(wanted ? "autostart on" : "autostart off");
    if (switch_works) on = wanted;
  };
  host().quit = [&] { shell.push_back("quit"); };
  w.click(w.by_id("about"));
  w.key(htmlayout::vk::f1);
  w.key(htmlayout::vk::escape);
  const element item = w.by_id("autostart");
  w.click(w.by_id("settings"));
  ASSERT_EQ(w.in().popups().size(), 1u);
  EXPECT_EQ(w.in().popups()[0].element, w.by_id("settings-menu"));
  EXPECT_TRUE(item.get_state() & state::checked);
  w.click(item);
  switch_works = false;
  w.click(item);
  EXPECT_FALSE(item.get_state() & state::checked);
  w.click(w.by_id("settings"));
  w.click(w.by_id("quit"));
  EXPECT_TRUE(w.in().popups().empty());
  w.key('Q', htmlayout::keyboard::control);
  w.key('Q');
  EXPECT_EQ(shell, (Lines{"about", "Parvela Help.html", "close", "autostart off", "autostart on",
                          "quit", "quit"}));
}

// Every item of every list menu, opened by a right click on one entry, on a
// selection or on the search bar, acts on what the menu was opened on (an
// action the controller does not know, or handed the wrong element, raises).
TEST(ListMenusTest, EveryItemActsOnWhatItsMenuWasOpenedOn) {
  struct opened {
    const char* menu;
    const char* on;
    const char* to;  // shift-clicked after `on`: a selection
  };
  for (const opened& o : {opened{"quote-menu", "q-3", nullptr},
                          {"quotes-menu", "q-4", "q-2"},
                          {"tag-menu", "vt-2", nullptr},
                          {"tags-menu", "vt-3", "vt-1"},
                          {"search-menu", "p-searchbar", nullptr}}) {
    Lines actions;
    {
      testing::program_window w;
      for (const element& item : w.by_id(o.menu).select_all("li[action]"))
        actions.push_back(item.get_attribute_utf8("action").value_or(""));
    }
    EXPECT_FALSE(actions.empty()) << o.menu;
    for (const std::string& action : actions) {
      SCOPED_TRACE(std::string(o.menu) + " " + action);
      testing::program_window w;
      if (std::string(o.menu) == "search-menu") w.double_click(w.by_id("vt-1"));
      w.click(w.by_id(o.on));
      if (o.to) w.click(w.by_id(o.to), htmlayout::keyboard::shift);
      w.right_click(w.by_id(o.on));
      ASSERT_EQ(w.in().popups().size(), 1u);
      ASSERT_EQ(w.in().popups()[0].element, w.by_id(o.menu));
      const std::string before = w.root().html(true) + w.clipboard;
      w.click(w.menu_item(o.menu, action));
      EXPECT_TRUE(w.in().popups().empty());
      EXPECT_TRUE(w.root().html(true) + w.clipboard != before) << "nothing changed";
    }
  }
}

// A tag dropped on a quote or a quote on a tag marks the quote; on the bin, either is deleted.
TEST_F(GesturesTest, DropsOnAQuoteOrATagMarkAndDropsOnTheBinDelete) {
  w.drag(w.by_id("vt-2"), w.by_id("q-4"));
  EXPECT_EQ(w.quote_tags(4), Ids{2});
  EXPECT_TRUE(w.by_id("qt-4-2"));
  EXPECT_EQ(w.stored("SELECT tag FROM quote_tag WHERE quote = 4"), Lines{"2"});
  w.drag(w.by_id("q-1"), w.by_id("vt-3"));
  EXPECT_EQ(w.quote_tags(1), Ids{3});
  EXPECT_TRUE(w.by_id("qt-1-3"));
  EXPECT_FALSE(w.root().select_first("body").get_attribute_utf8("cursor"));  // drag cursor gone

  w.drag(w.by_id("vt-1"), w.by_id("recycled"));
  EXPECT_EQ(w.ids("div.vtag"), (Lines{"vt-3", "vt-2"}));
  EXPECT_FALSE(w.by_id("qt-2-1"));  // and from the quote that carried it
  EXPECT_EQ(w.stored("SELECT tag FROM quote_tag ORDER BY tag"), (Lines{"2", "2", "3", "3"}));
  w.drag(w.by_id("q-4"), w.by_id("recycled"));
  EXPECT_FALSE(w.by_id("q-4"));
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote WHERE m_id = 4"), Lines{"0"});
}

// A captured quote of 60,000 lines (1.7 MB): its card shows 20 lines, "Show
// more" a larger bounded share; copies and the export carry the whole text.
TEST_F(GesturesTest, ALongQuoteShowsABoundedCardThatOpensAndClosesAndCopiesWhole) {
  std::string whole;
  for (int i = 1; i <= 60000; ++i) whole += "line " + std::to_string(i) + " of a long capture\n";
  controller().send(text_record{whole});
  ASSERT_EQ(w.stored("SELECT max(length(m_utftext)) FROM quote"),
            Lines{std::to_string(whole.size())});
  auto card_text = [&] { return w.by_id("q-5").select_first("td.text").text(); };
  auto control = [&] { return w.by_id("q-5").select_first("button.showtext"); };
  EXPECT_TRUE(w.by_id("q-5").has_attribute("fresh"));  // highlighted for a moment
  w.by_id("q-5").remove_attribute("fresh");
  const size_t page_before = w.root().html(true).size();
  EXPECT_NE(card_text().find(L"line 20 of"), std::wstring::npos);
  EXPECT_EQ(card_text().find(L"line 21 of"), std::wstring::npos);
  EXPECT_LT(page_before, 60000u);  // the page holds nothing of the rest
  ASSERT_TRUE(control());
  EXPECT_EQ(control().text(), L"Show more (60,000 lines in all)");

  w.click(control());
  EXPECT_NE(card_text().find(L"line 1000 of"), std::wstring::npos);
  EXPECT_EQ(card_text().find(L"line 1001 of"), std::wstring::npos);
  EXPECT_NE(card_text().find(L"Copy the quote for the whole text."), std::wstring::npos);
  ASSERT_EQ(control().text(), L"Show less");
  host().scroll_into_view(control());  // at the foot of the open card
  w.click(control());
  EXPECT_EQ(card_text().find(L"line 21 of"), std::wstring::npos);
  EXPECT_EQ(w.root().html(true).size(), page_before);

  // Ctrl+C on the selected card, the menu's copies and the export: all whole.
  host().scroll_into_view(w.by_id("q-5"));
  w.click(w.by_id("q-5"));
  w.key(htmlayout::vk::key_c, htmlayout::keyboard::control);
  EXPECT_EQ(w.clipboard, whole + "\n\n");
  w.clipboard.clear();
  w.key(htmlayout::vk::enter);  // as Ctrl+C
  EXPECT_EQ(w.clipboard, whole + "\n\n");
  w.right_click(w.by_id("q-5"));
  w.click(w.menu_item("quote-menu", "copy_quote"));
  EXPECT_EQ(w.clipboard, whole);
  w.right_click(w.by_id("q-5"));
  w.click(w.menu_item("quote-menu", "copy_quote_with_data"));
  EXPECT_EQ(w.clipboard, whole + "\n\n");
  const std::filesystem::path file = w.env.collection.root() / "export.html";
  host().ask_export_path = [&] { return std::optional<std::wstring>(file.wstring()); };
  w.click(w.by_id("export"));
  EXPECT_NE(testing_support::read_file(file).find("line 60000 of a long capture<br>"),
            std::string::npos);
}

TEST_F(GesturesTest, ATagNotSavedYetIsNoTargetAndAStaleIdIsIgnored) {
  // Nothing acts on the name box of a new tag; Escape drops it.
  for (const char* item : {"double click", "add_search_tag", "rename_vtag", "delete_vtag"}) {
    SCOPED_TRACE(item);
    w.click(w.by_id("newtag"));
    ASSERT_TRUE(edited());
    if (std::string(item) == "double click") {
      w.double_click(edited());
    } else {
      w.right_click(edited());
      ASSERT_EQ(w.in().popups().size(), 1u);
      w.click(w.menu_item("tag-menu", item));
    }
    EXPECT_TRUE(editing());
    EXPECT_EQ(w.ids("div.stag"), Lines{});
    w.key(htmlayout::vk::escape);
    EXPECT_EQ(w.ids("div.vtag"), (Lines{"vt-3", "vt-2", "vt-1"}));
    EXPECT_EQ(w.stored("SELECT count(*) FROM tag"), Lines{"3"});
  }

  // An id that names no stored tag, or no number at all, is logged.
  const auto tag = w.by_id("vt-1");
  for (const char* id : {"vt-99", "vtag"}) {
    SCOPED_TRACE(id);
    tag.set_attribute("id", fml::utf82wchar(id));
    w.env.collection.mark_logs();
    w.double_click(tag);
    const Lines app = w.env.collection.new_lines("app");
    EXPECT_TRUE(
        std::ranges::any_of(app, [](auto& l) { return l.starts_with("Gesture ignored: "); }));
  }
  EXPECT_EQ(w.stored("SELECT count(*) FROM tag"), Lines{"3"});
}

// Quotes from the top deleted, the list scrolls to the next one, current; the
// last row deleted, the row before it.
TEST_F(GesturesTest, AfterADeleteTheNextQuoteIsCurrentAndShown) {
  for (int i = 5; i <= 64; ++i)
    model().on_model_event(model_events::add_quote{"quote " + std::to_string(i)});
  const auto current_quote = [&] {
    return w.root().select_first("#thequotelist tr:current div.quote").get_attribute_utf8("id");
  };
  w.click(w.by_id("q-64"));
  w.key(htmlayout::vk::down, htmlayout::keyboard::shift, 51);
  w.key(htmlayout::vk::del);
  EXPECT_EQ(current_quote(), "q-12");
  const htmlayout::rect shown = w.box(w.by_id("q-12")), list = w.box(w.by_id("quotebox"));
  EXPECT_TRUE(shown.top >= list.top && shown.bottom <= list.bottom);
  w.key(htmlayout::vk::end);
  w.key(htmlayout::vk::del);
  EXPECT_EQ(current_quote(), "q-2");
}

TEST_F(GesturesTest, TagNamesAreTrimmedAndEmptyOrTakenNamesRefusedWithTheReason) {
  struct Case {
    bool rename;  // F2 on "alpha", else "+ New tag"
    const wchar_t* typed;
    std::string refusal;  // empty: accepted
    Lines names;          // stored, by id
  };
  const Lines three{"alpha", "beta", "gamma"};
  const std::string taken = "There is already a tag named ";
  const Case cases[] = {
      {false, L"", "A tag needs a name.", three},
      {false, L"   ", "A tag needs a name.", three},
      {false, L" beta ", taken + "\u201cbeta\u201d.", three},
      {true, L"", "A tag needs a name.", three},
      {true, L"  ", "A tag needs a name.", three},
      {true, L"gamma", taken + "\u201cgamma\u201d.", three},
      {true, L" alpha ", "", three},
      {true, L" <b>x</b> & y ", "", {"<b>x</b> & y", "beta", "gamma"}},
      {false, L" delta  ", "", {"<b>x</b> & y", "beta", "gamma", "delta"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fml::wchar2utf8(c.typed));
    if (c.rename) {
      w.click(w.by_id("vt-1"));
      w.key(htmlayout::vk::f2);
      w.key(htmlayout::vk::back);  // the whole name is selected
    } else {
      w.click(w.by_id("newtag"));
    }
    w.type(c.typed);
    w.key(htmlayout::vk::enter);
    const auto note = w.root().select_first("#taglist div.refusal");
    if (!c.refusal.empty()) {
      ASSERT_TRUE(note);
      EXPECT_EQ(text(note), c.refusal);
      EXPECT_TRUE(editing());
      w.box(note);  // drawn beside the editor
      w.type(L"x");
      EXPECT_FALSE(w.root().select_first("#taglist div.refusal"));
      w.key(htmlayout::vk::escape);
    } else {
      EXPECT_FALSE(note);
    }
    EXPECT_FALSE(editing());
    EXPECT_EQ(w.stored("SELECT m_utfname FROM tag ORDER BY m_id"), c.names);
  }
  EXPECT_EQ(w.ids("div.vtag").size(), 4u);
  // A name with markup shows as text in every place.
  w.double_click(w.by_id("vt-1"));
  for (const char* id : {"vt-1", "mtmcheck-1", "st-1", "qt-2-1"}) {
    EXPECT_EQ(text(w.by_id(id)), "<b>x</b> & y") << id;
    EXPECT_EQ(w.by_id(id).children_count(), 0u) << id;
  }
}

TEST_F(GesturesTest, TheNameEditorSelectsByKeysAndMouseAndUsesTheClipboard) {
  using htmlayout::keyboard::control;
  using htmlayout::keyboard::shift;
  namespace vk = htmlayout::vk;
  struct Step {
    uint32_t key;  // 0: type `typed`
    uint32_t keys;
    const wchar_t* typed;
  };
  struct Case {
    std::vector<Step> steps;
    const char* name;       // the editor's text after them
    const char* clipboard;  // the clipboard after them (it starts as "pa\nste")
  };
  const Step end{vk::end, 0, nullptr}, home{vk::home, 0, nullptr};
  const Step shift_left{vk::left, shift, nullptr}, shift_right{vk::right, shift, nullptr};
  const Case cases[] = {
      {{{0, 0, L"x"}}, "x", "pa\nste"},  // the edit starts with all selected
      {{end, shift_left, shift_left, {0, 0, L"Z"}}, "alpZ", "pa\nste"},
      {{{vk::right, 0, nullptr}, {vk::home, shift, nullptr}, {0, 0, L"q"}}, "q", "pa\nste"},
      {{home, {vk::key_a, control, nullptr}, {0, 0, L"k"}}, "k", "pa\nste"},
      {{home, shift_right, shift_right, {vk::key_c, control, nullptr}}, "alpha", "al"},
      {{{vk::key_x, control, nullptr}}, "", "alpha"},
      {{end, {vk::key_v, control, nullptr}}, "alphapa ste", "pa\nste"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w.clipboard = "pa\nste";
    w.click(w.by_id("vt-1"));
    w.key(vk::f2);
    for (const Step& step : c.steps) {
      if (step.key)
        w.key(step.key, step.keys);
      else
        w.type(step.typed);
    }
    EXPECT_EQ(text(w.by_id("vt-1")), c.name);
    EXPECT_EQ(w.clipboard, c.clipboard);
    w.key(vk::escape);
  }

  // The mouse: a press at the text's start and a move to its end select it.
  w.click(w.by_id("vt-1"));
  w.key(vk::f2);
  w.key(vk::end);
  const htmlayout::rect name = w.box(w.by_id("vt-1"));
  w.drag_between({name.left + 9, (name.top + name.bottom) / 2},
                 {name.right - 2, (name.top + name.bottom) / 2});
  w.type(L"m");
  w.key(vk::enter);
  EXPECT_EQ(w.stored("SELECT m_utfname FROM tag WHERE m_id = 1"), Lines{"m"});
}

// The word field narrows the list as the user types, with the search tags;
// Escape empties it, a second hides the window. Its Ctrl+Z takes back a run of
// typed letters at once, never a deletion of quotes, and brings back the words
// Clear took. The cards mark the words, a captured one too.
TEST_F(GesturesTest, TypedWordsNarrowTheListEscapeEmptiesTheFieldAndCtrlZUndoesIt) {
  int closes = 0;
  host().close_window = [&] { ++closes; };
  const auto words = [&] { return text(w.by_id("words")); };
  const auto hits = [&](const std::string& quote) {
    Lines marked;  // a card is built when something reaches into it: select from the card
    for (const element& hit : w.by_id(quote).select_all("span.hit")) marked.push_back(text(hit));
    return marked;
  };
  w.click(w.by_id("words-hint"));
  w.type(L"tH");
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
  EXPECT_EQ(text(w.by_id("quote-count")), "1 quote");
  w.key(htmlayout::vk::back);
  w.double_click(w.by_id("vt-2"));
  w.click(w.by_id("words"));
  w.key(htmlayout::vk::escape);
  EXPECT_EQ(words(), "");
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
  w.click(w.by_id("clear-search"));
  // Ctrl+F from the list; a word no quote has empties it.
  w.click(w.by_id("q-4"));
  w.key('F', htmlayout::keyboard::control);
  w.type(L"zz");
  EXPECT_EQ(text(w.by_id("no-match")), "No quotes contain these words");
  w.key(htmlayout::vk::escape);
  EXPECT_EQ(w.ids("div.quote").size(), 4u);
  EXPECT_EQ(closes, 0);
  w.key(htmlayout::vk::escape);
  EXPECT_EQ(closes, 1);

  w.click(w.by_id("q-4"));
  w.key(htmlayout::vk::del);
  w.key('F', htmlayout::keyboard::control);
  w.type(L"tw");
  w.key(htmlayout::vk::back);
  w.type(L"hre");
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
  EXPECT_EQ(hits("q-3"), Lines{"thre"});
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(words(), "t");
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-3", "q-2"}));
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(words(), "tw");
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(words(), "");
  EXPECT_TRUE(w.by_id("wordfield").has_attribute("is_empty"));
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-3", "q-2", "q-1"}));  // q-4 stays deleted

  w.type(L"tw");
  w.double_click(w.by_id("vt-3"));
  EXPECT_EQ(hits("q-2"), Lines{"tw"});
  controller().send(text_record{"Twelve"});
  EXPECT_EQ(hits("q-5"), Lines{"Tw"});
  w.click(w.by_id("clear-search"));
  EXPECT_EQ(words(), "");
  EXPECT_TRUE(w.by_id("wordfield").has_attribute("is_empty"));
  EXPECT_EQ(w.ids("div.stag"), Lines{});
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-5", "q-3", "q-2", "q-1"}));
  EXPECT_EQ(w.ids("span.hit"), Lines{});
  w.click(w.by_id("words"));
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(words(), "tw");
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-5", "q-2"}));

  // In the list, Ctrl+Z gives the deleted quote back.
  w.click(w.by_id("q-2"));
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote"), Lines{"5"});
}

TEST_F(GesturesTest, NoEditOrSelectionOutlivesItsRowOrItsList) {
  namespace vk = htmlayout::vk;
  // The tag being renamed dragged to the bin: its text is selected, nothing deleted.
  w.click(w.by_id("vt-2"));
  w.key(vk::f2);
  w.drag(w.by_id("vt-2"), w.by_id("recycled"));
  EXPECT_TRUE(w.by_id("vt-2"));
  EXPECT_EQ(edited(), w.by_id("vt-2"));
  w.key(vk::escape);
  EXPECT_FALSE(editing());
  EXPECT_EQ(text(w.by_id("vt-2")), "beta");

  // Deleted from its menu while it is renamed: the edit goes with it.
  w.key(vk::f2);
  w.right_click(w.by_id("vt-2"));
  w.click(w.menu_item("tag-menu", "delete_vtag"));
  EXPECT_FALSE(w.by_id("vt-2"));
  EXPECT_FALSE(editing());
  w.click(w.by_id("vt-3"));
  w.key(vk::f2);
  EXPECT_EQ(edited(), w.by_id("vt-3"));
  int closes = 0;
  host().close_window = [&] { ++closes; };
  w.key(vk::escape);
  w.key(vk::escape);
  EXPECT_EQ(closes, 1);

  // Two quotes selected, then a search: nothing is selected, no plural menu.
  w.click(w.by_id("q-4"));
  w.click(w.by_id("q-3"), htmlayout::keyboard::shift);
  EXPECT_TRUE(w.by_id("thequotelist").has_attribute("multiselect"));
  w.double_click(w.by_id("vt-3"));
  EXPECT_FALSE(w.by_id("thequotelist").has_attribute("multiselect"));
  const htmlayout::rect list = w.box(w.by_id("thequotelist"));
  w.click_at({list.left + 2, list.top + 2}, 0, htmlayout::mouse::prop_button);
  for (const auto& shown : w.in().popups()) EXPECT_NE(shown.element, w.by_id("quotes-menu"));
}

// Ctrl+A and Delete empty the list, Ctrl+Z gives back the same quotes (ids,
// stamps, order, marks) in the file and on the page. When the file refuses one
// quote of a Delete, none is deleted, the user is told, nothing is to undo.
TEST_F(GesturesTest, CtrlZGivesBackAWholeCollectionDeletedByCtrlAAndDelete) {
  const std::string quotes =
      "SELECT m_id || ' ' || m_stamp || ' ' || m_utftext FROM quote ORDER BY rowid";
  const std::string marks = "SELECT quote || ' ' || pos || ' ' || tag FROM quote_tag ORDER BY 1";
  const Lines stored_quotes = w.stored(quotes), stored_marks = w.stored(marks);
  const Lines cards = w.ids("div.quote"), chips = w.ids("div.qtag");
  ASSERT_EQ(cards.size(), 4u);
  ASSERT_EQ(stored_marks.size(), 3u);
  w.click(w.by_id("q-3"));
  w.key(htmlayout::vk::key_a, htmlayout::keyboard::control);
  w.key(htmlayout::vk::del);
  EXPECT_EQ(w.ids("div.quote"), Lines{});
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote"), Lines{"0"});
  EXPECT_EQ(w.by_id("notice-text").text(), L"Deleted 4 quotes");
  EXPECT_GT(w.box(w.by_id("notice-action")).right, 0);

  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(w.stored(quotes), stored_quotes);
  EXPECT_EQ(w.stored(marks), stored_marks);
  EXPECT_EQ(w.ids("div.quote"), cards);
  EXPECT_EQ(w.ids("div.qtag"), chips);
  EXPECT_EQ(w.by_id("notice-text").text(), L"Restored 4 quotes");
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice-action")));
  w.in().advance_clock(w.in().next_timer_due().value_or(0));  // the note goes by itself
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice")));

  {
    SQLite::Database db(w.env.collection.db_file().string(), SQLite::OPEN_READWRITE);
    db.exec(
        "CREATE TRIGGER refuse BEFORE DELETE ON quote WHEN old.m_id = 2 "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }
  w.click(w.by_id("q-4"));
  w.key(htmlayout::vk::key_a, htmlayout::keyboard::control);
  w.key(htmlayout::vk::del);
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote"), Lines{"4"});
  EXPECT_EQ(w.ids("div.quote"), cards);
  EXPECT_TRUE(w.by_id("notice-text").text().starts_with(L"The quotes could not be deleted"));
  w.key(htmlayout::vk::key_z, htmlayout::keyboard::control);
  EXPECT_EQ(w.by_id("notice-text").text(), L"Nothing to undo");
  // A notice shows its text as text; its close button hides it.
  w.view().show_notice("<b>disk</b> full", pvview::notice_kind::error);
  EXPECT_EQ(w.by_id("notice-text").text(), L"<b>disk</b> full");
  w.click(w.by_id("notice-close"));
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice")));
}

// A deleted tag leaves every quote and the search; the notice's Undo brings
// it back to all of them.
TEST_F(GesturesTest, TheNoticesUndoGivesBackADeletedTagWithItsMarksAndSearch) {
  const Lines tags = w.ids("div.vtag");
  w.double_click(w.by_id("vt-1"));
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-2"});
  w.click(w.by_id("vt-1"));
  w.key(htmlayout::vk::del);
  EXPECT_FALSE(w.by_id("vt-1"));
  EXPECT_FALSE(w.by_id("qt-2-1"));
  EXPECT_EQ(w.quote_tags(2), Ids{3});
  EXPECT_EQ(w.ids("div.stag"), Lines{});
  EXPECT_EQ(w.by_id("notice-text").text(), L"Deleted tag \u201calpha\u201d");

  w.click(w.by_id("notice-action"));
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice-action")));
  EXPECT_EQ(w.ids("div.vtag"), tags);
  EXPECT_EQ(w.ids("div.stag"), Lines{"st-1"});
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-2"});
  EXPECT_EQ(w.ids("#q-2 div.qtag"), (Lines{"qt-2-3", "qt-2-1"}));
  EXPECT_EQ(w.stored("SELECT m_utfname FROM tag WHERE m_id = 1"), Lines{"alpha"});
  EXPECT_EQ(w.stored("SELECT pos FROM quote_tag WHERE quote = 2 AND tag = 1"), Lines{"2"});
}

}  // namespace
}  // namespace pvl
