// What a user does in the main window, done as the user does it: presses,
// moves, releases and keys at the places where the renderer draws the
// elements, through the real behaviours, controller and model. Each test
// checks the window and the collection file afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "htmlayout/events.h"
#include "controller/vcaction.h"
#include "htmlayout/keys.h"
#include "tests/support/temp_dir.h"
#include "view/behavior_host.h"
#include "view/testing/program_window.h"

namespace pvl {
namespace {

using Ids = std::vector<int32_t>;
using Lines = std::vector<std::string>;
using element = htmlayout::dom::element;
namespace state = htmlayout::state;

class GesturesTest : public ::testing::Test {
 protected:
  testing::program_window w;
};

TEST_F(GesturesTest, DraggingATagOntoAQuoteTagsItAndAQuoteOntoATagToo) {
  w.drag(w.by_id("vt-2"), w.by_id("q-4"));
  EXPECT_EQ(w.quote_tags(4), Ids{2});
  EXPECT_TRUE(w.by_id("qt-4-2"));
  EXPECT_EQ(w.stored("SELECT tag FROM quote_tag WHERE quote = 4"), Lines{"2"});

  w.drag(w.by_id("q-1"), w.by_id("vt-3"));
  EXPECT_EQ(w.quote_tags(1), Ids{3});
  EXPECT_TRUE(w.by_id("qt-1-3"));
  // The drag cursor is gone once the button is up.
  EXPECT_FALSE(w.root().select_first("body").get_attribute_utf8("cursor").has_value());
}

TEST_F(GesturesTest, TheManageButtonOpensTheTagMenuWhoseChecksMarkTheQuote) {
  const auto manage = w.by_id("q-3").select_first("button.managetags");
  w.click(manage);
  ASSERT_EQ(w.in().popups().size(), 1u);
  EXPECT_EQ(w.in().popups()[0].element, w.by_id("manage-tags"));
  // Quote 3 carries tag 2: its item is checked.
  EXPECT_EQ(w.ids("#manage-tags li:checked"), Lines{"mtmcheck-2"});

  w.click(w.by_id("mtmcheck-1"));
  w.click(w.by_id("mtmcheck-2"));
  EXPECT_EQ(w.quote_tags(3), Ids{1});
  EXPECT_EQ(w.stored("SELECT tag FROM quote_tag WHERE quote = 3"), Lines{"1"});
  EXPECT_TRUE(w.by_id("qt-3-1"));
  EXPECT_FALSE(w.by_id("qt-3-2"));
  // Check items keep the menu open; Escape closes it.
  EXPECT_EQ(w.in().popups().size(), 1u);
  w.key(htmlayout::vk::escape);
  EXPECT_TRUE(w.in().popups().empty());
}

TEST_F(GesturesTest, SearchByDoubleClickedTagsSwitchesModesAndClears) {
  EXPECT_EQ(w.by_id("quote-count").text(), L"4 quotes");
  w.double_click(w.by_id("vt-1"));
  EXPECT_EQ(w.by_id("quote-count").text(), L"1 quote");
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("no-match")));
  w.double_click(w.by_id("vt-2"));
  EXPECT_EQ(w.ids("div.stag"), (Lines{"st-1", "st-2"}));
  EXPECT_EQ(w.ids("div.quote"), Lines{});  // no quote carries both
  // The pane says so instead of staying blank.
  EXPECT_EQ(w.by_id("quote-count").text(), L"0 quotes");
  EXPECT_EQ(w.by_id("no-match").text(), L"No quotes carry these tags");
  EXPECT_GT(w.box(w.by_id("no-match")).bottom, w.box(w.by_id("quotebox")).top);

  w.click(w.by_id("mode-or"));
  EXPECT_TRUE(w.by_id("mode-or").get_state() & state::checked);
  EXPECT_FALSE(w.by_id("mode-and").get_state() & state::checked);
  EXPECT_EQ(w.ids("div.quote"), (Lines{"q-3", "q-2"}));

