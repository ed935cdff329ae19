// Drag and drop as the element behaviours drive it: mouse messages through
// pvcontroller::send on a real document, drops carried out by the real model.
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

using controller_testing::interaction;
using controller_testing::window_page;
using htmlayout::dom::element;
using Lines = std::vector<std::string>;
using Ids = std::vector<int>;
namespace me = model_events;
namespace mouse = htmlayout::mouse;

class DragTest : public ::testing::Test {
 protected:
  // Builds the controller on `config` and loads the page.
  void start(const std::string& config = controller_testing::shipped_drag_config(),
             const std::string& quote_table_attributes = "") {
    env.set_drag_config(config);
    env.collection.mark_logs();
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
  // Press on `source`, move far enough to start the drag.
  void drag(const element& source) {
    press(source, 100, 100);
    ASSERT_TRUE(move(source, 120, 100));
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

TEST_F(DragTest, InteractionsAreCountedAndTheFirstOfARepeatedPairRuns) {
  start("<dm>" + interaction("class=\"vtag\"", "class=\"quote\"", "mark_quote_with_tag") +
        interaction("class=\"vtag\"", "class=\"recycled\"", "delete_vtag") +
        interaction("class=\"vtag\"", "class=\"quote\"", "delete_quote") + "</dm>");
  EXPECT_EQ(construction_log,
            (Lines{"Initializing DragMgr", "3 interactions loaded", "Initialized DragMgr."}));
  drag(by_id("vt-1"));
  EXPECT_TRUE(release(by_id("q-2"), 120, 100));
  EXPECT_EQ(action_lines(), Lines{"mark_quote_with_tag; quote: 2; tag: 1"});
  EXPECT_EQ(model_events(), Ids{me::mark_quote::id});
}

TEST_F(DragTest, MovingThreePixelsIsNoDragFourIs) {
  start();
  element tag = by_id("vt-1");
  EXPECT_FALSE(press(tag, 10, 10));
  EXPECT_EQ(drag_manager().source(), tag);
  EXPECT_FALSE(move(tag, 13, 7));
  EXPECT_FALSE(move(tag, 7, 13));
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "none");
  EXPECT_EQ(refreshes, 0);

  EXPECT_TRUE(move(by_id("vt-2"), 14, 10));  // reported by whatever element is under the pointer
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "dragtag.cur");
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(move(tag, 40, 40));  // already dragging
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd start: vt-1"}));

  for (auto [x, y] : {std::pair{10, 6}, std::pair{6, 10}, std::pair{10, 14}}) {
    drag_manager().end_drag();
    press(tag, 10, 10);
    EXPECT_TRUE(move(tag, x, y)) << x << "," << y;
  }
}

TEST_F(DragTest, ReleaseBeforeTheThresholdDisarms) {
  start();
  press(by_id("vt-1"), 10, 10);
  EXPECT_FALSE(move(by_id("vt-1"), 13, 13));
  EXPECT_FALSE(release(by_id("q-2"), 13, 13));
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("q-2"), 40, 40));  // nothing armed any more
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd stop: vt-1"}));
  EXPECT_TRUE(model_events().empty());
  EXPECT_EQ(refreshes, 0);
}

TEST_F(DragTest, DropRunsTheConfiguredActionAndEndsTheDrag) {
  start();
  drag(by_id("vt-1"));
  EXPECT_TRUE(release(by_id("q-4"), 300, 200));
  EXPECT_EQ(cntrl(), (Lines{"dnd ready: vt-1", "dnd start: vt-1", "dnd stop: vt-1",
                            "mark_quote_with_tag; quote: 4; tag: 1"}));
  EXPECT_EQ(model_events(), Ids{me::mark_quote::id});
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_FALSE(drag_manager().source());
  EXPECT_EQ(cursor(), "none");
  EXPECT_EQ(refreshes, 2);
}

