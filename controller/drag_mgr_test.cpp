// Drag and drop as the element behaviours drive it: mouse messages through
// pvcontroller::send on a real document, drops carried out by the real model.
// The gesture tests of view/ drive the common drops through real input; here
// the rules of the drag manager itself.
#include "controller/drag_mgr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/pvcontroller.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
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
namespace mouse = htmlayout::mouse;

class DragTest : public ::testing::Test {
 protected:
  // Builds the controller and loads the page.
  void start(const std::string& quote_table_attributes = "") {
    env.collection.mark_logs();
    controller.reset();
    controller = std::make_unique<pvcontroller>();
    construction_log = env.collection.new_lines("app");
    controller->drag_manager().set_pointer_refresh([this] { ++refreshes; });
    doc.load_html(window_page(quote_table_attributes));
    body = doc.root().select_first("body");
    env.collection.mark_logs();
  }

  element by_id(const std::string& id) const {
    element found = doc.root().select_first("[id='" + id + "']");
    EXPECT_TRUE(found) << id;
    return found;
  }

  // What an element's behaviour forwards: a mouse event on `e`.
  bool mouse_event(const element& e, uint32_t event, int x, int y,
                   uint32_t buttons = mouse::main_button) {
    mouse_record record{e, event, x, y, buttons, 0};
    return controller->send(vcaction(record, e, e.get_attribute("class").value_or(L""),
                                     e.get_attribute("id").value_or(L"")));
  }
  bool press(const element& e, int x, int y) { return mouse_event(e, mouse::down, x, y); }
  bool move(const element& e, int x, int y) { return mouse_event(e, mouse::move, x, y, 0); }
  bool release(const element& e, int x, int y) { return mouse_event(e, mouse::up, x, y); }
  // Press on `source`, move just far enough (4 pixels) to start the drag.
  void drag(const element& source) {
    press(source, 100, 100);
    ASSERT_TRUE(move(source, 100, 104));
  }

  DragMgr& drag_manager() { return controller->drag_manager(); }
  std::string cursor() const { return body.get_attribute_utf8("cursor").value_or("none"); }
  Lines cntrl() const { return env.collection.new_lines("cntrl"); }
  // The "cntrl" lines of the actions, without the drag's own lines.
  Lines action_lines() const {
    Lines lines;
    for (const std::string& line : cntrl()) {
      if (line.rfind("dnd ", 0) != 0) lines.push_back(line);
    }
    return lines;
  }
  Ids model_events() const { return env.model_events(); }

  controller_testing::controller_env env;
  htmlayout::document doc;
  std::unique_ptr<pvcontroller> controller;
  element body;
  Lines construction_log;  // "app" while the controller was built
  int refreshes = 0;
};

// Each case: drag `source` (after checking `checked` quote rows), release
// over `target`; whether the release was consumed, the actions run, and the
// cursor during the drag.
TEST_F(DragTest, ADropRunsTheActionOfTheNearestTargetOrOnlyEndsTheDrag) {
  const struct {
    const char *source, *target;
    bool multiple;
    std::vector<size_t> checked;
    bool consumed;
    Lines actions;
    const char* cursor;
  } rows[] = {
      // A tag of the search bar is no target for a tag; the bar around it is.
      {"vt-2", "st-1", false, {}, true, {"add_search_tag; id: 2"}, "dragtag.cur"},
      // qt-2-3 sits in a cell, a row and a table without ids inside quote 2.
      {"vt-2", "qt-2-3", false, {}, true, {"mark_quote_with_tag; quote: 2; tag: 2"}, "dragtag.cur"},
      {"vt-1", "vt-2", false, {}, false, {}, "dragtag.cur"},  // nothing configured
      {"q-1", "vt-2", false, {0}, true, {"mark_tag_with_quote; quote: 1; tag: 2"}, "dragquote.cur"},
      // A multiple grid: every checked row and the source, top to bottom.
      {"q-1", "vt-2", true, {0, 2}, true,
       {"mark_tag_with_quote; quote: 4; tag: 2", "mark_tag_with_quote; quote: 2; tag: 2",
        "mark_tag_with_quote; quote: 1; tag: 2"},
       "dragquote.cur"},
      {"q-2", "vt-3", true, {0, 2}, true,  // a checked source is acted on once
       {"mark_tag_with_quote; quote: 4; tag: 3", "mark_tag_with_quote; quote: 2; tag: 3"},
       "dragquote.cur"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.source) + " on " + r.target);
    refreshes = 0;
    start(r.multiple ? "multiple" : "");
    for (size_t row : r.checked) by_id("thequotelist").child(row).set_state(htmlayout::state::checked);
    drag(by_id(r.source));
    EXPECT_EQ(cursor(), r.cursor);
    EXPECT_EQ(release(by_id(r.target), 10, 10), r.consumed);
    EXPECT_EQ(action_lines(), r.actions);
    EXPECT_EQ(model_events().size(), r.actions.size());
    EXPECT_FALSE(drag_manager().is_dragging());
    EXPECT_EQ(cursor(), "none");
    EXPECT_EQ(refreshes, 2);
  }
  // The behaviour of the bar would see the release next if it were not consumed.
  start();
  drag(by_id("vt-2"));
  EXPECT_TRUE(release(by_id("st-1"), 10, 10));
  EXPECT_FALSE(release(by_id("p-searchbar"), 10, 10));
  EXPECT_EQ(model_events(), Ids{me::add_search_tag::id});
}