  // A search tag double-clicked leaves the search.
  w.double_click(w.by_id("st-2"));
  EXPECT_EQ(w.ids("div.stag"), Lines{"st-1"});
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-2"});

  w.click(w.by_id("clear-search"));
  EXPECT_EQ(w.ids("div.stag"), Lines{});
  EXPECT_TRUE(w.by_id("p-searchbar").get_attribute_utf8("is_empty").has_value());
  EXPECT_EQ(w.ids("div.quote").size(), 4u);
  EXPECT_EQ(w.by_id("quote-count").text(), L"4 quotes");
}

TEST_F(GesturesTest, ExportWritesTheCurrentSearchToTheChosenFile) {
  const std::filesystem::path file = w.env.collection.root() / "export.html";
  host().ask_export_path = [&] { return std::optional<std::wstring>(file.wstring()); };
  w.drag(w.by_id("vt-2"), w.by_id("p-searchbar"));
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
  w.click(w.by_id("export"));
  const std::string html = testing_support::read_file(file);
  EXPECT_NE(html.find("three"), std::string::npos);
  EXPECT_EQ(html.find("four"), std::string::npos);
}

TEST_F(GesturesTest, AboutAndTheKeysOfTheWindowReachTheShell) {
  int abouts = 0, closes = 0;
  std::vector<std::wstring> opened;
  host().show_about = [&] { ++abouts; };
  host().close_window = [&] { ++closes; };
  host().open_url = [&](const std::wstring& target) { opened.push_back(target); };
  w.click(w.by_id("about"));
  EXPECT_EQ(abouts, 1);
  w.key(htmlayout::vk::f1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(opened[0].find(L"Parvela Help.html"), std::wstring::npos);
  w.key(htmlayout::vk::escape);
  EXPECT_EQ(closes, 1);
}

TEST_F(GesturesTest, ANoticeShowsItsTextAsTextUntilItsCloseButtonIsClicked) {
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice")));
  w.view().show_notice("<b>disk</b> full", pvview::notice_kind::error);
  EXPECT_EQ(w.by_id("notice-text").text(), L"<b>disk</b> full");
  EXPECT_FALSE(w.by_id("notice").select_first("b"));
  EXPECT_GT(w.box(w.by_id("notice")).bottom, 0);
  // It lies over the list without moving it; its close button hides it.
  w.click(w.by_id("notice-close"));
  EXPECT_FALSE(w.screen().geometry().location(w.by_id("notice")));
}

TEST_F(GesturesTest, ListMenusCopyAndDeleteOneQuoteOrTheSelection) {
  // One quote: its own menu at the pointer.
  w.click(w.by_id("q-3"));
  w.right_click(w.by_id("q-3"));
  ASSERT_EQ(w.in().popups().size(), 1u);
  EXPECT_EQ(w.in().popups()[0].element, w.by_id("quote-menu"));
  w.click(w.menu_item("quote-menu", "copy_quote_with_data"));
  EXPECT_TRUE(w.in().popups().empty());
  EXPECT_EQ(w.clipboard, "three\r\n\r\nbeta");

  // Three quotes: a right click inside the selection keeps it and opens the
  // plural menu.
  w.click(w.by_id("q-4"));
  w.click(w.by_id("q-2"), htmlayout::keyboard::shift);
  w.right_click(w.by_id("q-3"));
  ASSERT_EQ(w.in().popups().size(), 1u);
  EXPECT_EQ(w.in().popups()[0].element, w.by_id("quotes-menu"));
  w.click(w.menu_item("quotes-menu", "copy_quotes_with_data"));
  for (const char* text : {"four", "three", "two", "Tags: "})
    EXPECT_NE(w.clipboard.find(text), std::string::npos) << text;
  EXPECT_EQ(w.clipboard.find("one"), std::string::npos);

  w.right_click(w.by_id("q-3"));
  w.click(w.menu_item("quotes-menu", "delete_quotes"));
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-1"});
  EXPECT_EQ(w.stored("SELECT m_id FROM quote"), Lines{"1"});
}

TEST_F(GesturesTest, TagsGoWithTheDeleteKeyTheirMenuOrTheBin) {
  w.click(w.by_id("vt-1"));
  w.key(htmlayout::vk::del);
  EXPECT_FALSE(w.by_id("vt-1"));
  EXPECT_FALSE(w.by_id("qt-2-1"));  // and from the quote that carried it
  EXPECT_EQ(w.quote_tags(2), Ids{3});

  w.right_click(w.by_id("vt-3"));
  ASSERT_EQ(w.in().popups().size(), 1u);
  w.click(w.menu_item("tag-menu", "delete_vtag"));
  EXPECT_FALSE(w.by_id("vt-3"));

  w.drag(w.by_id("vt-2"), w.by_id("recycled"));
  EXPECT_EQ(w.ids("div.vtag"), Lines{});
  EXPECT_EQ(w.stored("SELECT count(*) FROM tag"), Lines{"0"});
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote_tag"), Lines{"0"});

  // A quote dropped on the bin is deleted too.
  w.drag(w.by_id("q-4"), w.by_id("recycled"));
  EXPECT_FALSE(w.by_id("q-4"));
  EXPECT_EQ(w.stored("SELECT count(*) FROM quote WHERE m_id = 4"), Lines{"0"});
}

// Undo through the keys: Ctrl+A and Delete empty the list, Ctrl+Z gives
// back the same quotes, with their ids, stamps, order and marks, in the file
// and on the page.
TEST_F(GesturesTest, CtrlZGivesBackAWholeCollectionDeletedByCtrlAAndDelete) {
  const std::string quotes = "SELECT m_id || ' ' || m_stamp || ' ' || m_utftext FROM quote "
                             "ORDER BY rowid";
  const std::string marks = "SELECT quote || ' ' || pos || ' ' || tag FROM quote_tag "
                            "ORDER BY quote, pos";
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
  // The note goes by itself.
  w.in().advance_clock(w.in().next_timer_due().value_or(0));
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

// A quote captured while the list is scrolled down is scrolled to and
// highlighted for a moment.
TEST_F(GesturesTest, ACaptureWhileScrolledDownIsScrolledToAndHighlighted) {
  for (int i = 0; i < 12; ++i)
    model().on_model_event(model_event{model_events::add_quote, L"filler\nline\nline"});
  const element list = w.by_id("quotebox");
  w.in().wheel(w.center(list), 3000, 0);
  EXPECT_LT(w.box(w.by_id("q-16")).bottom, w.box(list).top);

  vcaction capture;
  capture.type = vcaction_types::captured_text;
  capture.data = L"news";
  controller().send(capture);
  const element card = w.by_id("q-17");
  EXPECT_GE(w.box(card).top, w.box(list).top);
  EXPECT_TRUE(card.has_attribute("fresh"));
  w.in().advance_clock(w.in().next_timer_due().value_or(0));
  EXPECT_FALSE(card.has_attribute("fresh"));
}

// Enter copies the selected quote, as Ctrl+C does, and puts the selected tag
// into the search.
TEST_F(GesturesTest, EnterCopiesAQuoteAndSearchesForATag) {
  w.click(w.by_id("q-3"));
  w.key(htmlayout::vk::enter);
  EXPECT_EQ(w.clipboard.rfind("three", 0), 0u);
  w.click(w.by_id("vt-2"));
  w.key(htmlayout::vk::enter);
  EXPECT_EQ(w.ids("div.stag"), Lines{"st-2"});
  EXPECT_EQ(w.ids("div.quote"), Lines{"q-3"});
}

}  // namespace
}  // namespace pvl
