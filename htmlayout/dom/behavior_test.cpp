#include "htmlayout/dom/behavior.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fml/exception.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"

namespace htmlayout {
namespace {

using dom::element;
using Lines = std::vector<std::string>;

TEST(BehaviorRegistryTest, FindsByExactNameNewestFirstAndAsksWhichHandler) {
  behavior older(group::mouse, "test-find");
  behavior newer(group::key, "test-find");
  behavior other(group::mouse, "test-other");
  element none;
  EXPECT_EQ(behavior::find("test-find", none), &newer);
  EXPECT_EQ(behavior::find("test-other", none), &other);
  for (const char* name : {"Test-Find", "test-fin", static_cast<const char*>(nullptr)})
    EXPECT_EQ(behavior::find(name, none), nullptr);
  EXPECT_EQ(behavior::first(), &other);
  {
    behavior temporary(0, "test-temporary");
    EXPECT_EQ(behavior::find("test-temporary", none), &temporary);
  }
  EXPECT_EQ(behavior::find("test-temporary", none), nullptr);  // gone, not dangling
  struct per_element : behavior {
    per_element() : behavior(group::all, "test-per-element") {}
    event_handler* attach(const element& he) override {
      return he.has_attribute("special") ? &special : this;
    }
    event_handler special{group::mouse};
  } b;
  document doc;
  doc.load_html("<p id=a special></p><p id=b></p>");
  EXPECT_EQ(behavior::find("test-per-element", doc.root().select_first("#a")), &b.special);
  EXPECT_EQ(behavior::find("test-per-element", doc.root().select_first("#b")), &b);
}

TEST(ElementProcTest, DispatchesByGroupWithTheParametersUnpacked) {
  struct mouse_only : behavior {
    mouse_only() : behavior(group::all, "test-proc") {}
    bool on_mouse(const element&, const element&, uint32_t type, int x, int y, uint32_t buttons,
                  uint32_t keys) override {
      seen = std::to_string(type) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
             std::to_string(buttons) + " " + std::to_string(keys);
      return true;
    }
    std::string seen;
  } b;
  document doc;
  doc.load_html("<p id=p></p>");
  element p = doc.root().select_first("#p");
  initialization_params attach{behavior_attach}, detach{behavior_detach};
  mouse_params mouse{mouse::double_click, {}, {3, 4}, {}, mouse::main_button, keyboard::control};
  EXPECT_TRUE(element_proc(&b, p, group::initialization, &attach));
  EXPECT_TRUE(element_proc(&b, p, group::initialization, &detach));
  EXPECT_TRUE(element_proc(&b, p, group::mouse, &mouse));
  EXPECT_EQ(b.seen, "5 3,4 1 1");
  // Every other handler declines by default; unknown groups and no handler too.
  key_params key;
  focus_params focus;
  timer_params timer;
  behavior_event_params event;
  method_params method{method::click};
  draw_params draw;
  scroll_params scroll;
  data_arrived_params data;
  const std::pair<uint32_t, void*> declined[] = {
      {group::key, &key},     {group::focus, &focus},          {group::timer, &timer},
      {group::size, nullptr}, {group::behavior_event, &event}, {group::method_call, &method},
      {group::draw, &draw},   {group::scroll, &scroll},        {group::data_arrived, &data},
      {0x400, &method}};
  for (auto [kind, params] : declined) EXPECT_FALSE(element_proc(&b, p, kind, params)) << kind;
  EXPECT_FALSE(element_proc(nullptr, p, group::method_call, &method));
  EXPECT_FALSE(p.call_behavior_method(method));  // no input side to click it
}

// Writes the events it gets and its detachments into a shared log, and runs
// `on_event_hook` on each event.
struct recording_behavior : behavior {
  recording_behavior(Lines& log, const char* name)
      : behavior(group::behavior_event, name), log(log) {}
  static std::string id_of(const element& e) { return e.get_attribute_utf8("id").value_or("?"); }
  void detached(const element& he) override {
    log.push_back(std::string(name) + " detached " + id_of(he));
  }
  bool on_event(const element& he, const element& target, uint32_t type,
                uintptr_t reason) override {
    log.push_back(std::string(name) + " event " + std::to_string(type) + " at " + id_of(he) +
                  " about " + id_of(target) + " reason " + std::to_string(reason));
    if (on_event_hook) on_event_hook(he, type);
    return false;
  }
  Lines& log;
  std::function<void(const element&, uint32_t)> on_event_hook;
};

TEST(HostedDocumentTest, ExceptionsFromHandlersReachTheCallerAndLeaveTheDocumentWhole) {
  Lines log;
  recording_behavior quote{log, "test-quote"}, row{log, "test-row"}, list{log, "test-list"};
  document doc;
  doc.set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
  const std::string style =
      "<style>div.quote { behavior: test-quote } tr { behavior: test-row }"
      "#list { behavior: test-list } .t { behavior: test-thrower }</style>";
  doc.load_html(style + "<table id=list><tr id=r1><td id=c1><div class=quote id=q-1></div></td>"
                        "</tr></table>");
  element q = doc.root().select_first("#q-1");
  quote.on_event_hook = [&](const element& he, uint32_t type) {
    he.post_event(event::button_press);
    if (type == event::button_click) throw fml::exception("q-1");
  };
  EXPECT_THROW(q.send_event(event::button_click), fml::exception);
  quote.on_event_hook = nullptr;
  log.clear();
  doc.deliver_posted_events();  // what was posted is delivered later
  EXPECT_EQ(log, (Lines{"test-quote event 1 at q-1 about q-1 reason 0",
                        "test-row event 1 at r1 about q-1 reason 0",
                        "test-list event 1 at list about q-1 reason 0"}));
  struct thrower : behavior {
    thrower() : behavior(0, "test-thrower") {}
    void detached(const element&) override { throw fml::exception("detached"); }
  } t;
  doc.load_html(style + "<div id=box><p class=t></p><div class=quote id=q-1></div></div>");
  element box = doc.root().select_first("#box");
  q = doc.root().select_first("#q-1");
  log.clear();
  EXPECT_THROW(box.set_html("", position::replace_content), fml::exception);
  EXPECT_EQ(box.children_count(), 0u);
  EXPECT_FALSE(q);
  EXPECT_EQ(log, Lines{"test-quote detached q-1"});
}

}  // namespace
}  // namespace htmlayout
