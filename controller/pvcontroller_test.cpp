// The controller on a real document and model: each action's model event,
// its payload (read back from the view events) and its log line, and the
// requests it refuses before anything is sent.
#include "controller/pvcontroller.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "fml/text.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "model/model_event.h"

namespace pvl {
namespace {

using controller_testing::window_page;
using htmlayout::dom::element;
using Lines = std::vector<std::string>;
using Ids = std::vector<int>;
namespace me = model_events;
namespace ve = view_events;

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model().set_clipboard([this](const std::wstring& text) {
      clipboard.push_back(text);
      return true;
    });
    doc.load_html(window_page());
    env.collection.mark_logs();
  }

  element by_id(const char* id) const {
    if (!id) return element();
    element found = doc.root().select_first("[id='" + std::string(id) + "']");
    EXPECT_TRUE(found) << id;
    return found;
  }
  void run(const wchar_t* name, const element& first, const element& second = element()) {
    const action_elements elements{first, second};
    controller.interpret_action(action{name, elements});
  }
  void check_rows(const element& table, std::initializer_list<size_t> rows) const {
    for (size_t row : rows) table.child(row).set_state(htmlayout::state::checked);
  }
  Lines cntrl() const { return env.collection.new_lines("cntrl"); }
  // Log and recorder from here on.
  void restart_records() {
    env.collection.mark_logs();
    env.recorder.clear();
  }
  // Since the last mark of the logs: no model event, no "cntrl" line, no
  // view event (what a refused request leaves).
  void expect_nothing_sent() const {
    EXPECT_TRUE(env.model_events().empty());
    EXPECT_TRUE(cntrl().empty());
    EXPECT_TRUE(env.recorder.events.empty());
  }

  controller_testing::controller_env env;
  htmlayout::document doc;
  pvcontroller controller;
  std::vector<std::wstring> clipboard;
};

// In order, on one page and collection: each action's line in "cntrl", the
// model event it sends and the first view event the model answers with.
TEST_F(ControllerTest, EachElementActionSendsItsModelEventAndLogsItsLine) {
  const struct {
    const wchar_t* name;
    const char *first, *second;
    Lines cntrl;
    Ids events;
    std::string view;
  } rows[] = {
      {L"mark_quote_with_tag", "vt-2", "q-1", {"mark_quote_with_tag; quote: 1; tag: 2"},
       {me::mark_quote::id}, "mark_quote 1 beta"},
      {L"mark_tag_with_quote", "q-4", "vt-3", {"mark_tag_with_quote; quote: 4; tag: 3"},
       {me::mark_quote::id}, "mark_quote 4 gamma"},
      {L"delete_quote_mark", "qt-2-3", nullptr, {"delete_quote_mark; quote: 2; tag: 3"},
       {me::delete_mark::id}, "delete_mark 2/3"},
      {L"add_search_tag", "vt-1", nullptr, {"add_search_tag; id: 1"}, {me::add_search_tag::id},
       "add_search_tag alpha"},
      {L"delete_search_tag", "st-1", nullptr, {"delete_search_tag; id: 1"},
       {me::delete_search_tag::id}, "delete_search_tag 1"},
      {L"delete_vtag", "vt-2", nullptr, {"delete_vtag; tag: 2"}, {me::delete_tag::id},
       "delete_tag 2"},
      {L"delete_quote", "q-3", nullptr, {"delete_quote; quote: 3"}, {me::delete_quote::id},
       "delete_quote 3"},
      {L"copy_quote", "q-2", nullptr, {}, {me::copy_quote::id}, ""},
      {L"copy_quote_with_data", "q-2", nullptr, {}, {me::copy_quote_with_data::id}, ""},
      {L"rename_vtag", "vt-1", nullptr, {}, {}, ""},  // no view to edit it yet
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(fml::wchar2utf8(r.name));
    restart_records();
    run(r.name, by_id(r.first), by_id(r.second));
    EXPECT_EQ(cntrl(), r.cntrl);
    EXPECT_EQ(env.model_events(), r.events);
    EXPECT_EQ(env.recorder.events.empty() ? "" : describe(env.recorder.events[0]), r.view);
  }
  // Quote 2 lost tag 3 (gamma) three rows up.
  EXPECT_EQ(clipboard, (std::vector<std::wstring>{L"two", L"two\n\nalpha"}));
}

