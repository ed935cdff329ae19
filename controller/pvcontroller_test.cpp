// The controller on a real document and model: each action's model event and log line, refusals.
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

using htmlayout::dom::element;
using Lines = std::vector<std::string>;
using Ids = std::vector<int>;
namespace me = model_events;
namespace ve = view_events;
namespace mouse = htmlayout::mouse;

// The main window's ids and classes: tag 1 searched, tags 1-3, quotes 4-1 (quote 2 tagged 3 and 1,
// quote 3 tagged 2), a div whose id has no "-" and a p without id.
std::string window_page() {
  std::string tags, quotes;
  for (int id : {1, 2, 3})
    tags += "<tr><td><div class=vtag id=vt-" + std::to_string(id) + ">tag</div></td></tr>";
  for (int id : {4, 3, 2, 1}) {
    const std::string n = std::to_string(id);
    quotes += "<tr><td><div class=quote id=q-" + n + "><table><tr><td>";
    for (int tag : id == 2 ? std::vector<int>{3, 1} : id == 3 ? std::vector<int>{2} : std::vector<int>{})
      quotes += "<div class=qtag id=qt-" + n + "-" + std::to_string(tag) + ">tag</div>";
    quotes += "</td></tr></table></div></td></tr>";
  }
  return "<html><body><div class=searchbar id=p-searchbar><div class=stag id=st-1>alpha</div></div>"
         "<div class=recycled id=bin>bin</div><table id=taglist>" + tags +
         "</table><table id=thequotelist>" + quotes + "</table><div id=tag7></div><p>no id</p></body></html>";
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model().set_clipboard([this](const std::wstring& text) {
      clipboard.push_back(text);
      return true;
    });
    doc.load_html(window_page());
    app_at_start = env.collection.new_lines("app");
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
  Ids model_events() const {  // from the model's "model event N" lines
    Ids ids;
    for (const std::string& line : env.collection.new_lines("debug"))
      if (line.rfind("model event ", 0) == 0) ids.push_back(std::stoi(line.substr(12)));
    return ids;
  }
  // What an element's behaviour forwards: the main button held except in a move.
  bool mouse_event(const char* id, uint32_t event, int x) {
    element e = by_id(id);
    mouse_record record{e, event, x, 100, event == mouse::move ? 0u : mouse::main_button, 0};
    return controller.send(vcaction(record, e, e.get_attribute("class").value_or(L""),
                                    e.get_attribute("id").value_or(L"")));
  }

  controller_testing::controller_env env;
  htmlayout::document doc;
  pvcontroller controller;
  std::vector<std::wstring> clipboard;
  Lines app_at_start;
};

