#include "controller/pvcontroller.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

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

// Stands in for the view where the controller talks to it directly: keeps
// the id of the element of each view event.
class edit_recorder : public view_event_sink {
 public:
  void on_view_event(const view_event& event) override {
    ids.push_back(event.id);
    const auto* edit = std::get_if<view_events::vedit_tag>(&event.data);
    elements.push_back(edit ? edit->tag.get_attribute_utf8("id").value_or("?") : "null");
  }
  std::vector<int32_t> ids;
  std::vector<std::string> elements;
};

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

  element by_id(const std::string& id) const {
    element found = doc.root().select_first("[id='" + id + "']");
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
  Ids model_events() const { return env.model_events(); }
  // Log and recorder from here on.
  void restart_records() {
    env.collection.mark_logs();
    env.recorder.clear();
    clipboard.clear();
  }

  controller_testing::controller_env env;
  htmlayout::document doc;
  pvcontroller controller;
  std::vector<std::wstring> clipboard;
};

TEST_F(ControllerTest, CapturedTextBecomesExactlyOneNewQuote) {
  // Handed on by its length: nothing after a NUL is lost on the way.
  const std::string text("ab\0c", 4);
  EXPECT_TRUE(controller.send(text_record{text}));

  Lines debug = env.collection.new_lines("debug");
  ASSERT_GE(debug.size(), 2u);
  EXPECT_EQ(debug[0], "Controller send action. type: 1025");
  EXPECT_EQ(debug[1], "Controller send interpret_action. type: add_quote");
  EXPECT_EQ(cntrl(), Lines{"add_quote; "});
  EXPECT_EQ(model_events(), Ids{me::add_quote::id});
  ASSERT_EQ(env.recorder.ids(), std::vector<int32_t>{ve::vadd_quote::id});
  EXPECT_EQ(env.recorder.events[0].quote->m_id, 5);
  SQLite::Database db(env.collection.db_file().string());
  const char* stored_bytes = "SELECT length(CAST(m_utftext AS BLOB)) FROM quote WHERE m_id = 5";
  EXPECT_EQ(db.execAndGet(stored_bytes).getInt(), 4);
}

TEST_F(ControllerTest, MessagesOfOtherTypesAreRejected) {
  auto send_type = [&](int32_t type) { controller.send(vcaction(type)); };
  try {
    send_type(vcaction_types::none);
    FAIL() << "no error";
  } catch (const wrong_vcaction& error) {
    EXPECT_STREQ(error.what(), "pvcontroller::send");
  }
  try {
    send_type(vcaction_types::init);
    FAIL() << "no error";
  } catch (const fml::deprecated& error) {
    EXPECT_STREQ(error.what(), "pvcontroller::send vcaction::init");
  }
  for (int32_t type : {2, 1023, 1026, -1}) {
    try {
      send_type(type);
      FAIL() << "no error for " << type;
    } catch (const unknown_vcaction& error) {
      EXPECT_STREQ(error.what(), "pvcontroller::send");
    }
  }
  EXPECT_EQ(env.collection.new_lines("debug"),
            (Lines{"Controller send action. type: 0", "Controller send action. type: 1",
                   "Controller send action. type: 2", "Controller send action. type: 1023",
                   "Controller send action. type: 1026", "Controller send action. type: -1"}));
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, MarkingActionsSendTheQuoteAndTheTag) {
  run(L"mark_quote_with_tag", by_id("vt-2"), by_id("q-1"));
  run(L"mark_tag_with_quote", by_id("q-4"), by_id("vt-3"));
  run(L"delete_quote_mark", by_id("qt-2-3"));
  EXPECT_EQ(cntrl(),
            (Lines{"mark_quote_with_tag; quote: 1; tag: 2", "mark_tag_with_quote; quote: 4; tag: 3",
                   "delete_quote_mark; quote: 2; tag: 3"}));
  EXPECT_EQ(model_events(), (Ids{me::mark_quote::id, me::mark_quote::id, me::delete_mark::id}));
  ASSERT_EQ(env.recorder.ids(),
            (std::vector<int32_t>{ve::vmark_quote::id, ve::vmark_quote::id, ve::vdelete_mark::id}));
  EXPECT_EQ(env.recorder.events[0].pair.quote, 1);
  EXPECT_EQ(env.recorder.events[0].tag->m_id, 2);
  EXPECT_EQ(env.recorder.events[1].pair.quote, 4);
  EXPECT_EQ(env.recorder.events[1].tag->m_id, 3);
  EXPECT_EQ(env.recorder.events[2].pair.quote, 2);
  EXPECT_EQ(env.recorder.events[2].pair.tag, 3);
}

