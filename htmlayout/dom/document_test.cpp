// The document and its behaviours: style sheets, the elements that draw,
// content built lazily, the behaviour registry, dispatch and exceptions.
#include "htmlayout/dom/document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fml/exception.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "tests/support/temp_dir.h"

namespace htmlayout {
namespace {

using dom::element;
using Lines = std::vector<std::string>;

// Records the restyles and the data that reach the renderer.
struct recorder : document_observer {
  Lines log;
  void style_sheets_changed() override { log.push_back("sheets"); }
  void style_changed(const element_node& e) override {
    log.push_back("style " + e.find_attribute(names::id)->str());
  }
  void data_arrived(std::string_view uri, std::string_view data) override {
    log.push_back("data " + std::string(uri) + " " + std::string(data));
  }
};

TEST(DocumentTest, StyleSheetsFromTheHostFilesAndStyleElementsApplyInCascadeOrder) {
  document doc;
  Lines requests;
  doc.set_notification_callback([&](notification& n) -> uint32_t {
    if (n.code != notification_code::load_data) return 0;
    auto& request = static_cast<load_data_notification&>(n);
    requests.push_back(request.uri + " " + std::to_string(request.data_type) + " " +
                       request.principal.tag_name());
    if (request.uri != "now.css") return load_answer::delayed;
    EXPECT_TRUE(doc.data_ready(request.uri, "#a { display: none }"));
    return load_answer::ok;
  });
  recorder r;
  doc.add_observer(&r);
  doc.load_html("<link rel=stylesheet href=now.css><link rel='alternate stylesheet' href=later.css>"
      "<link rel=icon href=icon.png><style>#b { display: none }</style><p id=a></p><p id=b></p>"
      "<p id=c></p><div id=box></div>");
  auto shown = [&] {
    std::string ids;
    for (const char* id : {"a", "b", "c"})
      if (doc.root().select_first(std::string("#") + id).is_visible()) ids += id;
    return ids;
  };
  EXPECT_EQ(requests, (Lines{"now.css 2 link", "later.css 2 link"}));
  EXPECT_EQ(shown(), "c");
  // The late sheet restyles the document when it arrives, in its place in
  // the cascade (before the style element).
  r.log.clear();
  EXPECT_TRUE(doc.data_ready("later.css", "#c { display: none } #b { display: block }"));
  EXPECT_EQ(shown(), "");
  EXPECT_EQ(r.log, (Lines{"style c", "sheets"}));
  ASSERT_EQ(doc.style_sheets().size(), 3u);
  EXPECT_EQ(doc.style_sheets()[1].url, "later.css");
  EXPECT_FALSE(doc.data_ready("other.css", ""));  // nothing waits for other names
  // Style elements added, changed and removed later.
  element box = doc.root().select_first("#box");
  box.set_html("<style>#c { display: inline !important }</style>", position::replace_content);
  EXPECT_EQ(shown(), "c");
  box.child(0).set_text(L"#a { display: inline }");
  EXPECT_EQ(doc.root().select_first("#a").get_style_attribute("display"), L"inline");
  box.set_html("", position::replace_content);
  EXPECT_EQ(shown(), "");
  // Unanswered local sheets are read from files.
  testing_support::temp_dir dir;
  std::ofstream(dir.path() / "local.css") << ".x { behavior: from-file }";
  document local;
  local.load_html("<link rel=stylesheet href=local.css><link rel=stylesheet href=missing.css>"
      "<p class=x id=p></p>", "file://" + dir.str() + "/page.htm");
  EXPECT_EQ(local.root().select_first("#p").get_style_attribute("behavior"), L"from-file");
  EXPECT_EQ(local.combine_url("a/b.png"), "file://" + dir.str() + "/a/b.png");
  EXPECT_EQ(local.combine_url("/abs.png"), "/abs.png");
  EXPECT_EQ(local.combine_url("res:x.png"), "res:x.png");
}

// The host answers the document's behaviour requests from the registry.
void answer_behaviors(document& doc) {
  doc.set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
}

// Draws by answering true, and says for which element and area.
struct drawing_behavior : behavior {
  drawing_behavior() : behavior(group::draw, "test-drawing") {}
  Lines drawn;
  bool on_draw(const element& he, uint32_t kind, void* gfx, const rect& area) override {
    drawn.push_back(he.get_attribute_utf8("id").value_or("?") + " " + std::to_string(kind) + " " +
                    std::to_string(area.left) + "," + std::to_string(area.top) + (gfx ? " gfx" : ""));
    return true;
  }
};

TEST(DocumentTest, KnowsTheElementsWhoseHandlersDraw) {
  drawing_behavior drawing;
  behavior mouse_only(group::mouse, "test-mouse-only");
  document doc;
  answer_behaviors(doc);
  doc.load_html(R"(<style>.clock { behavior: test-drawing } .plain { behavior: test-mouse-only nobody-has-this }
    </style><div id=a class=clock></div><div id=b class=plain></div>
    <div id=box><div id=c class=clock></div></div>)");
  auto drawing_ids = [&] {
    std::string ids;
    for (const element& e : doc.elements_with_draw_handlers())
      ids += e.get_attribute_utf8("id").value_or("?");
    std::sort(ids.begin(), ids.end());
    return ids;
  };
  EXPECT_EQ(drawing_ids(), "ac");
  // Elements come and go with the tree, with their style and with handlers attached by hand.
  element box = doc.root().select_first("#box");
  box.set_html("<div id=d class=clock></div><div id=e></div>");
  EXPECT_EQ(drawing_ids(), "ad");
  doc.root().select_first("#a").set_attribute("class", L"plain");
  doc.root().select_first("#b").set_attribute("class", L"clock");
  element e = doc.root().select_first("#e");
  e.attach_event_handler(element_proc, &mouse_only, mouse_only.subscribed_to);
  e.attach_event_handler(element_proc, &drawing, drawing.subscribed_to);
  e.attach_event_handler(element_proc, &drawing, drawing.subscribed_to);  // once only
  e.set_attribute("class", L"plain");  // handlers attached by hand stay
  EXPECT_EQ(drawing_ids(), "bde");
  e.detach_event_handler(element_proc, &drawing);
  element d = doc.root().select_first("#d");
  d.detach();
  EXPECT_EQ(drawing_ids(), "b");
  box.append(d);
  EXPECT_EQ(drawing_ids(), "bd");
  // Drawing one hands the record to its handler.
  int gfx = 0;
  draw_params params{1, &gfx, {3, 4, 30, 40}};
  EXPECT_TRUE(doc.draw_element(d, params));
  EXPECT_FALSE(doc.draw_element(e, params));
  EXPECT_EQ(drawing.drawn, Lines{"d 1 3,4 gfx"});
  // A page too deep to load leaves an empty one.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<div>";
  EXPECT_FALSE(doc.load_html(deep));
  EXPECT_EQ(drawing_ids(), "");
  EXPECT_EQ(doc.root().html(true), "<html><head></head><body></body></html>");
}

// Light elements: their content is built by the document's builder the
// first time it is needed, once, and never by a selector over their parent.
TEST(DocumentTest, LazyContentIsBuiltOnFirstUseOnly) {
  document doc;
  Lines built;
  doc.set_content_builder([&](const element& e) {
    built.push_back(*e.get_attribute_utf8("id"));
    e.set_html("<p class=inside>in " + built.back() + "</p>", position::replace_content);
  });
  doc.load_html("<html><body><div id=list><div class=row id=x lazy></div></div></body></html>");
  const element list = doc.root().select_first("#list");
  list.set_html("<div class=row id=a lazy></div><div class=row id=b lazy></div>"
      "<div class=row id=c lazy></div>", position::append_after_last);
  EXPECT_EQ(doc.root().select_all("div.row").size(), 4u);
  EXPECT_FALSE(doc.root().select_first("p") || doc.root().select_first("[lazy]"));
  EXPECT_TRUE(built.empty());
  // Writing and reading the text see everything and leave it light.
  std::string rows;
  for (std::string id : {"x", "a", "b", "c"})
    rows += "<div class=\"row\" id=\"" + id + "\"><p class=\"inside\">in " + id + "</p></div>";
  EXPECT_EQ(list.html(false), rows);
  EXPECT_EQ(list.text(), L"in xin ain bin c");
  EXPECT_EQ(built.size(), 8u);
  EXPECT_FALSE(doc.root().select_first("p") || doc.root().select_first("#b").content_built());
  // Each way into an element builds it, once; replacing its content does not.
  built.clear();
  const std::pair<const char*, std::function<void(const element&)>> uses[] = {
      {"x", [](const element& e) { EXPECT_EQ(e.children_count(), 1u); }},
      {"a", [](const element& e) { EXPECT_TRUE(e.child(0)); }},
      {"b", [](const element& e) { EXPECT_TRUE(e.select_first("p.inside")); }},
      {"c", [](const element& e) { e.set_html("<i>more</i>", position::append_after_last); }}};
  for (const auto& [id, use] : uses) {
    const element e = doc.root().select_first(std::string("#") + id);
    for (int twice = 0; twice < 2; ++twice) use(e);
    EXPECT_TRUE(e.content_built()) << id;
  }
  EXPECT_EQ(built, (Lines{"x", "a", "b", "c"}));
  EXPECT_EQ(doc.root().select_first("#c").text(), L"in cmoremore");
  list.set_html("<div id=d lazy></div>", position::append_after_last);
  doc.root().select_first("#d").set_html("<b>given</b>", position::replace_content);
  EXPECT_EQ(built.size(), 4u);
  EXPECT_EQ(doc.root().select_first("#d").text(), L"given");
}

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
  struct { key_params key; focus_params focus; timer_params timer; behavior_event_params event;
           method_params method{method::click}; draw_params draw; scroll_params scroll;
           data_arrived_params data; } a;
  const std::pair<uint32_t, void*> declined[] = {{group::key, &a.key}, {group::focus, &a.focus},
      {group::timer, &a.timer}, {group::size, nullptr}, {group::behavior_event, &a.event},
      {group::method_call, &a.method}, {group::draw, &a.draw}, {group::scroll, &a.scroll},
      {group::data_arrived, &a.data}, {0x400, &a.method}};
  for (auto [kind, params] : declined) EXPECT_FALSE(element_proc(&b, p, kind, params)) << kind;
  EXPECT_FALSE(element_proc(nullptr, p, group::method_call, &a.method));
  EXPECT_FALSE(p.call_behavior_method(a.method));  // no input side to click it
}

// Writes the events it gets and its detachments into a shared log; runs `on_event_hook` on each event.
struct recording_behavior : behavior {
  recording_behavior(Lines& log, const char* name) : behavior(group::behavior_event, name), log(log) {}
  static std::string id_of(const element& e) { return e.get_attribute_utf8("id").value_or("?"); }
  void detached(const element& he) override { log.push_back(std::string(name) + " detached " + id_of(he)); }
  bool on_event(const element& he, const element& target, uint32_t type, uintptr_t reason) override {
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
  answer_behaviors(doc);
  const std::string style = "<style>div.quote { behavior: test-quote } tr { behavior: test-row }"
      "#list { behavior: test-list } .t { behavior: test-thrower }</style>";
  doc.load_html(style + "<table id=list><tr id=r1><td><div class=quote id=q-1></div></td></tr></table>");
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
