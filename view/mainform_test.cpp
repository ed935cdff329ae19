// The main page as the engine reads it, filled by the program: the behaviour
// and the menu each part gets from the style sheets, the drag cursors, and
// the files the page refers to, which are looked up by exact name.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "tests/support/temp_dir.h"
#include "view/testing/test_program.h"

namespace pvl {
namespace {

using htmlayout::dom::element;

TEST(MainPageTest, EachPartHasItsBehaviourAndMenuAndEveryBehaviourIsRegistered) {
  testing::test_program program;
  const element root = program.objects.view().document().root();
  // A card's parts are built when reached from the card.
  auto find = [&](const std::string& selector) {
    if (selector == "html") return root;
    const size_t space = selector.find(' ');
    const element e = root.select_first(selector.substr(0, space));
    return space == std::string::npos || !e ? e : e.select_first(selector.substr(space + 1));
  };
  auto style = [&](const std::string& selector, const char* property) {
    const element e = find(selector);
    EXPECT_TRUE(e) << selector;
    return e ? fml::wchar2utf8(e.get_style_attribute(property)) : "(none)";
  };
  struct part {
    const char* selector;
    const char* behavior;
    const char* menu;
  };
  const part parts[] = {
      {"html", "html", ""},
      {"body", "body", ""},
      {"#taglist", "ceditable_grid", "selector(#tag-menu)"},
      {"#thequotelist", "cquote_grid", "selector(#quote-menu)"},
      {"#p-searchbar", "searchbar", "selector(#search-menu)"},
      {"#manage-tags", "manage-menu", ""},
      {"#recycled", "recycled", ""},
      {"#export", "export", ""},
      {"#about", "about", ""},
      {"#splitter", "pvlsplitter", ""},
      // The fragments the view inserts get theirs from the same sheets; the
      // parts of a card have none of their own, and no entry opens a menu
      // (its behaviour would answer any action with its own element).
      {"[id='vt-1']", "vtag", ""},
      {"[id='q-2']", "quote", ""},
      {"[id='q-2'] [id='qt-2-3']", "qtag", ""},
      {"[id='q-2'] button.managetags", "managetags", ""},
      {"[id='q-2'] td.links", "", ""},
      {"[id='q-2'] table.qtable", "", ""},
  };
  for (const part& p : parts) {
    EXPECT_EQ(style(p.selector, "behavior"), p.behavior) << p.selector;
    EXPECT_EQ(style(p.selector, "context-menu"), p.menu) << p.selector;
  }
  // A list with several rows selected opens its plural menu.
  for (const char* list : {"#taglist", "#thequotelist"})
    root.select_first(list).set_attribute("multiselect", L"");
  EXPECT_EQ(style("#taglist", "context-menu"), "selector(#tags-menu)");
  EXPECT_EQ(style("#thequotelist", "context-menu"), "selector(#quotes-menu)");
  // The body shows the drag cursor the drag manager names.
  for (const char* cursor : {"dragquote.cur", "dragtag.cur"}) {
    root.select_first("body").set_attribute_utf8("cursor", cursor);
    EXPECT_EQ(style("[id='q-2'] td.text", "cursor"), "url(" + std::string(cursor) + ")");
  }

  // Every behaviour named is registered, and ids are unique: the view and
  // the controller find elements by them.
  std::set<std::string> ids;
  root.visit([&](const element& e) {
    const std::string name = fml::wchar2utf8(e.get_style_attribute("behavior"));
    if (!name.empty()) {
      EXPECT_NE(htmlayout::behavior::find(name.c_str(), e), nullptr) << name;
    }
    if (std::optional<std::string> id = e.get_attribute_utf8("id")) {
      EXPECT_TRUE(ids.insert(*id).second) << *id;
    }
    return false;
  });
}

TEST(MainPageTest, EveryReferencedFileExistsByExactName) {
  testing::test_program program;
  const std::filesystem::path res = std::filesystem::path(PARVELA_SOURCE_DIR) / "res";
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(res))
    files.insert(entry.path().filename().string());
  std::string all = testing_support::read_file(res / "mainform.htm");
  // Every linked sheet arrived (a name the store lacks is left out).
  const std::regex link("<link [^>]*href=\"([^\"]+)\"");
  const auto sheets = program.objects.view().document().style_sheets();
  EXPECT_EQ(std::distance(std::sregex_iterator(all.begin(), all.end(), link), {}),
            std::count_if(sheets.begin(), sheets.end(), [](auto& s) { return !s.url.empty(); }));
  for (const auto& sheet : sheets) all += sheet.text;
  const std::regex reference("(?:src|href)=\"([^\"#:]+)\"|url\\(([^)]+)\\)");
  int count = 0;
  for (std::sregex_iterator i(all.begin(), all.end(), reference), end; i != end; ++i, ++count)
    EXPECT_TRUE(files.count((*i)[1].matched ? (*i)[1].str() : (*i)[2].str())) << (*i)[0];
  EXPECT_GE(count, 6);
}

// A control given "sms" without a message is a fault of the page, raised
// with the control's id.
TEST(MainPageTest, AControlWithoutItsMessageRaises) {
  testing::test_program program;
  const element stray = program.objects.view().document().root().select_first("#export");
  htmlayout::behavior_event_params press;
  press.cmd = htmlayout::event::button_click;
  press.target = stray;
  press.sent_to = stray;
  try {
    htmlayout::element_proc(htmlayout::behavior::find("sms", stray), stray,
                            htmlayout::group::behavior_event, &press);
    ADD_FAILURE() << "no error";
  } catch (const wrong_sms_dom_element& error) {
    EXPECT_STREQ(error.what(), "export");
  }
}

}  // namespace
}  // namespace pvl