// Presses and releases that start nothing, drop nothing or leave the drag
// running.
TEST_F(DragTest, WhatStartsNoDragAndWhatLeavesTheDragRunning) {
  start();
  press(by_id("vt-1"), 10, 10);
  EXPECT_FALSE(move(by_id("vt-1"), 13, 13));
  EXPECT_FALSE(release(by_id("q-2"), 13, 13));  // before the threshold: disarmed
  EXPECT_FALSE(move(by_id("q-2"), 40, 40));
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd stop: vt-1"}));

  EXPECT_FALSE(mouse_event(by_id("vt-1"), mouse::down, 10, 10, mouse::prop_button));
  EXPECT_FALSE(press(by_id("p-searchbar"), 10, 10));  // no source
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("p-searchbar"), 50, 50));
  EXPECT_FALSE(release(by_id("vt-1"), 50, 50));

  drag(by_id("vt-1"));
  // Other buttons, sinking codes, double clicks and elements without class
  // or id take no part.
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::up, 10, 10, mouse::prop_button));
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::up | htmlayout::sinking, 10, 10));
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::double_click, 10, 10));
  EXPECT_FALSE(release(doc.root(), 10, 10));
  EXPECT_FALSE(release(by_id("tag7"), 10, 10));
  EXPECT_FALSE(drag_manager().drop(element()));
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "dragtag.cur");
  EXPECT_TRUE(model_events().empty());

  // A failing action leaves the drag as it was.
  by_id("bin").set_html("<div class=\"quote\" id=\"quote7\">broken</div>",
                        htmlayout::position::insert_after);
  EXPECT_THROW(release(by_id("quote7"), 10, 10), detail::wrong_id_format);
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_TRUE(release(by_id("q-1"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_quote_with_tag; quote: 1; tag: 1"});
  drag_manager().end_drag();  // no drag runs: nothing to end
  EXPECT_EQ(refreshes, 2);
}

TEST_F(DragTest, PressAfterALostReleaseEndsTheOldDrag) {
  start();
  EXPECT_EQ(construction_log, (Lines{"Initializing DragMgr", "12 interactions loaded",
                                     "Initialized DragMgr."}));
  drag(by_id("vt-1"));
  // The release happened over something that does not report to the
  // controller; the next press starts afresh.
  EXPECT_FALSE(press(by_id("q-3"), 300, 300));
  EXPECT_EQ(cursor(), "none");
  EXPECT_EQ(refreshes, 2);
  EXPECT_EQ(drag_manager().source(), by_id("q-3"));
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_FALSE(release(by_id("q-3"), 300, 300));  // a click on the quote: no drop
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd start: vt-1", "dnd cancel: vt-1",
                            "dnd ready: q-3", "dnd stop: q-3"}));
  EXPECT_TRUE(model_events().empty());

  // Also when the new press is on an element that is no source.
  drag(by_id("vt-1"));
  press(by_id("p-searchbar"), 300, 300);
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("p-searchbar"), 400, 400));
  EXPECT_EQ(cursor(), "none");
}

}  // namespace
}  // namespace pvl
