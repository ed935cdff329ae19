// The program's behaviours on the real main page, with the real controller
// and the real model on a temporary collection (three tags, four quotes;
// quote 2 carries tags 3 and 1, quote 3 tag 2). Events are delivered the way
// the engine delivers them: mouse and key records through element_proc to
// the behaviour the element's style names, behaviour events with send_event.
#include "view/behaviors.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "fml/text.h"
#include "model/model_instance.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/behavior_host.h"
#include "view/pvview.h"
#include "view/testing/test_program.h"

namespace pvl {
namespace {

namespace ev = htmlayout::event;
namespace mouse = htmlayout::mouse;
namespace state = htmlayout::state;
using htmlayout::dom::element;
using Ids = std::vector<int32_t>;
using Lines = std::vector<std::string>;

class BehaviorsTest : public ::testing::Test {
 protected:
  element root() { return view_.document().root(); }
  element by_id(const std::string& id) { return root().select_first("[id='" + id + "']"); }
  // The ids of the elements matching `selector`, in document order.
  Lines ids(const std::string& selector) {
    Lines found;
    for (const element& e : root().select_all(selector))
      found.push_back(*e.get_attribute_utf8("id"));
    return found;
  }
  // The behaviour the element's style names, as the engine attached it.
  htmlayout::event_handler* handler(const element& he) {
    std::string name = fml::wchar2utf8(he.get_style_attribute("behavior"));
    htmlayout::event_handler* found = htmlayout::behavior::find(name.c_str(), he);
    EXPECT_NE(found, nullptr) << "no behaviour \"" << name << "\"";
    return found;
  }
  // A mouse event on `he`, the pointer at `at` in the document; the element
  // relative position is deliberately different.
  bool mouse_event(const element& he, uint32_t cmd, uint32_t buttons, htmlayout::point at = {}) {
    htmlayout::mouse_params p;
    p.cmd = cmd;
    p.target = he;
    p.pos = {at.x + 500, at.y + 500};
    p.pos_document = at;
    p.button_state = buttons;
    htmlayout::event_handler* h = handler(he);
    return h && htmlayout::element_proc(h, he, htmlayout::group::mouse, &p);
  }
  bool key_event(const element& he, uint32_t cmd, uint32_t code, uint32_t keys = 0) {
    htmlayout::key_params p;
    p.cmd = cmd;
    p.target = he;
    p.key_code = code;
    p.alt_state = keys;
    htmlayout::event_handler* h = handler(he);
    return h && htmlayout::element_proc(h, he, htmlayout::group::key, &p);
  }
  // The model events handled since the fixture started or the last call.
  std::vector<int> model_events() {
    std::vector<int> found = env_.model_events();
    env_.collection.mark_logs();
    return found;
  }
  // What the database holds.
  Ids quote_tags(int32_t quote) {
    Ids tags;
    if (std::optional<Quote> stored = model().quote(quote))
      for (const Tag& tag : stored->m_tags) tags.push_back(tag.m_id);
    return tags;
  }
  Lines stored(const std::string& query) {
    SQLite::Database db(env_.collection.db_file().string(), SQLite::OPEN_READONLY);
    SQLite::Statement select(db, query);
    Lines rows;
    while (select.executeStep()) rows.push_back(select.getColumn(0).getString());
    return rows;
  }
  element quote_menu_item(const std::string& menu, const std::string& action) {
    return by_id(menu).select_first("li[action='" + action + "']");
  }
  element row_of(const std::string& id) { return by_id(id).parent().parent(); }

