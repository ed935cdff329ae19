// The main page as the engine reads it, filled by the program: the behaviour
// and the menu each part gets from the style sheets, the drag cursors, and
// the error of a control the page gives no message.
#include <gtest/gtest.h>

#include <set>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "view/testing/program_window.h"

namespace pvl {
namespace {

using htmlayout::dom::element;

// No entry opens a menu of its own (its behaviour would answer any action with
// its own element), a card's parts have no behaviour, a card shows the drag cursor.
TEST(MainPageTest, EntriesOpenNoMenuAndEveryBehaviourIsRegistered) {
  testing::program_window program;
  const element root = program.objects.view().document().root();
  const element card = root.select_first("[id='q-2']");  // its parts are built when reached
  for (const element& e :
       {root.select_first("[id='vt-1']"), card, card.select_first("[id='qt-2-3']"),
        card.select_first("button.managetags"), card.select_first("td.links"),
        card.select_first("table.qtable")}) {
    ASSERT_TRUE(e);
    EXPECT_EQ(e.get_style_attribute("context-menu"), L"")
        << e.get_attribute_utf8("id").value_or("");
    if (e.tag_name() == "td" || e.tag_name() == "table") {
      EXPECT_EQ(e.get_style_attribute("behavior"), L"");
    }
  }
  for (const char* cursor : {"dragquote.cur", "dragtag.cur"}) {
    root.select_first("body").set_attribute_utf8("cursor", cursor);
    EXPECT_EQ(fml::wchar2utf8(card.select_first("td.text").get_style_attribute("cursor")),
              "url(" + std::string(cursor) + ")");
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

// A control given "sms" without a message is a fault of the page, raised
// with the control's id.
TEST(MainPageTest, AControlWithoutItsMessageRaises) {
  testing::program_window program;
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
