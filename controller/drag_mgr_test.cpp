// The drag manager's own rules, through pvcontroller::send on a real document:
// the gesture tests of view/ drive drags and drops through real input.
#include "controller/drag_mgr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/pvcontroller.h"
#include "controller/testing/controller_env.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

namespace pvl {
namespace {

using controller_testing::window_page;
using htmlayout::dom::element;
using Lines = std::vector<std::string>;
namespace mouse = htmlayout::mouse;

class DragTest : public ::testing::Test {
 protected:
  DragTest() {
    env.collection.mark_logs();
    controller = std::make_unique<pvcontroller>();
    construction_log = env.collection.new_lines("app");
    controller->drag_manager().set_pointer_refresh([this] { ++refreshes; });
    doc.load_html(window_page());
    body = doc.root().select_first("body");
    env.collection.mark_logs();
  }

  element by_id(const std::string& id) const {
    element found = doc.root().select_first("[id='" + id + "']");
    EXPECT_TRUE(found) << id;
    return found;
  }

  // What an element's behaviour forwards: a mouse event on `e`, the main
  // button held except in a move.
  bool mouse_event(const element& e, uint32_t event, int x, int y) {
    mouse_record record{e, event, x, y, event == mouse::move ? 0u : mouse::main_button, 0};
    return controller->send(vcaction(record, e, e.get_attribute("class").value_or(L""),
                                     e.get_attribute("id").value_or(L"")));
  }
  bool press(const element& e, int x, int y) { return mouse_event(e, mouse::down, x, y); }
  bool move(const element& e, int x, int y) { return mouse_event(e, mouse::move, x, y); }
  bool release(const element& e, int x, int y) { return mouse_event(e, mouse::up, x, y); }
  // Press on `source`, move just far enough (4 pixels) to start the drag.
  void drag(const element& source) {
    press(source, 100, 100);
    ASSERT_TRUE(move(source, 100, 104));
  }

  DragMgr& drag_manager() { return controller->drag_manager(); }
  std::string cursor() const { return body.get_attribute_utf8("cursor").value_or("none"); }
  Lines cntrl() const { return env.collection.new_lines("cntrl"); }

  controller_testing::controller_env env;
  htmlayout::document doc;
  std::unique_ptr<pvcontroller> controller;
  element body;
  Lines construction_log;  // "app" while the controller was built
  int refreshes = 0;
};

TEST_F(DragTest, PressAfterALostReleaseEndsTheOldDrag) {
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
  EXPECT_TRUE(env.model_events().empty());

  // Also when the new press is on an element that is no source.
  drag(by_id("vt-1"));
  press(by_id("p-searchbar"), 300, 300);
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("p-searchbar"), 400, 400));
  EXPECT_EQ(cursor(), "none");
}

}  // namespace
}  // namespace pvl