  testing::test_program program_;
  controller_testing::program_folders& env_ = program_.env;
  pvview& view_ = program_.objects.view();
  std::string& clipboard_ = program_.clipboard;
};

TEST_F(BehaviorsTest, EveryBehaviourThePageNamesIsRegistered) {
  struct expected {
    const char* name;
    uint32_t subscription;
  };
  for (expected e : {expected{"body", 0x2},  {"html", 0x2},           {"managetags", 0x101},
                     {"manage-menu", 0x100}, {"qtag", 0x1},           {"quote", 0x101},
                     {"quotelist", 0x110},   {"taglist", 0x103},      {"vtag", 0x101},
                     {"about", 0x1},         {"link", 0x1},           {"sms", 0x100},
                     {"export", 0x1},        {"recycled", 0x1},       {"searchbar", 0x101},
                     {"stag", 0x1},          {"cgrid", 0x7},          {"csortable-grid", 0x7},
                     {"cquote_grid", 0x7},   {"ceditable_grid", 0x7}, {"pvlsplitter", 0x1},
                     {"notice", 0x10},       {"noticeaction", 0x100}, {"noticeclose", 0x1},
                     {"settings", 0x1},      {"settings-menu", 0x100}}) {
    htmlayout::event_handler* h = htmlayout::behavior::find(e.name, root());
    ASSERT_NE(h, nullptr) << e.name;
    EXPECT_EQ(h->subscribed_to, e.subscription) << e.name;
  }
  // Every name the page uses is one of ours.
  root().visit([&](const element& e) {
    std::string name = fml::wchar2utf8(e.get_style_attribute("behavior"));
    if (!name.empty()) {
      EXPECT_NE(htmlayout::behavior::find(name.c_str(), e), nullptr) << name;
    }
    return false;
  });
}

TEST_F(BehaviorsTest, MouseForwardingDragsATagOntoAQuoteInDocumentCoordinates) {
  element tag = by_id("vt-2");
  EXPECT_FALSE(mouse_event(tag, mouse::down, mouse::main_button, {100, 100}));
  // Two pixels in the document (the element-relative position is far off).
  EXPECT_FALSE(mouse_event(tag, mouse::move, mouse::main_button, {102, 100}));
  EXPECT_TRUE(mouse_event(tag, mouse::move, mouse::main_button, {104, 100}));
  EXPECT_TRUE(mouse_event(by_id("q-4"), mouse::up, mouse::main_button, {300, 200}));
  EXPECT_EQ(env_.collection.new_lines("cntrl"),
            (Lines{"dnd ready: vt-2", "dnd start: vt-2", "dnd stop: vt-2",
                   "mark_quote_with_tag; quote: 4; tag: 2"}));
  EXPECT_EQ(quote_tags(4), Ids{2});
  EXPECT_TRUE(by_id("qt-4-2"));
}

TEST_F(BehaviorsTest, ElementsWithoutClassOrIdAreNotForwarded) {
  // The style still names "vtag", but without an id there is nothing for
  // the controller to name.
  element tag = by_id("vt-2");
  tag.remove_attribute("id");
  EXPECT_FALSE(mouse_event(tag, mouse::down, mouse::main_button));
  EXPECT_FALSE(mouse_event(tag, mouse::move, mouse::main_button, {50, 50}));
  EXPECT_TRUE(env_.collection.new_lines("cntrl").empty());
}

TEST_F(BehaviorsTest, DoubleClicksPutTagsIntoTheSearchAndTakeThemOut) {
  // The right button sends nothing.
  EXPECT_FALSE(mouse_event(by_id("vt-2"), mouse::double_click, mouse::prop_button));
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(mouse_event(by_id("vt-2"), mouse::double_click, mouse::main_button));
  EXPECT_TRUE(mouse_event(by_id("vt-1"), mouse::double_click, mouse::main_button));
  EXPECT_EQ(model_events(), (std::vector<int>{8, 8}));
  EXPECT_EQ(ids("div.stag"), (Lines{"st-2", "st-1"}));
  EXPECT_EQ(ids("div.quote"), Lines{});  // no quote carries both

  EXPECT_FALSE(mouse_event(by_id("st-2"), mouse::double_click, mouse::prop_button));
  EXPECT_TRUE(mouse_event(by_id("st-2"), mouse::double_click, mouse::main_button));
  EXPECT_EQ(model_events(), std::vector<int>{9});
  EXPECT_EQ(ids("div.stag"), Lines{"st-1"});
  EXPECT_EQ(ids("div.quote"), Lines{"q-2"});
}

TEST_F(BehaviorsTest, MenuItemsRunTheirActionOnTheElementThatOwnsTheMenu) {
  element quote = by_id("q-3");
  EXPECT_TRUE(quote.send_event(ev::menu_item_click, quote_menu_item("quote-menu", "copy_quote")));
  EXPECT_EQ(clipboard_, "three");
  EXPECT_TRUE(quote.send_event(ev::menu_item_click, quote_menu_item("quote-menu", "delete_quote")));
  EXPECT_FALSE(by_id("q-3"));
  EXPECT_FALSE(model().quote(3));

  // A tag's menu and the search bar's.
  EXPECT_TRUE(
      by_id("vt-3").send_event(ev::menu_item_click, quote_menu_item("tag-menu", "add_search_tag")));
  EXPECT_EQ(ids("div.stag"), Lines{"st-3"});
  EXPECT_TRUE(
      by_id("p-searchbar")
          .send_event(ev::menu_item_click, quote_menu_item("search-menu", "clear_search_tags")));
  EXPECT_EQ(ids("div.stag"), Lines{});
  EXPECT_EQ(model_events(), (std::vector<int>{30, 2, 8, 20}));

  // An item without an action is not handled, nor are other events.
  element plain = element::create("li", L"nothing");
  by_id("quote-menu").append(plain);
  EXPECT_FALSE(by_id("q-2").send_event(ev::menu_item_click, plain));
  EXPECT_FALSE(by_id("q-2").send_event(ev::button_click));
  EXPECT_TRUE(model_events().empty());
}

TEST_F(BehaviorsTest, ButtonsRunTheActionTheirMessageNames) {
  mouse_event(by_id("vt-1"), mouse::double_click, mouse::main_button);
  mouse_event(by_id("vt-2"), mouse::double_click, mouse::main_button);
  EXPECT_EQ(ids("div.quote"), Lines{});
  EXPECT_TRUE(by_id("mode-or").send_event(ev::button_click));
  EXPECT_EQ(ids("div.quote"), (Lines{"q-3", "q-2"}));
  EXPECT_TRUE(by_id("mode-and").send_event(ev::button_click));
  EXPECT_EQ(ids("div.quote"), Lines{});
  EXPECT_TRUE(by_id("clear-search").send_event(ev::button_click));
  EXPECT_EQ(ids("div.stag"), Lines{});
  EXPECT_EQ(model_events(), (std::vector<int>{8, 8, 13, 12, 20}));
  // Only the click counts.
  EXPECT_FALSE(by_id("clear-search").send_event(ev::button_press));

  // An element given "sms" without a message.
  element stray = by_id("export");
  htmlayout::behavior_event_params press;
  press.cmd = ev::button_click;
  press.target = stray;
  press.sent_to = stray;
  try {
    htmlayout::element_proc(htmlayout::behavior::find("sms", stray), stray,
                            htmlayout::group::behavior_event, &press);
    ADD_FAILURE() << "no error";
  } catch (const wrong_sms_dom_element& error) {
    EXPECT_STREQ(error.what(), "export");
  }
  EXPECT_TRUE(model_events().empty());
}

TEST_F(BehaviorsTest, LinksAboutAndHelpGoThroughTheHost) {
  std::vector<std::wstring> opened;
  int abouts = 0, closes = 0, quits = 0;
  host().open_url = [&](const std::wstring& target) { opened.push_back(target); };
  host().show_about = [&] { ++abouts; };
  host().quit = [&] { ++quits; };
  host().close_window = [&] { ++closes; };

  element link = element::create("div", L"site");
  link.set_attribute("class", L"link");
  link.set_attribute("id", L"site-link");
  link.set_attribute("link", L"https://example.org/");
  by_id("brand").append(link);
  htmlayout::event_handler* link_behavior = htmlayout::behavior::find("link", link);
  htmlayout::mouse_params release;
  release.cmd = mouse::up | htmlayout::sinking;
  release.target = link;
  release.button_state = mouse::main_button;
  EXPECT_TRUE(htmlayout::element_proc(link_behavior, link, htmlayout::group::mouse, &release));
  release.cmd = mouse::down;
  EXPECT_FALSE(htmlayout::element_proc(link_behavior, link, htmlayout::group::mouse, &release));
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.org/"});

  EXPECT_FALSE(mouse_event(by_id("about"), mouse::down, mouse::main_button));
  EXPECT_FALSE(mouse_event(by_id("about"), mouse::up | htmlayout::sinking, mouse::main_button));
  EXPECT_TRUE(mouse_event(by_id("about"), mouse::up, mouse::main_button));
  EXPECT_EQ(abouts, 1);
  EXPECT_TRUE(by_id("settings-menu").send_event(ev::menu_item_click, by_id("quit")));
  EXPECT_TRUE(key_event(root(), htmlayout::key::down, 'Q', htmlayout::keyboard::control));
  EXPECT_FALSE(key_event(root(), htmlayout::key::down, 'Q'));
  EXPECT_EQ(quits, 2);

  tinyfilesystem::set_app_dir(L"ParvelaDir", L"/opt/parvela");
  EXPECT_FALSE(key_event(root(), htmlayout::key::up, 112));
  EXPECT_TRUE(key_event(root(), htmlayout::key::down, 112));
  EXPECT_EQ(opened.back(), L"/opt/parvela/Parvela Help.html");
  EXPECT_FALSE(key_event(root(), htmlayout::key::down, 'A'));
  EXPECT_TRUE(key_event(root(), htmlayout::key::down, 27));
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(model_events().empty());
}

TEST_F(BehaviorsTest, ExportWritesTheChosenFileAndCancelSendsNothing) {
  std::optional<std::wstring> answer;
  host().ask_export_path = [&] { return answer; };
  EXPECT_TRUE(mouse_event(by_id("export"), mouse::up, mouse::main_button));
  EXPECT_TRUE(model_events().empty());

  std::filesystem::path file = env_.collection.root() / "out.html";
  answer = file.wstring();
  EXPECT_FALSE(mouse_event(by_id("export"), mouse::down, mouse::main_button));
  EXPECT_TRUE(mouse_event(by_id("export"), mouse::up, mouse::main_button));
  EXPECT_EQ(model_events(), std::vector<int>{10});
  std::string html = testing_support::read_file(file);
  EXPECT_NE(html.find("three"), std::string::npos);
  EXPECT_NE(html.find("four"), std::string::npos);
}

TEST_F(BehaviorsTest, ManageButtonOfEveryQuoteOpensThePopupForThatQuote) {
  std::vector<std::string> anchored;
  host().show_popup = [&](const element& popup, const element& anchor, int placement) {
    EXPECT_EQ(popup, by_id("manage-tags"));
    EXPECT_EQ(placement, 2);
    anchored.push_back(*anchor.select_parent("div.quote").get_attribute_utf8("id"));
  };
  element popup = by_id("manage-tags");
  for (int quote : {4, 3, 2, 1}) {
    element button = by_id("q-" + std::to_string(quote)).select_first("button.managetags");
    EXPECT_TRUE(mouse_event(button, mouse::down, mouse::main_button));
    EXPECT_EQ(*popup.get_attribute_utf8("qid"), std::to_string(quote));
    Lines expected;
    for (int32_t tag : quote_tags(quote)) expected.push_back("mtmcheck-" + std::to_string(tag));
    Lines checked = ids("#manage-tags li:checked");
    std::sort(expected.begin(), expected.end());
    std::sort(checked.begin(), checked.end());
    EXPECT_EQ(checked, expected) << "quote " << quote;
    EXPECT_TRUE(popup.child(0).get_state() & state::focus);
    EXPECT_TRUE(mouse_event(button, mouse::up, mouse::main_button));
  }
  EXPECT_EQ(anchored, (Lines{"q-4", "q-3", "q-2", "q-1"}));
  // Never a drag source.
  EXPECT_TRUE(env_.collection.new_lines("cntrl").empty());
}

TEST_F(BehaviorsTest, CheckingItemsOfThePopupMarksAndUnmarksTheQuote) {
  element popup = by_id("manage-tags");
  mouse_event(by_id("q-2").select_first("button.managetags"), mouse::down, mouse::main_button);
  element beta = by_id("mtmcheck-2");
  beta.set_state(state::checked);
  EXPECT_TRUE(popup.send_event(ev::button_state_changed, beta));
  element gamma = by_id("mtmcheck-3");
  gamma.set_state(0, state::checked);
  EXPECT_TRUE(popup.send_event(ev::button_state_changed, gamma));
  EXPECT_EQ(model_events(), (std::vector<int>{6, 7}));
  EXPECT_EQ(quote_tags(2), (Ids{1, 2}));
  EXPECT_TRUE(by_id("qt-2-2"));
  EXPECT_FALSE(by_id("qt-2-3"));
  EXPECT_FALSE(popup.send_event(ev::button_click, beta));
}

// The settings button opens its menu showing "Start with the desktop" as
// the host has it; checking the item asks the host to switch, after which
// the item shows what the switch achieved (nothing, when it failed).
TEST_F(BehaviorsTest, SettingsMenuShowsAndSwitchesStartWithTheDesktop) {
  bool on = true, switch_works = true;
  std::vector<bool> asked;
  host().autostart_enabled = [&] { return on; };
  host().set_autostart = [&](bool wanted) {
    asked.push_back(wanted);
    if (switch_works) on = wanted;
  };
  int shown = 0;
  host().show_popup = [&](const element& popup, const element& anchor, int placement) {
    EXPECT_EQ(popup, by_id("settings-menu"));
    EXPECT_EQ(anchor, by_id("settings"));
    EXPECT_EQ(placement, 2);
    ++shown;
  };
  element item = by_id("autostart");
  EXPECT_TRUE(mouse_event(by_id("settings"), mouse::down, mouse::main_button));
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(item.get_state() & state::checked);

  item.set_state(0, state::checked);
  EXPECT_TRUE(by_id("settings-menu").send_event(ev::button_state_changed, item));
  EXPECT_FALSE(on);
  switch_works = false;
  item.set_state(state::checked);
  EXPECT_TRUE(by_id("settings-menu").send_event(ev::button_state_changed, item));
  EXPECT_FALSE(item.get_state() & state::checked);
  EXPECT_EQ(asked, (std::vector<bool>{false, true}));
}

class ListBehaviorsTest : public BehaviorsTest {
 protected:
  element quotes() { return by_id("thequotelist"); }
  element tags() { return by_id("taglist"); }
};

TEST_F(ListBehaviorsTest, RemovedQuoteRowsAreDeletedEverywhere) {
  element row = row_of("q-3");
  EXPECT_TRUE(quotes().send_event(ev::row_removed, row));
  EXPECT_FALSE(row);
  EXPECT_EQ(ids("div.quote"), (Lines{"q-4", "q-2", "q-1"}));
  EXPECT_EQ(stored("SELECT m_id FROM quote ORDER BY m_id"), (Lines{"1", "2", "4"}));
}

TEST_F(ListBehaviorsTest, CopyRequestCopiesTheCheckedRowsInRowOrder) {
  row_of("q-1").set_state(state::checked);
  row_of("q-3").set_state(state::checked);
  EXPECT_TRUE(quotes().send_event(ev::copy_requested));
  EXPECT_EQ(model_events(), std::vector<int>{32});
  EXPECT_LT(clipboard_.find("three"), clipboard_.find("one"));
  EXPECT_EQ(clipboard_.find("two"), std::string::npos);
}

TEST_F(ListBehaviorsTest, ListMenusActOnTheSelectionOrOnTheOneCheckedRow) {
  element item = quote_menu_item("quotes-menu", "delete_quotes");
  row_of("q-4").set_state(state::checked);
  row_of("q-2").set_state(state::checked);
  quotes().set_attribute("multiselect", L"");
  EXPECT_TRUE(quotes().send_event(ev::menu_item_click, item));
  EXPECT_EQ(model_events(), std::vector<int>{42});
  EXPECT_EQ(stored("SELECT m_id FROM quote ORDER BY m_id"), (Lines{"1", "3"}));

  quotes().remove_attribute("multiselect");
  row_of("q-1").set_state(state::checked);
  EXPECT_TRUE(
      quotes().send_event(ev::menu_item_click, quote_menu_item("quote-menu", "delete_quote")));
  EXPECT_EQ(stored("SELECT m_id FROM quote"), Lines{"3"});
  EXPECT_EQ(ids("div.quote"), Lines{"q-3"});

  // Nothing checked: nothing to act on.
  EXPECT_FALSE(
      quotes().send_event(ev::menu_item_click, quote_menu_item("quote-menu", "delete_quote")));
  // The tag list's menu through the same rule.
  row_of("vt-1").set_state(state::checked);
  EXPECT_TRUE(tags().send_event(ev::menu_item_click, quote_menu_item("tag-menu", "delete_vtag")));
  EXPECT_EQ(stored("SELECT m_utfname FROM tag ORDER BY m_id"), (Lines{"beta", "gamma"}));
  EXPECT_EQ(model_events(), (std::vector<int>{2, 4}));
}

TEST_F(ListBehaviorsTest, NewTagButtonOpensAnEditableRowThatBecomesATag) {
  row_of("vt-2").set_state(state::checked | state::current);
  EXPECT_TRUE(by_id("newtag").send_event(ev::button_click));
  element row = tags().child(0);
  element name = row.select_first("div.vtag");
  EXPECT_EQ(row.get_state() & state::current, state::current);
  EXPECT_EQ(name, view_.document().focused());
  EXPECT_EQ(row_of("vt-2").get_state() & (state::checked | state::current), 0u);
  EXPECT_EQ(*tags().get_attribute_utf8("editable"), "");
  EXPECT_EQ(*tags().get_attribute_utf8("action"), "add-new");

  name.set_text(L"delta");
  EXPECT_TRUE(tags().send_event(ev::new_row_committed, row));
  EXPECT_EQ(model_events(), std::vector<int>{3});
  EXPECT_EQ(*name.get_attribute_utf8("id"), "vt-4");
  EXPECT_EQ(stored("SELECT m_utfname FROM tag WHERE m_id = 4"), Lines{"delta"});

  // An empty name drops the row and stores nothing.
  by_id("newtag").send_event(ev::button_click);
  element empty = tags().child(0);
  EXPECT_FALSE(tags().send_event(ev::new_row_committed, empty));
  EXPECT_FALSE(empty);
  EXPECT_TRUE(model_events().empty());
  EXPECT_EQ(stored("SELECT count(*) FROM tag"), Lines{"4"});
}

TEST_F(ListBehaviorsTest, EditedAndRemovedTagRowsReachTheCollection) {
  by_id("vt-2").set_text(L"BETA");
  EXPECT_TRUE(tags().send_event(ev::row_edit_committed, row_of("vt-2")));
  EXPECT_EQ(stored("SELECT m_utfname FROM tag WHERE m_id = 2"), Lines{"BETA"});

  element row = row_of("vt-3");
  EXPECT_TRUE(tags().send_event(ev::row_removed, row));
  EXPECT_FALSE(row);
  EXPECT_EQ(stored("SELECT m_id FROM tag ORDER BY m_id"), (Lines{"1", "2"}));
  EXPECT_EQ(quote_tags(2), Ids{1});
  EXPECT_FALSE(by_id("qt-2-3"));
  EXPECT_EQ(model_events(), (std::vector<int>{5, 4}));
}

}  // namespace
}  // namespace pvl