TEST_F(DragTest, OnlyTheMainButtonDrags) {
  start();
  EXPECT_FALSE(mouse_event(by_id("vt-1"), mouse::down, 10, 10, mouse::prop_button));
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("vt-1"), 40, 40));
  EXPECT_TRUE(cntrl().empty());

  drag(by_id("vt-1"));
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::up, 10, 10, mouse::prop_button));
  EXPECT_TRUE(drag_manager().is_dragging());
  // Sinking codes and double clicks take no part.
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::up | htmlayout::sinking, 10, 10));
  EXPECT_FALSE(mouse_event(by_id("q-4"), mouse::double_click, 10, 10));
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_TRUE(model_events().empty());
}

TEST_F(DragTest, PressOnAnElementThatIsNoSourceDoesNothing) {
  start();
  EXPECT_FALSE(press(by_id("p-searchbar"), 10, 10));
  EXPECT_FALSE(drag_manager().source());
  EXPECT_FALSE(move(by_id("p-searchbar"), 50, 50));
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "none");
  EXPECT_FALSE(release(by_id("vt-1"), 50, 50));
  EXPECT_TRUE(model_events().empty());
}

TEST_F(DragTest, NamedIdsLimitWhatIsDraggedAndWhereItIsDropped) {
  start("<dm>" +
        interaction("class=\"vtag\" id=\"vt-2\"", "class=\"quote\" id=\"q-3\"",
                    "mark_quote_with_tag") +
        "</dm>");
  press(by_id("vt-1"), 10, 10);
  EXPECT_FALSE(drag_manager().source());
  drag(by_id("vt-2"));
  EXPECT_FALSE(release(by_id("q-4"), 10, 10));
  drag(by_id("vt-2"));
  EXPECT_TRUE(release(by_id("q-3"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_quote_with_tag; quote: 3; tag: 2"});
}

TEST_F(DragTest, ReleaseOverANonTargetRunsItsParentsActionOnce) {
  start();
  drag(by_id("vt-2"));
  // A tag of the search bar is no target for a tag; the bar around it is.
  EXPECT_TRUE(release(by_id("st-1"), 10, 10));
  // The behaviour of the bar would see the release next if it were not consumed.
  EXPECT_FALSE(release(by_id("p-searchbar"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"add_search_tag; id: 2"});
  EXPECT_EQ(model_events(), Ids{me::add_search_tag::id});
}

TEST_F(DragTest, DropPassesOverAncestorsWithoutClassOrId) {
  start();
  drag(by_id("vt-2"));
  // qt-2-3 sits in a cell, a row and a table without ids inside quote 2.
  EXPECT_TRUE(release(by_id("qt-2-3"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_quote_with_tag; quote: 2; tag: 2"});
  EXPECT_EQ(model_events(), Ids{me::mark_quote::id});
}

TEST_F(DragTest, DropWhereNothingIsConfiguredOnlyEndsTheDrag) {
  start();
  drag(by_id("vt-1"));
  EXPECT_FALSE(release(by_id("vt-2"), 10, 10));
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_FALSE(drag_manager().source());
  EXPECT_EQ(cursor(), "none");
  EXPECT_EQ(refreshes, 2);
  EXPECT_TRUE(model_events().empty());
}

TEST_F(DragTest, ReleaseOverAnElementWithoutClassOrIdLeavesTheDragRunning) {
  start();
  drag(by_id("vt-1"));
  EXPECT_FALSE(release(doc.root(), 10, 10));
  EXPECT_FALSE(release(by_id("tag7"), 10, 10));
  EXPECT_FALSE(drag_manager().drop(element()));
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "dragtag.cur");
  EXPECT_TRUE(release(by_id("q-1"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_quote_with_tag; quote: 1; tag: 1"});
}

TEST_F(DragTest, QuotesAreDraggedWithTheQuoteCursor) {
  start();
  drag(by_id("q-3"));
  EXPECT_EQ(cursor(), "dragquote.cur");
  EXPECT_TRUE(release(by_id("vt-1"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_tag_with_quote; quote: 3; tag: 1"});
}

TEST_F(DragTest, MultipleGridDragActsOnEveryCheckedRowAndTheSourceTopToBottom) {
  start(controller_testing::shipped_drag_config(), "multiple");
  element quotes = by_id("thequotelist");  // rows: quotes 4, 3, 2, 1
  quotes.child(0).set_state(htmlayout::state::checked);
  quotes.child(2).set_state(htmlayout::state::checked);
  drag(by_id("q-1"));  // not checked, the last row
  EXPECT_TRUE(release(by_id("vt-2"), 10, 10));
  EXPECT_EQ(action_lines(),
            (Lines{"mark_tag_with_quote; quote: 4; tag: 2", "mark_tag_with_quote; quote: 2; tag: 2",
                   "mark_tag_with_quote; quote: 1; tag: 2"}));
  EXPECT_EQ(model_events(), (Ids{me::mark_quote::id, me::mark_quote::id, me::mark_quote::id}));

  // A checked source is acted on once.
  env.collection.mark_logs();
  drag(by_id("q-2"));
  EXPECT_TRUE(release(by_id("vt-3"), 10, 10));
  EXPECT_EQ(action_lines(), (Lines{"mark_tag_with_quote; quote: 4; tag: 3",
                                   "mark_tag_with_quote; quote: 2; tag: 3"}));
}

TEST_F(DragTest, GridWithoutMultipleDragsTheSourceAlone) {
  start();
  element quotes = by_id("thequotelist");
  quotes.child(0).set_state(htmlayout::state::checked);
  drag(by_id("q-1"));
  EXPECT_TRUE(release(by_id("vt-2"), 10, 10));
  EXPECT_EQ(action_lines(), Lines{"mark_tag_with_quote; quote: 1; tag: 2"});
}

TEST_F(DragTest, PressPassedOnByAnEnclosingSourceKeepsTheInnerOne) {
  start();
  element qtag = by_id("qt-2-1");
  press(qtag, 50, 50);
  press(qtag, 50, 50);          // a behaviour that forwards the press twice
  press(by_id("q-2"), 50, 50);  // the quote's behaviour sees the same press
  EXPECT_EQ(drag_manager().source(), qtag);
  EXPECT_TRUE(move(by_id("q-2"), 70, 50));
  EXPECT_TRUE(release(by_id("vt-3"), 70, 50));
  EXPECT_EQ(action_lines(), Lines{"delete_quote_mark; quote: 2; tag: 1"});
  EXPECT_EQ(model_events(), Ids{me::delete_mark::id});
}

TEST_F(DragTest, PressAfterALostReleaseEndsTheOldDrag) {
  start();
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

TEST_F(DragTest, FailingActionLeavesTheDragAsItWas) {
  start();
  by_id("bin").set_html("<div class=\"quote\" id=\"quote7\">broken</div>",
                        htmlayout::position::insert_after);
  drag(by_id("vt-1"));
  EXPECT_THROW(release(by_id("quote7"), 10, 10), detail::wrong_id_format);
  EXPECT_TRUE(drag_manager().is_dragging());
  EXPECT_EQ(cursor(), "dragtag.cur");
  EXPECT_TRUE(model_events().empty());
}

// Deletes a quote's row as the view does when the model deletes the quote.
class row_deleting_view : public view_event_sink {
 public:
  explicit row_deleting_view(const element& root) : root_(root) {}
  void on_view_event(const view_event& event) override {
    const auto* deleted = std::get_if<view_events::vdelete_quote>(&event.data);
    if (!deleted) return;
    const int32_t id = deleted->quote;
    root_.select_first("[id='q-" + std::to_string(id) + "']").parent().parent().delete_element();
  }

 private:
  element root_;
};

TEST_F(DragTest, DragEndsWhenItsDropDeletesTheSource) {
  start();
  row_deleting_view view(doc.root());
  model().set_view(&view);
  element quote = by_id("q-3");
  drag(quote);
  EXPECT_TRUE(release(by_id("bin"), 10, 10));
  EXPECT_FALSE(quote);  // deleted by the drop
  EXPECT_EQ(action_lines(), Lines{"delete_quote; quote: 3"});
  EXPECT_EQ(cursor(), "none");
  EXPECT_FALSE(drag_manager().is_dragging());
  EXPECT_EQ(refreshes, 2);
  model().set_view(&env.recorder);
}

}  // namespace
}  // namespace pvl