TEST_F(ControllerTest, SingleElementActionsSendItsNumber) {
  run(L"delete_vtag", by_id("vt-2"));
  run(L"delete_quote", by_id("q-3"));
  run(L"add_search_tag", by_id("vt-1"));
  run(L"delete_search_tag", by_id("st-1"));
  EXPECT_EQ(cntrl(), (Lines{"delete_vtag; tag: 2", "delete_quote; quote: 3",
                            "add_search_tag; id: 1", "delete_search_tag; id: 1"}));
  EXPECT_EQ(model_events(), (Ids{me::delete_tag::id, me::delete_quote::id, me::add_search_tag::id,
                                 me::delete_search_tag::id}));
  std::vector<int32_t> ids = env.recorder.ids();
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids[0], ve::vdelete_tag::id);
  EXPECT_EQ(env.recorder.events[0].number, 2);
}

TEST_F(ControllerTest, CopyActionsSendQuotesWithoutALine) {
  run(L"copy_quote", by_id("q-2"));
  run(L"copy_quote_with_data", by_id("q-2"));
  EXPECT_EQ(clipboard, (std::vector<std::wstring>{L"two", L"two\n\ngamma, alpha"}));
  EXPECT_EQ(model_events(), (Ids{me::copy_quote::id, me::copy_quote_with_data::id}));
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, ListActionsSendTheCheckedRowsInRowOrder) {
  element quotes = by_id("thequotelist");
  check_rows(quotes, {0, 2});  // quotes 4 and 2
  run(L"copy_quotes", quotes);
  run(L"copy_quotes_with_data", quotes);
  EXPECT_EQ(clipboard, (std::vector<std::wstring>{L"four\n\ntwo\n\n",
                                                  L"four\n\n\ntwo\nTags: gamma, alpha\n\n"}));
  run(L"delete_quotes", quotes);
  std::vector<int> deleted;
  for (const model_testing::recorded_event& event : env.recorder.events) {
    if (event.id == ve::vdelete_quote::id) deleted.push_back(event.number);
  }
  EXPECT_EQ(deleted, (Ids{4, 2}));

  element tags = by_id("taglist");
  check_rows(tags, {2, 1});
  run(L"add_search_tags", tags);
  run(L"delete_vtags", tags);
  EXPECT_EQ(model_events(),
            (Ids{me::copy_quotes::id, me::copy_quotes_with_data::id, me::delete_quotes::id,
                 me::add_search_tags::id, me::delete_tags::id}));
  std::vector<int> tags_deleted;
  for (const model_testing::recorded_event& event : env.recorder.events) {
    if (event.id == ve::vdelete_tag::id) tags_deleted.push_back(event.number);
  }
  EXPECT_EQ(tags_deleted, (Ids{2, 3}));
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, ListActionWithNoCheckedRowSendsAnEmptyList) {
  run(L"delete_quotes", by_id("thequotelist"));
  EXPECT_EQ(model_events(), Ids{me::delete_quotes::id});
  for (const model_testing::recorded_event& event : env.recorder.events) {
    EXPECT_NE(event.id, ve::vdelete_quote::id);
  }
}

