// What the gesture tests cannot reach of the view: events that find nothing, the page's styles.
#include "view/pvview.h"

#include <gtest/gtest.h>

#include <set>

#include "fml/app_errors.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/input.h"
#include "htmlayout/testing/test_window.h"
#include "model/testing/raised.h"
#include "view/resource_mgr.h"
#include "view/testing/program_window.h"
#include "view/testing/view_env.h"

namespace pvl {
namespace {

using htmlayout::dom::element;
using model_testing::raised;
namespace ve = view_events;

TEST(ViewTest, EventsWithoutTheirRecordOrElementChangeNothing) {
  testing::view_env env;
  const auto send = [&](const view_event& event) { env.view->on_view_event(event); };
  const auto page = [&] { return env.view->document().root().html(true); };
  const Tag tag{1, "alpha"};
  env.show({tag}, {Quote{1, "one", 1204880703, {}}});
  send(ve::vadd_search_tag{&tag});
  const std::string before = page();
  EXPECT_EQ(raised<cannot_find_fresh_tr>([&] { send(ve::vadd_tag_id{8}); }), "vadd_tag_id");
  EXPECT_EQ(raised<cannot_find_fresh_tr>([&] { send(ve::vdelete_wrong_tag{}); }), "vdelete_wrong_tag");
  EXPECT_EQ(page(), before);
  const element tags = env.view->document().root().select_first("#taglist");
  tags.set_html("<tr new_tr><td><div class=\"vtag\">fresh</div></td></tr>", 2);
  const std::string with_fresh_row = page();
  send(ve::vdelete_search_tag{9});
  send(ve::vmark_quote{1, nullptr});
  for (int32_t id : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 14, 15, 0, 13, 16, 18, 19, 22, 25, -1})
    send(view_event(id));
  EXPECT_EQ(page(), with_fresh_row);
  send(ve::vdelete_wrong_tag{});
  EXPECT_EQ(page(), before);
}

// An entry's own menu would answer any action with its own element; ids find elements.
TEST(MainPageTest, EntriesOpenNoMenuBehavioursAreRegisteredAndAStrayControlRaises) {
  testing::program_window program;
  const element root = program.root();
  const element card = program.by_id("q-2");  // its parts are built when reached
  for (const element& e : {program.by_id("vt-1"), card, card.select_first("[id='qt-2-3']"),
                           card.select_first("button.managetags"), card.select_first("td.links"),
                           card.select_first("table.qtable")}) {
    ASSERT_TRUE(e);
    EXPECT_EQ(e.get_style_attribute("context-menu"), L"") << e.get_attribute_utf8("id").value_or("");
  }
  for (const char* part : {"td.links", "table.qtable"})
    EXPECT_EQ(card.select_first(part).get_style_attribute("behavior"), L"") << part;
  for (const std::string cursor : {"dragquote.cur", "dragtag.cur"}) {
    root.select_first("body").set_attribute_utf8("cursor", cursor);
    EXPECT_EQ(fml::wchar2utf8(card.select_first("td.text").get_style_attribute("cursor")),
              "url(" + cursor + ")");
  }
  std::set<std::string> ids;
  root.visit([&](const element& e) {
    const std::string name = fml::wchar2utf8(e.get_style_attribute("behavior"));
    EXPECT_TRUE(name.empty() || htmlayout::behavior::find(name.c_str(), e)) << name;
    const std::optional<std::string> id = e.get_attribute_utf8("id");
    EXPECT_TRUE(!id || ids.insert(*id).second) << id.value_or("");
    return false;
  });
  const element stray = program.by_id("export");
  htmlayout::behavior_event_params press;
  press.cmd = htmlayout::event::button_click;
  press.target = press.sent_to = stray;
  htmlayout::event_handler* const sms = htmlayout::behavior::find("sms", stray);
  EXPECT_EQ(raised<wrong_sms_dom_element>(
                [&] { htmlayout::element_proc(sms, stray, htmlayout::group::behavior_event, &press); }),
            "export");
}

TEST(ViewPageTest, LoadRequestsByExactNameAndAStockCommandsReportIsIgnored) {
  model_testing::test_collection collection;
  testing_support::temp_dir res;
  testing_support::write_file(
      res.path() / "mainform.htm",
      "<html><head><link rel=stylesheet href=a.css><link rel=stylesheet href=empty.css>"
      "<link rel=stylesheet href=B.css><style>#go { behavior: command; }</style></head>"
      "<body><div id=go>Go</div></body></html>");
  testing_support::write_file(res.path() / "a.css", "div { behavior: x }");
  testing_support::write_file(res.path() / "empty.css", "");
  testing_support::write_file(res.path() / "b.css", "p { behavior: y }");
  ResourceMgr resources(res.wstr());
  pvview view(resources);
  std::map<std::string, std::string> sheets;
  for (const auto& sheet : view.document().style_sheets())
    if (!sheet.url.empty()) sheets[sheet.url] = sheet.text;
  EXPECT_EQ(sheets, (std::map<std::string, std::string>{{"a.css", "div { behavior: x }"},
                                                        {"empty.css", ""}}));
  htmlayout::load_data_notification request;
  request.code = htmlayout::notification_code::load_data;
  request.doc = &view.document();
  request.uri = "b.css";
  EXPECT_EQ(raised<load_pvl_resource_error>([&] { view.on_notification(request); }),
            "HTMLayoutDataReady error; b.css");
  request.uri = "nothing.css";
  EXPECT_EQ(view.on_notification(request), 0u);
  const element root = view.document().root();
  htmlayout::testing::fixed_layout layout;
  htmlayout::input in(view.document(), layout);
  layout.place(root.select_first("#go"), {0, 0, 100, 20});
  const std::string before = root.html(true);
  for (auto press : {&htmlayout::input::mouse_down, &htmlayout::input::mouse_up})
    (in.*press)({50, 10}, htmlayout::mouse::main_button, 0);
  EXPECT_EQ(root.html(true), before);
}

}  // namespace
}  // namespace pvl