TEST_F(ControllerTest, ParameterActionsHandTheirParameterOn) {
  const std::string quote = "a quote";
  std::wstring path = (env.collection.root() / "export.html").wstring();
  element tag = by_id("vt-2");
  tag.set_attribute("editable", L"");
  element_and_name renamed{tag, L"b\u00eata"};
  controller.interpret_action(action{L"add_tag", L"d\u00e9lta"});
  controller.interpret_action(action{L"add_quote", std::string_view(quote)});
  controller.interpret_action(action{L"rename_tag", renamed});
  controller.interpret_action(action{L"export_data", std::wstring_view(path)});
  run(L"add_search_tag", by_id("vt-3"));
  for (const wchar_t* name : {L"set_search_mode_or", L"set_search_mode_and", L"clear_search_tags"})
    controller.interpret_action(action{name, {}});
  EXPECT_EQ(cntrl(), (Lines{"add_tag; id: d\xc3\xa9lta", "add_quote; ", "rename_tag; id: 2",
                            "add_search_tag; id: 3", "clear_search_tags"}));
  EXPECT_EQ(env.model_events(),
            (Ids{me::add_tag::id, me::add_quote::id, me::rename_tag::id, me::export_data::id,
                 me::add_search_tag::id, me::set_search_mode_or::id, me::set_search_mode_and::id,
                 me::clear_search_tags::id}));
  Lines view = env.recorder.described();
  EXPECT_EQ(Lines(view.begin(), view.begin() + 3),
            (Lines{"add_tag_id 4", "add_quote 5 a quote", "rename_tag 2 b\u00eata"}));
  EXPECT_FALSE(tag.has_attribute("editable"));  // the editing ended
  EXPECT_NE(testing_support::read_file(env.collection.root() / "export.html").find("four"),
            std::string::npos);
}

TEST_F(ControllerTest, CapturedTextBecomesExactlyOneNewQuote) {
  // Handed on by its length: nothing after a NUL is lost on the way.
  EXPECT_TRUE(controller.send(text_record{std::string("ab\0c", 4)}));
  Lines debug = env.collection.new_lines("debug");
  ASSERT_GE(debug.size(), 2u);
  EXPECT_EQ(debug[0], "Controller send action. type: 1025");
  EXPECT_EQ(debug[1], "Controller send interpret_action. type: add_quote");
  EXPECT_EQ(cntrl(), Lines{"add_quote; "});
  EXPECT_EQ(env.recorder.ids(), std::vector<int32_t>{ve::vadd_quote::id});
  SQLite::Database db(env.collection.db_file().string());
  EXPECT_EQ(db.execAndGet("SELECT length(CAST(m_utftext AS BLOB)) FROM quote WHERE m_id = 5").getInt(),
            4);
}

TEST_F(ControllerTest, ListActionsSendTheCheckedRowsInRowOrder) {
  element quotes = by_id("thequotelist"), tags = by_id("taglist");
  run(L"delete_quotes", quotes);  // none checked: an empty list
  check_rows(quotes, {0, 2});     // quotes 4 and 2
  run(L"copy_quotes", quotes);
  run(L"copy_quotes_with_data", quotes);
  EXPECT_EQ(clipboard, (std::vector<std::wstring>{L"four\n\ntwo\n\n",
                                                  L"four\n\n\ntwo\nTags: gamma, alpha\n\n"}));
  run(L"delete_quotes", quotes);
  check_rows(tags, {2, 1});
  run(L"add_search_tags", tags);
  run(L"delete_vtags", tags);
  EXPECT_EQ(env.model_events(),
            (Ids{me::delete_quotes::id, me::copy_quotes::id, me::copy_quotes_with_data::id,
                 me::delete_quotes::id, me::add_search_tags::id, me::delete_tags::id}));
  Lines deleted;
  for (const std::string& event : env.recorder.described()) {
    if (event.rfind("delete_", 0) == 0) deleted.push_back(event);
  }
  EXPECT_EQ(deleted, (Lines{"delete_quote 4", "delete_quote 2", "delete_search_tag 2",
                            "delete_search_tag 3", "delete_tag 2", "delete_tag 3"}));
  EXPECT_TRUE(cntrl().empty());
}

// Stands in for the view where the controller talks to it directly.
class edit_recorder : public view_event_sink {
 public:
  void on_view_event(const view_event& event) override {
    const auto* edit = std::get_if<view_events::vedit_tag>(&event.data);
    edited.push_back(edit ? edit->tag.get_attribute_utf8("id").value_or("?") : "other");
  }
  Lines edited;
};

TEST_F(ControllerTest, RenameVtagAsksTheViewToEditTheTag) {
  edit_recorder view;
  controller.set_view(&view);
  run(L"rename_vtag", by_id("vt-2"));
  EXPECT_EQ(view.edited, Lines{"vt-2"});
  expect_nothing_sent();
}