// List actions take the checked rows in row order.
TEST_F(ControllerTest, EachActionSendsItsModelEventAndLogsItsLine) {
  check_rows(by_id("thequotelist"), {2, 0});  // quotes 2 and 4
  check_rows(by_id("taglist"), {2});
  const struct {
    const wchar_t* name;
    const char *first, *second;
    Lines cntrl;
    Ids events;
  } rows[] = {
      {L"mark_quote_with_tag", "vt-2", "q-1", {"mark_quote_with_tag; quote: 1; tag: 2"}, {me::mark_quote::id}},
      {L"mark_tag_with_quote", "q-4", "vt-3", {"mark_tag_with_quote; quote: 4; tag: 3"}, {me::mark_quote::id}},
      {L"delete_quote_mark", "qt-2-3", nullptr, {"delete_quote_mark; quote: 2; tag: 3"}, {me::delete_mark::id}},
      {L"add_search_tag", "vt-1", nullptr, {"add_search_tag; id: 1"}, {me::add_search_tag::id}},
      {L"delete_search_tag", "st-1", nullptr, {"delete_search_tag; id: 1"}, {me::delete_search_tag::id}},
      {L"delete_vtag", "vt-2", nullptr, {"delete_vtag; tag: 2"}, {me::delete_tag::id}},
      {L"delete_quote", "q-3", nullptr, {"delete_quote; quote: 3"}, {me::delete_quote::id}},
      {L"copy_quote", "q-2", nullptr, {}, {me::copy_quote::id}},
      {L"copy_quote_with_data", "q-2", nullptr, {}, {me::copy_quote_with_data::id}},
      {L"copy_quotes", "thequotelist", nullptr, {}, {me::copy_quotes::id}},
      {L"copy_quotes_with_data", "thequotelist", nullptr, {}, {me::copy_quotes_with_data::id}},
      {L"add_search_tags", "taglist", nullptr, {}, {me::add_search_tags::id}},
      {L"delete_vtags", "taglist", nullptr, {}, {me::delete_tags::id}},
      {L"delete_quotes", "thequotelist", nullptr, {}, {me::delete_quotes::id}},
      {L"rename_vtag", "vt-1", nullptr, {}, {}},  // no view to edit it yet
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(fml::wchar2utf8(r.name));
    env.collection.mark_logs();
    run(r.name, by_id(r.first), by_id(r.second));
    EXPECT_EQ(cntrl(), r.cntrl);
    EXPECT_EQ(model_events(), r.events);
  }
  // Quote 4 got tag 3 (gamma) at the second row, quote 2 lost it at the third.
  EXPECT_EQ(clipboard, (std::vector<std::wstring>{L"two", L"two\n\nalpha", L"four\n\ntwo\n\n",
                                                  L"four\nTags: gamma\n\ntwo\nTags: alpha\n\n"}));
  EXPECT_FALSE(env.model->quote(2));
  // Actions with a parameter hand it on.
  env.collection.mark_logs();
  element tag = by_id("vt-1");
  tag.set_attribute("editable", L"");
  element_and_name renamed{tag, L"b\u00eata"};
  std::wstring path = (env.collection.root() / "export.html").wstring();
  controller.interpret_action(action{L"add_tag", L"d\u00e9lta"});
  controller.interpret_action(action{L"add_quote", std::string_view("a quote")});
  controller.interpret_action(action{L"rename_tag", renamed});
  controller.interpret_action(action{L"export_data", std::wstring_view(path)});
  for (const wchar_t* name : {L"set_search_mode_or", L"set_search_mode_and", L"clear_search_tags"})
    controller.interpret_action(action{name, {}});
  EXPECT_EQ(cntrl(), (Lines{"add_tag; id: d\xc3\xa9lta", "add_quote; ", "rename_tag; id: 1",
                            "clear_search_tags"}));
  EXPECT_EQ(model_events(),
            (Ids{me::add_tag::id, me::add_quote::id, me::rename_tag::id, me::export_data::id,
                 me::set_search_mode_or::id, me::set_search_mode_and::id, me::clear_search_tags::id}));
  EXPECT_FALSE(tag.has_attribute("editable"));  // the editing ended
  // Captured text is handed on by its length: nothing after a NUL is lost.
  EXPECT_TRUE(controller.send(text_record{std::string("ab\0c", 4)}));
  SQLite::Database db(env.collection.db_file().string());
  EXPECT_EQ(db.execAndGet("SELECT length(CAST(m_utftext AS BLOB)) FROM quote WHERE m_id = 6").getInt(), 4);
}

