// What a user does in the main window, acted where the renderer draws it; checked on page and file.
#include <gtest/gtest.h>

#include "controller/controller_instance.h"
#include "controller/vcaction.h"
#include "htmlayout/testing/pointer.h"
#include "view/testing/program_window.h"

namespace pvl {
namespace {

using Lines = std::vector<std::string>;
using element = htmlayout::dom::element;
namespace vk = htmlayout::vk;

struct GesturesTest : ::testing::Test {
  testing::program_window w;
};

TEST_F(GesturesTest, TheManageButtonOpensTheTagMenuWhoseChecksMarkTheQuote) {
  w.click(w.by_id("q-3").select_first("button.managetags"));
  w.check({{"", "popups", {"manage-tags"}}, {"", "#manage-tags li:checked", {"mtmcheck-2"}},  // tag 2 on q-3
           {"click mtmcheck-1; click mtmcheck-2", "SELECT tag FROM quote_tag WHERE quote = 3", {"1"}},
           {"", "#q-3 div.qtag", {"qt-3-1"}}, {"", "popups", {"manage-tags"}},  // checks keep it open
           {"key escape", "popups", {}}});
  w.click(w.by_id("q-4").select_first("button.managetags"));  // that quote's marks only
  EXPECT_EQ(w.ids("#manage-tags li:checked"), Lines{});
}

TEST_F(GesturesTest, SearchByDoubleClickedTagsSwitchesModesAndClears) {
  w.check({{"double-click vt-1; double-click vt-2", "div.stag", {"st-1", "st-2"}},
           {"", "div.quote", {}},  // no quote carries both: the pane says so
           {"", "=quote-count", {"0 quotes"}}, {"", "=no-match", {"No quotes carry these tags"}}});
  EXPECT_GT(w.box(w.by_id("no-match")).bottom, w.box(w.by_id("quotebox")).top);
  w.check({{"drag mode-or quotebox", "div.quote", {}},  // released outside: nothing changes
           {"click mode-or", "#mode-and:checked", {}}, {"", "div.quote", {"q-3", "q-2"}},
           {"double-click st-2", "div.quote", {"q-2"}},  // a search tag leaves the search
           {"", "=quote-count", {"1 quote"}},
           {"click clear-search", "#p-searchbar[is_empty]", {"p-searchbar"}},
           {"", "=quote-count", {"4 quotes"}},
           {"click vt-2; key enter", "div.quote", {"q-3"}}});  // Enter on a tag searches for it
}

// A cancelled choice writes nothing; what the tags and words list is written.
TEST_F(GesturesTest, ExportWritesWhatIsListedToTheChosenFile) {
  const std::filesystem::path file = w.env.collection.root() / "export.html";
  std::optional<std::wstring> chosen;  // none: the user cancelled
  host().ask_export_path = [&] { return chosen; };
  w.click(w.by_id("export"));
  EXPECT_FALSE(std::filesystem::exists(file));
  chosen = file.wstring();
  w.act("drag vt-2 p-searchbar; drag vt-1 p-searchbar; click mode-or; click words-hint; type TW");
  w.check({{"", "div.quote", {"q-2"}},
           {"click export", "=notice-text", {"Exported 1 quote to " + file.string()}}});
  const std::string html = testing_support::read_file(file);
  EXPECT_NE(html.find("two"), std::string::npos);
  EXPECT_EQ(html.find("three"), std::string::npos);
  EXPECT_EQ(html.find("href"), std::string::npos);  // no link to a site that does not exist
}

// The autostart item shows what the host's switch achieved, not what was asked.
TEST_F(GesturesTest, AboutTheKeysAndTheSettingsMenuReachTheShell) {
  Lines shell;
  bool on = true;
  host().show_about = [&] { shell.push_back("about"); };
  host().close_window = [&] { shell.push_back("close"); };
  host().quit = [&] { shell.push_back("quit"); };
  host().open_url = [&](const std::wstring& url) {
    shell.push_back(fml::wchar2utf8(url.substr(url.rfind(L'/') + 1)));
  };
  host().autostart_enabled = [&] { return on; };
  host().set_autostart = [&](bool wanted) {  // switching on fails
    shell.push_back(wanted ? "autostart on" : "autostart off");
    on = on && wanted;
  };
  w.check({{"click about; key f1; key escape; click settings", "popups", {"settings-menu"}},
           {"", "#autostart:checked", {"autostart"}},
           {"click autostart; click autostart", "#autostart:checked", {}},
           {"click settings; click quit", "popups", {}}});
  w.act("key ctrl+q; key q");
  EXPECT_EQ(shell, (Lines{"about", "Parvela Help.html", "close", "autostart off", "autostart on",
                          "quit", "quit"}));
}

// An action the controller does not know, or handed the wrong element, raises.
TEST(ListMenusTest, EveryItemActsOnWhatItsMenuWasOpenedOn) {
  for (const auto& [menu, gestures] :
       {std::pair<std::string, std::string>{"quote-menu", "click q-3; right-click q-3"},
        {"quotes-menu", "click q-4; shift+click q-2; right-click q-4"},
        {"tag-menu", "click vt-2; right-click vt-2"},
        {"tags-menu", "click vt-3; shift+click vt-1; right-click vt-3"},
        {"search-menu", "double-click vt-1; click p-searchbar; right-click p-searchbar"}}) {
    const size_t items = testing::program_window().by_id(menu).select_all("li[action]").size();
    EXPECT_GT(items, 0u) << menu;
    for (size_t i = 0; i < items; ++i) {
      testing::program_window w;
      const std::string action =
          w.by_id(menu).select_all("li[action]")[i].get_attribute_utf8("action").value_or("");
      SCOPED_TRACE(menu + " " + action);
      w.act(gestures);
      ASSERT_EQ(w.read("popups"), Lines{menu});
      const std::string before = w.root().html(true) + w.clipboard;
      w.act("menu " + menu + " " + action);
      EXPECT_TRUE(w.in().popups().empty());
      EXPECT_NE(w.root().html(true) + w.clipboard, before) << "nothing changed";
    }
  }
}

TEST_F(GesturesTest, DropsOnAQuoteOrATagMarkAndDropsOnTheBinDelete) {
  w.check({{"drag vt-2 q-4", "SELECT tag FROM quote_tag WHERE quote = 4", {"2"}},
           {"", "#q-4 div.qtag", {"qt-4-2"}}, {"drag q-1 vt-3", "#q-1 div.qtag", {"qt-1-3"}},
           {"", "body[cursor]", {}},  // the drag cursor is gone
           {"drag vt-1 recycled", "div.vtag", {"vt-3", "vt-2"}}, {"", "#q-2 div.qtag", {"qt-2-3"}},
           {"", "SELECT quote || tag FROM quote_tag ORDER BY 1", {"13", "23", "32", "42"}},
           {"drag q-4 recycled", "div.quote", {"q-3", "q-2", "q-1"}},
           {"", "SELECT count(*) FROM quote WHERE m_id = 4", {"0"}}});
}

// 60,000 lines (1.7 MB): the card shows a bounded share; copies and the export the whole text.
TEST_F(GesturesTest, ALongQuoteShowsABoundedCardThatOpensAndClosesAndCopiesWhole) {
  std::string whole;
  for (int i = 1; i <= 60000; ++i) whole += "line " + std::to_string(i) + " of a long capture\n";
  controller().send(text_record{whole});
  ASSERT_EQ(w.stored("SELECT max(length(m_utftext)) FROM quote"), Lines{std::to_string(whole.size())});
  auto shows_up_to = [&](int last) {  // the card's text ends with that line
    const std::wstring text = w.by_id("q-5").select_first("td.text").text();
    return text.find(L"line " + std::to_wstring(last) + L" of") != std::wstring::npos &&
           text.find(L"line " + std::to_wstring(last + 1) + L" of") == std::wstring::npos;
  };
  EXPECT_TRUE(w.by_id("q-5").has_attribute("fresh"));  // highlighted for a moment
  w.by_id("q-5").remove_attribute("fresh");
  const size_t page_before = w.root().html(true).size();
  EXPECT_TRUE(shows_up_to(20));
  EXPECT_LT(page_before, 60000u);  // the page holds nothing of the rest
  w.check({{"", "=q-5 button.showtext", {"Show more (60,000 lines in all)"}},
           {"click @button.showtext", "=q-5 button.showtext", {"Show less"}}});
  EXPECT_TRUE(shows_up_to(1000));
  EXPECT_NE(w.read("=q-5")[0].find("Copy the quote for the whole text."), std::string::npos);
  host().scroll_into_view(w.root().select_first("button.showtext"));  // at the open card's foot
  w.act("click @button.showtext");
  EXPECT_TRUE(shows_up_to(20));
  EXPECT_EQ(w.root().html(true).size(), page_before);
  host().scroll_into_view(w.by_id("q-5"));
  for (const auto& [gestures, copied] :
       {std::pair<std::string, std::string>{"click q-5; key ctrl+c", whole + "\n\n"},
        {"key enter", whole + "\n\n"},  // as Ctrl+C
        {"right-click q-5; menu quote-menu copy_quote", whole},
        {"right-click q-5; menu quote-menu copy_quote_with_data", whole + "\n\n"}}) {
    w.clipboard.clear();
    w.act(gestures);
    EXPECT_TRUE(w.clipboard == copied) << gestures;
  }
  const std::filesystem::path file = w.env.collection.root() / "export.html";
  host().ask_export_path = [&] { return std::optional<std::wstring>(file.wstring()); };
  w.click(w.by_id("export"));
  EXPECT_NE(testing_support::read_file(file).find("line 60000 of a long capture<br>"), std::string::npos);
}

TEST_F(GesturesTest, ATagNotSavedYetIsNoTargetAndAStaleIdIsIgnored) {
  const std::string menu = "right-click @div.vtag:focus; menu tag-menu ";
  for (const std::string& gesture :
       {std::string("double-click @div.vtag:focus"), menu + "add_search_tag", menu + "rename_vtag",
        menu + "delete_vtag"})
    w.check({{"click newtag; " + gesture, "#taglist[editable]", {"taglist"}}, {"", "div.stag", {}},
             {"key escape", "div.vtag", {"vt-3", "vt-2", "vt-1"}},
             {"", "SELECT count(*) FROM tag", {"3"}}});
  const element tag = w.by_id("vt-1");
  for (const char* id : {"vt-99", "vtag"}) {
    SCOPED_TRACE(id);
    tag.set_attribute("id", fml::utf82wchar(id));
    w.env.collection.mark_logs();
    w.double_click(tag);
    EXPECT_TRUE(std::ranges::any_of(w.env.collection.new_lines("app"),
                                    [](auto& l) { return l.starts_with("Gesture ignored: "); }));
  }
  EXPECT_EQ(w.stored("SELECT count(*) FROM tag"), Lines{"3"});
}

TEST_F(GesturesTest, AfterADeleteTheNextQuoteIsCurrentAndShown) {
  for (int i = 5; i <= 64; ++i)
    model().on_model_event(model_events::add_quote{"quote " + std::to_string(i)});
  w.click(w.by_id("q-64"));
  w.key(vk::down, htmlayout::keyboard::shift, 51);
  w.key(vk::del);
  EXPECT_EQ(w.ids("#thequotelist tr:current div.quote"), Lines{"q-12"});
  const htmlayout::rect shown = w.box(w.by_id("q-12")), list = w.box(w.by_id("quotebox"));
  EXPECT_TRUE(shown.top >= list.top && shown.bottom <= list.bottom);
  w.check({{"key end; key del", "#thequotelist tr:current div.quote", {"q-2"}}});
}

TEST_F(GesturesTest, TagNamesAreTrimmedAndEmptyOrTakenNamesRefusedWithTheReason) {
  const Lines three{"alpha", "beta", "gamma"};
  const std::string empty = "A tag needs a name.", taken = "There is already a tag named ";
  const std::string f2 = "click vt-1; key f2; key back; ";  // the whole name is selected
  const std::tuple<std::string, std::string, Lines> cases[] = {  // gestures, refusal, names stored
      {"click newtag", empty, three}, {"click newtag; type    ", empty, three},
      {"click newtag; type  beta ", taken + "\u201cbeta\u201d.", three},
      {f2, empty, three}, {f2 + "type   ", empty, three},
      {f2 + "type gamma", taken + "\u201cgamma\u201d.", three},
      {f2 + "type  alpha ", "", three},
      {f2 + "type  <b>x</b> & y ", "", {"<b>x</b> & y", "beta", "gamma"}},
      {"click newtag; type  delta  ", "", {"<b>x</b> & y", "beta", "gamma", "delta"}},
  };
  const auto refusal = [&] { return w.root().select_first("#taglist div.refusal"); };
  for (const auto& [gestures, refused, names] : cases) {
    SCOPED_TRACE(gestures);
    w.act(gestures + "; key enter");
    ASSERT_EQ(bool(refusal()), !refused.empty());
    if (refusal()) {
      EXPECT_EQ(fml::wchar2utf8(refusal().text()), refused);
      EXPECT_EQ(w.read("#taglist[editable]"), Lines{"taglist"});
      w.box(refusal());  // drawn beside the editor
      w.act("type x");
      EXPECT_FALSE(refusal());
      w.key(vk::escape);
    }
    EXPECT_EQ(w.read("#taglist[editable]"), Lines{});
    EXPECT_EQ(w.stored("SELECT m_utfname FROM tag ORDER BY m_id"), names);
  }
  EXPECT_EQ(w.ids("div.vtag").size(), 4u);
  w.double_click(w.by_id("vt-1"));  // a name with markup shows as text in every place
  for (const std::string id : {"vt-1", "mtmcheck-1", "st-1", "qt-2-1"}) {
    EXPECT_EQ(w.read("=" + id), Lines{"<b>x</b> & y"}) << id;
    EXPECT_EQ(w.by_id(id).children_count(), 0u) << id;
  }
}

TEST_F(GesturesTest, TheNameEditorSelectsByKeysAndMouseAndUsesTheClipboard) {
  const std::tuple<std::string, std::string, std::string> cases[] = {  // keys, name, clipboard
      {"type x", "x", "pa\nste"},  // the edit starts with all selected
      {"key end; key shift+left; key shift+left; type Z", "alpZ", "pa\nste"},
      {"key right; key shift+home; type q", "q", "pa\nste"},
      {"key home; key ctrl+a; type k", "k", "pa\nste"},
      {"key home; key shift+right; key shift+right; key ctrl+c", "alpha", "al"},
      {"key ctrl+x", "", "alpha"}, {"key end; key ctrl+v", "alphapa ste", "pa\nste"},
  };
  for (const auto& [keys, name, clipboard] : cases) {
    w.clipboard = "pa\nste";
    w.check({{"click vt-1; key f2; " + keys, "=vt-1", {name}}, {"", "clipboard", {clipboard}}});
    w.key(vk::escape);
  }
  w.act("click vt-1; key f2; key end");
  const htmlayout::rect name = w.box(w.by_id("vt-1"));
  const int middle = (name.top + name.bottom) / 2;
  w.drag_between({name.left + 9, middle}, {name.right - 2, middle});
  w.check({{"type m; key enter", "SELECT m_utfname FROM tag WHERE m_id = 1", {"m"}}});
}

// Ctrl+Z in the field takes back a run of letters at once, never a deletion of quotes.
TEST_F(GesturesTest, TypedWordsNarrowTheListEscapeEmptiesTheFieldAndCtrlZUndoesIt) {
  int closes = 0;
  host().close_window = [&] { ++closes; };
  w.check({{"click words-hint; type tH", "div.quote", {"q-3"}}, {"", "=quote-count", {"1 quote"}},
           {"key back; double-click vt-2; click words; key escape", "=words", {""}},
           {"", "div.quote", {"q-3"}},
           {"click clear-search; click q-4; key ctrl+f; type zz", "=no-match",
            {"No quotes contain these words"}},
           {"key escape", "div.quote", {"q-4", "q-3", "q-2", "q-1"}}});
  EXPECT_EQ(closes, 0);
  w.key(vk::escape);
  EXPECT_EQ(closes, 1);
  w.check({{"click q-4; key del; key ctrl+f; type tw; key back; type hr", "=q-3 span.hit", {"thr"}},
           {"type e", "div.quote", {"q-3"}}, {"", "=q-3 span.hit", {"thre"}},
           {"key ctrl+z", "=words", {"t"}}, {"", "div.quote", {"q-3", "q-2"}},
           {"key ctrl+z", "=words", {"tw"}},
           {"key ctrl+z", "=words", {""}}, {"", "#wordfield[is_empty]", {"wordfield"}},
           {"", "div.quote", {"q-3", "q-2", "q-1"}},  // q-4 stays deleted
           {"type tw; double-click vt-3", "=q-2 span.hit", {"tw"}}});
  controller().send(text_record{"Twelve"});
  w.check({{"", "=q-5 span.hit", {"Tw"}}, {"click clear-search", "=words", {""}},
           {"", "#wordfield[is_empty]", {"wordfield"}}, {"", "div.stag", {}},
           {"", "div.quote", {"q-5", "q-3", "q-2", "q-1"}}, {"", "span.hit", {}},
           {"click words; key ctrl+z", "=words", {"tw"}}, {"", "div.quote", {"q-5", "q-2"}},
           {"click q-2; key ctrl+z", "SELECT count(*) FROM quote", {"5"}}});
}

// A word found in few of many quotes puts the long list aside; Clear brings it back with what
// changed meanwhile: a quote deleted, one captured, a built card's tags.
TEST_F(GesturesTest, TheLongListPutAsideComesBackWithTheChangesMadeMeanwhile) {
  SQLite::Database(w.env.collection.db_file().string(), SQLite::OPEN_READWRITE)
      .exec("WITH RECURSIVE n(i) AS (SELECT 5 UNION ALL SELECT i + 1 FROM n WHERE i < 1204) "
            "INSERT INTO quote (m_id, m_utftext, m_stamp) SELECT i, 'filler ' || i, i FROM n");
  w.objects.model().on_model_event(model_events::initial_load{});
  const std::string all = "SELECT 'q-' || m_id FROM quote ORDER BY rowid DESC";
  model_events::mark_quote marked{{1204, 1}};
  const tag_rename renamed{2, L"b2"};
  w.check({{"click q-1204; click q-1203", "=q-1204 div.qtag", {}},
           {"key ctrl+f; type thr", "div.quote", {"q-3"}},
           {"click q-3", "=q-3 div.qtag", {"beta"}}});
  w.objects.model().on_model_event(marked);
  w.objects.model().on_model_event(model_events::rename_tag{renamed});
  w.objects.model().on_model_event(model_events::delete_quote{1000});
  controller().send(text_record{"captured"});
  w.check({{"", "div.quote", {"q-1205", "q-3"}}, {"", "=q-3 div.qtag", {"b2"}},
           {"click clear-search", "div.quote", w.stored(all)},
           {"", "#thequotelist tr:checked", {}}, {"", "=q-1204 div.qtag", {"alpha"}},
           {"", "=q-3 div.qtag", {"b2"}}, {"", "=quote-count", {"1204 quotes"}}});
}

TEST_F(GesturesTest, NoEditOrSelectionOutlivesItsRowOrItsList) {
  int closes = 0;
  host().close_window = [&] { ++closes; };
  const std::string edited = "#taglist div.vtag:focus", editing = "#taglist[editable]";
  w.check({{"click vt-2; key f2; drag vt-2 recycled", edited, {"vt-2"}},
           {"key escape", editing, {}}, {"", "=vt-2", {"beta"}},
           {"key f2; right-click vt-2; menu tag-menu delete_vtag", "div.vtag", {"vt-3", "vt-1"}},
           {"", editing, {}}, {"click vt-3; key f2", edited, {"vt-3"}}});
  w.act("key escape; key escape");
  EXPECT_EQ(closes, 1);
  w.check({{"click q-4; shift+click q-3", "#thequotelist[multiselect]", {"thequotelist"}},
           {"double-click vt-3", "#thequotelist[multiselect]", {}}});
  const htmlayout::rect list = w.box(w.by_id("thequotelist"));
  w.click_at({list.left + 2, list.top + 2}, 0, htmlayout::mouse::prop_button);
  EXPECT_EQ(std::ranges::count(w.read("popups"), "quotes-menu"), 0);
}

// A Delete the file refuses for one quote deletes none and leaves nothing to undo.
TEST_F(GesturesTest, CtrlZGivesBackAWholeCollectionDeletedByCtrlAAndDelete) {
  const std::string quotes = "SELECT m_id || ' ' || m_stamp || ' ' || m_utftext FROM quote ORDER BY rowid";
  const std::string marks = "SELECT quote || ' ' || pos || ' ' || tag FROM quote_tag ORDER BY 1";
  const Lines stored_quotes = w.stored(quotes), stored_marks = w.stored(marks);
  const Lines cards = w.ids("div.quote"), chips = w.ids("div.qtag");
  ASSERT_EQ(cards.size(), 4u);
  ASSERT_EQ(stored_marks.size(), 3u);
  w.check({{"click q-3; key ctrl+a; key del", "div.quote", {}},
           {"", "SELECT count(*) FROM quote", {"0"}}, {"", "=notice-text", {"Deleted 4 quotes"}}});
  EXPECT_GT(w.box(w.by_id("notice-action")).right, 0);
  w.check({{"key ctrl+z", quotes, stored_quotes},
           {"", marks, stored_marks}, {"", "div.quote", cards}, {"", "div.qtag", chips},
           {"", "=notice-text", {"Restored 4 quotes"}}});
  const auto shown = [&](const char* id) { return bool(w.screen().geometry().location(w.by_id(id))); };
  EXPECT_FALSE(shown("notice-action"));
  w.in().advance_clock(w.in().next_timer_due().value_or(0));  // the note goes by itself
  EXPECT_FALSE(shown("notice"));
  SQLite::Database(w.env.collection.db_file().string(), SQLite::OPEN_READWRITE)
      .exec("CREATE TRIGGER refuse BEFORE DELETE ON quote WHEN old.m_id = 2 "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  w.check({{"click q-4; key ctrl+a; key del", "SELECT count(*) FROM quote", {"4"}},
           {"", "div.quote", cards}});
  EXPECT_TRUE(w.by_id("notice-text").text().starts_with(L"The quotes could not be deleted"));
  w.check({{"key ctrl+z", "=notice-text", {"Nothing to undo"}}});
  w.view().show_notice("<b>disk</b> full", pvview::notice_kind::error);
  EXPECT_EQ(w.read("=notice-text"), Lines{"<b>disk</b> full"});
  w.click(w.by_id("notice-close"));
  EXPECT_FALSE(shown("notice"));
}

TEST_F(GesturesTest, TheNoticesUndoGivesBackADeletedTagWithItsMarksAndSearch) {
  const Lines tags = w.ids("div.vtag");
  w.check({{"double-click vt-1", "div.quote", {"q-2"}},
           {"click vt-1; key del", "div.vtag", {"vt-3", "vt-2"}}, {"", "=q-2 div.qtag", {"gamma"}},
           {"", "SELECT tag FROM quote_tag WHERE quote = 2", {"3"}}, {"", "div.stag", {}},
           {"", "=notice-text", {"Deleted tag \u201calpha\u201d"}},
           {"click notice-action", "div.vtag", tags},
           {"", "div.stag", {"st-1"}}, {"", "div.quote", {"q-2"}},
           {"", "#q-2 div.qtag", {"qt-2-3", "qt-2-1"}},
           {"", "SELECT m_utfname FROM tag WHERE m_id = 1", {"alpha"}},
           {"", "SELECT pos FROM quote_tag WHERE quote = 2 AND tag = 1", {"2"}}});
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice-action")));
}

TEST_F(GesturesTest, SelectionsAreDraggedCopiedAndDeletedAndAnEditEndsWhenLeft) {
  const std::string checked = "#thequotelist tr:checked div.quote";
  // A release without a move reduces a selection to the pressed row; a drag keeps it.
  w.check({{"click vt-3; key f2; key end; type !; click q-4", "SELECT m_utfname FROM tag WHERE m_id = 3",
            {"gamma!"}},
           {"", "#taglist[editable]", {}}, {"", "#thequotelist:focus", {"thequotelist"}},
           {"click q-4; shift+click q-2", checked, {"q-4", "q-3", "q-2"}},
           {"click q-3", checked, {"q-3"}},
           {"click q-4; shift+click q-2; drag q-3 vt-2", checked, {"q-4", "q-3", "q-2"}},
           {"", "SELECT quote FROM quote_tag WHERE tag = 2 ORDER BY quote", {"2", "3", "4"}},
           {"click q-3; ctrl+click q-1", checked, {"q-3", "q-1"}}});
  w.act("key ctrl+c");
  EXPECT_LT(w.clipboard.find("three"), w.clipboard.find("one"));
  EXPECT_EQ(w.clipboard.find("two"), std::string::npos);
  w.check({{"key del", "SELECT m_id FROM quote ORDER BY m_id", {"2", "4"}},
           {"key ctrl+a; key del", "div.quote", {}},
           {"key del; key down; key end; key page_up; key c; key ctrl+a",
            "#thequotelist[multiselect]",
            {}}});
}

TEST_F(GesturesTest, TheSplitterResizesThePanesOnlyWhenDraggedFromItsPress) {
  htmlayout::testing::pointer pointer_{w.in(), w.screen().geometry()};
  const auto width_of = [&](const char* id) { return w.box(w.by_id(id)).right - w.box(w.by_id(id)).left; };
  const int tag_pane = width_of("tagpane");
  const element splitter = w.by_id("splitter");
  pointer_.press(w.by_id("brand-name"));
  pointer_.move_to(pointer_.center_of(splitter));
  pointer_.move_by(-30, 0);
  pointer_.release();
  EXPECT_EQ(width_of("tagpane"), tag_pane);
  pointer_.press(splitter);
  EXPECT_TRUE(splitter.has_attribute("used"));
  pointer_.move_by(-10, 0);
  pointer_.move_by(-5, 0);
  pointer_.release();
  EXPECT_FALSE(splitter.has_attribute("used"));
  EXPECT_EQ(width_of("tagpane"), tag_pane - 15);
  EXPECT_EQ(w.by_id("tagpane").get_style_attribute("width"), std::to_wstring(tag_pane - 15) + L"px");
  EXPECT_EQ(w.box(w.by_id("quotepane")).left, w.box(splitter).right);
  EXPECT_EQ(w.box(w.by_id("quotepane")).right, 1000);
  pointer_.move_by(40, 0);
  EXPECT_EQ(width_of("tagpane"), tag_pane - 15);
  // In a narrow quote pane the search bar's tags wrap: the list starts
  // under the taller head, and follows it when the search is cleared.
  const int head_bottom = w.box(w.by_id("searchhead")).bottom;
  EXPECT_EQ(w.box(w.by_id("quotebox")).top, head_bottom);
  pointer_.press(splitter);
  pointer_.move_by(560, 0);
  pointer_.release();
  w.act("double-click vt-1; double-click vt-2; double-click vt-3");
  EXPECT_GT(w.box(w.by_id("searchhead")).bottom, head_bottom);
  EXPECT_EQ(w.box(w.by_id("quotebox")).top, w.box(w.by_id("searchhead")).bottom);
  const int wrapped = w.box(w.by_id("searchhead")).bottom;
  w.act("click clear-search");
  EXPECT_LT(w.box(w.by_id("searchhead")).bottom, wrapped);
  EXPECT_EQ(w.box(w.by_id("quotebox")).top, w.box(w.by_id("searchhead")).bottom);
}

}  // namespace
}  // namespace pvl