TEST_F(ControllerTest, MessagesOfOtherTypesAndOtherNamesAreRefused) {
  auto error_of = [&](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const unknown_vcaction& error) {
      return std::string("unknown ") + error.what();
    } catch (const fml::deprecated& error) {
      return std::string("deprecated ") + error.what();
    } catch (const wrong_vcaction& error) {
      return std::string("wrong ") + error.what();
    }
    return "taken";
  };
  EXPECT_EQ(error_of([&] { controller.send(vcaction(vcaction_types::none)); }),
            "wrong pvcontroller::send");
  EXPECT_EQ(error_of([&] { controller.send(vcaction(vcaction_types::init)); }),
            "deprecated pvcontroller::send vcaction::init");
  for (int32_t type : {2, 1023, 1026, -1}) {
    EXPECT_EQ(error_of([&] { controller.send(vcaction(type)); }), "unknown pvcontroller::send");
  }
  EXPECT_EQ(env.collection.new_lines("debug"),
            (Lines{"Controller send action. type: 0", "Controller send action. type: 1",
                   "Controller send action. type: 2", "Controller send action. type: 1023",
                   "Controller send action. type: 1026", "Controller send action. type: -1"}));
  env.collection.mark_logs();
  for (const wchar_t* name : {L"Delete_quote", L"delete_quote ", L"delete", L""}) {
    EXPECT_EQ(error_of([&] { run(name, by_id("q-1")); }), "unknown ");
  }
  EXPECT_EQ(env.collection.new_lines("debug").at(0),
            "Controller send interpret_action. type: Delete_quote");
  expect_nothing_sent();
}

TEST_F(ControllerTest, MalformedIdsAndMissingParametersLeaveTheModelUntouched) {
  EXPECT_THROW(run(L"delete_quote", by_id("tag7")), detail::wrong_id_format);
  EXPECT_THROW(run(L"delete_quote", doc.root().select_first("p")), detail::wrong_id_format);
  // The second element is read before anything is written or sent.
  EXPECT_THROW(run(L"mark_quote_with_tag", by_id("vt-1"), by_id("tag7")), detail::wrong_id_format);
  EXPECT_THROW(run(L"mark_tag_with_quote", by_id("q-1"), element()), detail::wrong_id_format);
  // A tag shown outside a quote has no quote to read.
  EXPECT_THROW(run(L"delete_quote_mark", by_id("st-1")), detail::wrong_id_format);
  element tag = by_id("tag7");
  tag.set_attribute("editable", L"");
  element_and_name renamed{tag, L"x"};
  EXPECT_THROW(controller.interpret_action(action{L"rename_tag", renamed}),
               detail::wrong_id_format);
  EXPECT_TRUE(tag.has_attribute("editable"));
  check_rows(by_id("thequotelist"), {1});
  try {
    run(L"delete_quotes", by_id("q-1"));
    FAIL() << "no error";
  } catch (const wrong_he_type& error) {
    EXPECT_STREQ(error.what(), "div");
  }

  for (const wchar_t* name : {L"delete_quote", L"add_tag", L"add_quote", L"rename_tag",
                              L"export_data", L"delete_quotes"}) {
    EXPECT_THROW(controller.interpret_action(action{name, {}}), fml::exception) << name;
  }
  // A parameter of another kind than the name asks for is refused too.
  const action wrong_kind[] = {{L"add_tag", std::string_view("x")},
                               {L"add_quote", std::wstring_view(L"x")},
                               {L"export_data", action_elements{}},
                               {L"mark_quote_with_tag", std::wstring_view(L"x")}};
  for (const action& request : wrong_kind) {
    try {
      controller.interpret_action(request);
      ADD_FAILURE() << "taken";
    } catch (const fml::exception& error) {
      EXPECT_EQ(error.what(),
                "interpret_action " + fml::wchar2utf8(request.name) + ": wrong parameter");
    }
  }
  expect_nothing_sent();
}

TEST(ControllerLifecycleTest, MissingConfigurationLeavesNoController) {
  controller_testing::controller_env env;
  std::filesystem::remove(env.program_dir() / "DragMgr.xml");
  try {
    instance<pvcontroller> held;
    FAIL() << "no error";
  } catch (const fopen_drag_mgr_xml_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "fopen_drag_mgr_xml_error" + (env.program_dir() / "DragMgr.xml").string());
  }
  env.set_drag_config(controller_testing::shipped_drag_config());
  instance<pvcontroller> held;  // tries again
  Lines app = env.collection.new_lines("app");
  EXPECT_EQ(std::count(app.begin(), app.end(), "Singleton: controller - created."), 1);
}

}  // namespace
}  // namespace pvl