TEST_F(ControllerTest, RefusedRequestsSendNothing) {
  auto error_of = [&](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const fml::exception& e) {
      const char* kind = dynamic_cast<const unknown_vcaction*>(&e)          ? "unknown "
                         : dynamic_cast<const wrong_vcaction*>(&e)          ? "wrong "
                         : dynamic_cast<const fml::deprecated*>(&e)         ? "deprecated "
                         : dynamic_cast<const detail::wrong_id_format*>(&e) ? "id "
                                                                            : "";
      return kind + std::string(e.what());
    }
    return "taken";
  };
  EXPECT_EQ(error_of([&] { controller.send(vcaction(vcaction_types::none)); }), "wrong pvcontroller::send");
  EXPECT_EQ(error_of([&] { controller.send(vcaction(vcaction_types::init)); }),
            "deprecated pvcontroller::send vcaction::init");
  for (int32_t type : {2, 1023, 1026, -1})
    EXPECT_EQ(error_of([&] { controller.send(vcaction(type)); }), "unknown pvcontroller::send");
  EXPECT_EQ(env.collection.new_lines("debug").at(5), "Controller send action. type: -1");
  for (const wchar_t* name : {L"Delete_quote", L"delete_quote ", L"delete", L""})
    EXPECT_EQ(error_of([&] { run(name, by_id("q-1")); }), "unknown ");
  element tag = by_id("tag7");
  tag.set_attribute("editable", L"");
  element_and_name renamed{tag, L"x"};
  check_rows(by_id("thequotelist"), {1});
  auto act = [&](const action& asked) { return [&, asked] { controller.interpret_action(asked); }; };
  const std::pair<std::function<void()>, std::string> refused[] = {
      {[&] { run(L"delete_quote", by_id("tag7")); }, "id tag7"},
      {[&] { run(L"delete_quote", doc.root().select_first("p")); }, "id <p> without id"},
      // The second element is read before anything is written or sent.
      {[&] { run(L"mark_quote_with_tag", by_id("vt-1"), by_id("tag7")); }, "id tag7"},
      {[&] { run(L"mark_tag_with_quote", by_id("q-1"), element()); }, "id <> without id"},
      // A tag shown outside a quote has no quote to read.
      {[&] { run(L"delete_quote_mark", by_id("st-1")); }, "id <> without id"},
      {act({L"rename_tag", renamed}), "id tag7"},
      {[&] { run(L"delete_quotes", by_id("q-1")); }, "div"},
      {act({L"add_quote", {}}), "interpret_action add_quote: no parameter"},
      {act({L"delete_quotes", {}}), "interpret_action delete_quotes: no parameter"},
      {act({L"add_tag", std::string_view("x")}), "interpret_action add_tag: wrong parameter"},
      {act({L"add_quote", std::wstring_view(L"x")}), "interpret_action add_quote: wrong parameter"},
      {act({L"export_data", action_elements{}}), "interpret_action export_data: wrong parameter"},
      {act({L"mark_quote_with_tag", std::wstring_view(L"x")}),
       "interpret_action mark_quote_with_tag: wrong parameter"},
  };
  env.collection.mark_logs();
  for (const auto& [call, error] : refused) EXPECT_EQ(error_of(call), error);
  EXPECT_TRUE(tag.has_attribute("editable"));
  EXPECT_TRUE(model_events().empty());
  EXPECT_TRUE(cntrl().empty());
  EXPECT_TRUE(env.recorder.events.empty());
}

// The release happened over something that does not report to the controller.
TEST_F(ControllerTest, APressAfterALostReleaseEndsTheOldDrag) {
  EXPECT_EQ(app_at_start, (Lines{"Singleton: model - created.", "Initializing DragMgr",
                                 "12 interactions loaded", "Initialized DragMgr."}));
  DragMgr& drag = controller.drag_manager();
  int refreshes = 0;
  drag.set_pointer_refresh([&] { ++refreshes; });
  for (const char* pressed : {"q-3", "p-searchbar"}) {
    SCOPED_TRACE(pressed);
    mouse_event("vt-1", mouse::down, 100);
    ASSERT_TRUE(mouse_event("vt-1", mouse::move, 104));  // the 4 pixels that start a drag
    EXPECT_FALSE(mouse_event(pressed, mouse::down, 300));
    EXPECT_EQ(doc.root().select_first("body").get_attribute_utf8("cursor"), std::nullopt);
    EXPECT_FALSE(drag.is_dragging());
    EXPECT_EQ(drag.source(), std::string(pressed) == "q-3" ? by_id("q-3") : element());
    EXPECT_FALSE(mouse_event(pressed, mouse::up, 300));  // a click: no drop
  }
  EXPECT_EQ(refreshes, 4);
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd start: vt-1", "dnd cancel: vt-1", "dnd ready: q-3",
                            "dnd stop: q-3", "dnd ready: vt-1", "dnd start: vt-1", "dnd cancel: vt-1",
                            "dnd ready: p-searchbar", "dnd stop: "}));
  EXPECT_TRUE(model_events().empty());
}

}  // namespace
}  // namespace pvl