TEST_F(ControllerTest, TextActionsHandTheTextOn) {
  controller.interpret_action(action{L"add_tag", L"d\u00e9lta"});
  const std::string quote = "a quote";
  controller.interpret_action(action{L"add_quote", std::string_view(quote)});
  EXPECT_EQ(cntrl(), (Lines{"add_tag; id: d\xc3\xa9lta", "add_quote; "}));
  EXPECT_EQ(model_events(), (Ids{me::add_tag::id, me::add_quote::id}));
  ASSERT_EQ(env.recorder.ids(), (std::vector<int32_t>{ve::vadd_tag_id::id, ve::vadd_quote::id}));
  EXPECT_EQ(env.recorder.events[0].number, 4);
  EXPECT_EQ(env.recorder.events[1].quote->m_utftext, "a quote");
}

TEST_F(ControllerTest, RenameVtagAsksTheViewToEditTheTag) {
  edit_recorder view;
  run(L"rename_vtag", by_id("vt-3"));  // no view yet: nothing happens
  controller.set_view(&view);
  run(L"rename_vtag", by_id("vt-2"));
  EXPECT_EQ(view.ids, std::vector<int32_t>{ve::vedit_tag::id});
  EXPECT_EQ(view.elements, Lines{"vt-2"});
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, RenameTagEndsTheEditingAndSendsTheNewName) {
  element tag = by_id("vt-2");
  tag.set_attribute("editable", L"");
  element_and_name renamed{tag, L"b\u00eata"};
  controller.interpret_action(action{L"rename_tag", renamed});
  EXPECT_FALSE(tag.has_attribute("editable"));
  EXPECT_EQ(cntrl(), Lines{"rename_tag; id: 2"});
  ASSERT_EQ(env.recorder.ids().at(0), ve::vrename_tag::id);
  EXPECT_EQ(env.recorder.events[0].rename.tag, 2);
  EXPECT_EQ(env.recorder.events[0].rename.name, L"b\u00eata");
}

TEST_F(ControllerTest, ExportWritesTheFileNamed) {
  std::wstring path = (env.collection.root() / "export.html").wstring();
  controller.interpret_action(action{L"export_data", std::wstring_view(path)});
  EXPECT_EQ(model_events(), Ids{me::export_data::id});
  EXPECT_NE(testing_support::read_file(env.collection.root() / "export.html").find("four"),
            std::string::npos);
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, ActionsWithoutParameter) {
  run(L"add_search_tag", by_id("vt-3"));
  restart_records();
  controller.interpret_action(action{L"set_search_mode_or", {}});
  controller.interpret_action(action{L"set_search_mode_and", {}});
  controller.interpret_action(action{L"clear_search_tags", {}});
  EXPECT_EQ(model_events(), (Ids{me::set_search_mode_or::id, me::set_search_mode_and::id,
                                 me::clear_search_tags::id}));
  EXPECT_EQ(cntrl(), Lines{"clear_search_tags"});
  EXPECT_EQ(env.recorder.ids().back(), ve::vupdate_quotes::id);
}

TEST_F(ControllerTest, NamesAreComparedExactly) {
  for (const wchar_t* name : {L"Delete_quote", L"delete_quote ", L"delete", L""}) {
    try {
      run(name, by_id("q-1"));
      FAIL() << "no error";
    } catch (const unknown_vcaction& error) {
      EXPECT_STREQ(error.what(), "");
    }
  }
  EXPECT_EQ(env.collection.new_lines("debug").at(0),
            "Controller send interpret_action. type: Delete_quote");
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(cntrl().empty());
}

TEST_F(ControllerTest, MalformedIdsLeaveTheModelUntouched) {
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
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(cntrl().empty());
  EXPECT_TRUE(env.recorder.events.empty());
}

TEST_F(ControllerTest, MissingParameterIsRefusedBeforeAnythingIsSent) {
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
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(cntrl().empty());
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
