#include "htmlayout/dom/document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "tests/support/temp_dir.h"

namespace htmlayout {
namespace {

using dom::element;
using Lines = std::vector<std::string>;

std::string describe(const node& n) {
  const element_node* e = as_element(&n);
  if (!e) return "text";
  const compact_string* id = e->find_attribute(names::id);
  return id ? id->str() : std::string(name_of(e->tag));
}

// Records the change notifications, as the renderer receives them.
struct recorder : document_observer {
  Lines log;
  void loaded() override { log.push_back("loaded"); }
  void style_sheets_changed() override { log.push_back("sheets"); }
  void inserted(const node& n) override {
    log.push_back("inserted " + describe(n) + " at " +
                  std::to_string(n.parent->children.index_of(&n)));
  }
  void removing(const node& n) override { log.push_back("removing " + describe(n)); }
  void attribute_changed(const element_node& e, atom name) override {
    log.push_back("attribute " + describe(e) + " " + std::string(name_of(name)));
  }
  void state_changed(const element_node& e, uint32_t old_state) override {
    log.push_back("state " + describe(e) + " " + std::to_string(old_state) + "->" +
                  std::to_string(e.state));
  }
  void text_changed(const element_node& e) override { log.push_back("text " + describe(e)); }
  void style_changed(const element_node& e) override { log.push_back("style " + describe(e)); }
  void children_reordered(const element_node& e) override {
    log.push_back("reordered " + describe(e));
  }
  void update_requested(const element_node& e, bool now) override {
    log.push_back(std::string(now ? "update now " : "update ") + describe(e));
  }
  void data_arrived(std::string_view uri, std::string_view data) override {
    log.push_back("data " + std::string(uri) + " " + std::string(data));
  }
};

TEST(DocumentTest, ObserversSeeEveryChange) {
  document doc;
  recorder r;
  doc.add_observer(&r);
  doc.load_html("<style>.big { display: none }</style><ul id=list><li id=a>a</li></ul>");
  element list = doc.root().select_first("#list");
  element a = doc.root().select_first("#a");
  list.set_html("<li id=b>b</li>text", position::append_after_last);
  a.set_attribute("class", L"big");
  a.set_attribute("title", L"t");
  a.set_state(state::checked, 0, false);
  a.set_state(0, state::checked, true);
  a.set_text(L"new");
  a.update(true);
  struct reverse : element::comparator {
    int compare(const element& x, const element& y) override {
      return x.index() > y.index() ? -1 : 1;
    }
  } order;
  list.sort(order);
  a.delete_element();
  doc.remove_observer(&r);
  list.set_html("", position::replace_content);
  EXPECT_EQ(r.log, (Lines{"loaded", "inserted b at 1", "inserted text at 2", "attribute a class",
                          "style a", "attribute a title", "state a 0->64", "state a 64->0",
                          "update a", "text a", "update now a", "reordered list", "removing a"}));
}

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
  doc.load_html(
      "<link rel=stylesheet href=now.css><link rel='alternate stylesheet' href=later.css>"
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
  local.load_html(
      "<link rel=stylesheet href=local.css><link rel=stylesheet href=missing.css>"
      "<p class=x id=p></p>",
      "file://" + dir.str() + "/page.htm");
  EXPECT_EQ(local.root().select_first("#p").get_style_attribute("behavior"), L"from-file");
  EXPECT_EQ(local.combine_url("a/b.png"), "file://" + dir.str() + "/a/b.png");
  EXPECT_EQ(local.combine_url("/abs.png"), "/abs.png");
  EXPECT_EQ(local.combine_url("res:x.png"), "res:x.png");
}

TEST(DocumentTest, RequestedDataReachesObservers) {
  document doc;
  doc.set_notification_callback([&](notification& n) -> uint32_t {
    auto& request = static_cast<load_data_notification&>(n);
    if (request.uri == "sync.png") doc.data_ready("sync.png", "S");
    return request.uri == "late.png" ? load_answer::delayed : load_answer::ok;
  });
  recorder r;
  doc.add_observer(&r);
  for (const char* uri : {"sync.png", "late.png", "never.png"})
    doc.request_data(uri, resource_type::image, doc.root());
  EXPECT_TRUE(doc.data_ready("late.png", "L"));
  EXPECT_FALSE(doc.data_ready("never.png", "N"));  // answered: not waiting any more
  EXPECT_EQ(r.log, (Lines{"data sync.png S", "data late.png L"}));
}

TEST(DocumentTest, LoadingAgainReplacesEverythingAndTooDeepPagesLeaveAnEmptyOne) {
  document doc;
  doc.load_html("<p id=old>x</p>");
  element old = doc.root().select_first("#old");
  element old_root = doc.root();
  old.post_event(event::button_click);
  std::string deep;
  for (size_t i = 0; i < 5000; ++i) deep += "<div>";
  EXPECT_FALSE(doc.load_html(deep));
  EXPECT_EQ(doc.root().html(true), "<html><head></head><body></body></html>");
  EXPECT_FALSE(old || old_root);
  EXPECT_FALSE(doc.has_posted_events());
  EXPECT_TRUE(doc.load_html("<p id=new>y</p>"));
  EXPECT_TRUE(doc.root().select_first("#new"));
}

// Draws by answering true, and says for which element and area.
struct drawing_behavior : behavior {
  drawing_behavior() : behavior(group::draw, "test-drawing") {}
  Lines drawn;
  bool on_draw(const element& he, uint32_t kind, void* gfx, const rect& area) override {
    drawn.push_back(he.get_attribute_utf8("id").value_or("?") + " " + std::to_string(kind) + " " +
                    std::to_string(area.left) + "," + std::to_string(area.top) +
                    (gfx ? " gfx" : ""));
    return true;
  }
};

TEST(DocumentTest, KnowsTheElementsWhoseHandlersDraw) {
  drawing_behavior drawing;
  behavior mouse_only(group::mouse, "test-mouse-only");
  document doc;
  doc.set_notification_callback([](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    return 0;
  });
  doc.load_html(R"(<style>.clock { behavior: test-drawing } .plain { behavior: test-mouse-only }
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
  // Elements come and go with the tree, with their style and with handlers
  // attached by hand.
  element box = doc.root().select_first("#box");
  box.set_html("<div id=d class=clock></div><div id=e></div>");
  EXPECT_EQ(drawing_ids(), "ad");
  doc.root().select_first("#a").set_attribute("class", L"plain");
  doc.root().select_first("#b").set_attribute("class", L"clock");
  element e = doc.root().select_first("#e");
  e.attach_event_handler(element_proc, &drawing, drawing.subscribed_to);
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
  doc.load_html("<p id=p class=clock></p>");
  EXPECT_EQ(drawing_ids(), "");
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
  list.set_html(
      "<div class=row id=a lazy></div><div class=row id=b lazy></div>"
      "<div class=row id=c lazy></div>",
      position::append_after_last);
  EXPECT_EQ(doc.root().select_all("div.row").size(), 4u);
  EXPECT_FALSE(doc.root().select_first("p") || doc.root().select_first("[lazy]"));
  EXPECT_TRUE(built.empty());
  // Writing and reading the text see everything and leave it light.
  EXPECT_EQ(list.html(false),
            "<div class=\"row\" id=\"x\"><p class=\"inside\">in x</p></div>"
            "<div class=\"row\" id=\"a\"><p class=\"inside\">in a</p></div>"
            "<div class=\"row\" id=\"b\"><p class=\"inside\">in b</p></div>"
            "<div class=\"row\" id=\"c\"><p class=\"inside\">in c</p></div>");
  EXPECT_EQ(list.text(), L"in xin ain bin c");
  EXPECT_EQ(built.size(), 8u);
  EXPECT_FALSE(doc.root().select_first("p") || doc.root().select_first("#b").content_built());

  // Each way into an element builds it, once; replacing its content does not.
  built.clear();
  const std::pair<const char*, std::function<void(const element&)>> uses[] = {
      {"x", [](const element& e) { EXPECT_EQ(e.children_count(), 1u); }},
      {"a", [](const element& e) { EXPECT_TRUE(e.child(0)); }},
      {"b", [](const element& e) { EXPECT_TRUE(e.select_first("p.inside")); }},
      {"c", [](const element& e) { e.set_html("<i>more</i>", position::append_after_last); }},
  };
  for (const auto& [id, use] : uses) {
    const element e = doc.root().select_first(std::string("#") + id);
    use(e);
    use(e);
    EXPECT_TRUE(e.content_built()) << id;
  }
  EXPECT_EQ(built, (Lines{"x", "a", "b", "c"}));
  EXPECT_EQ(doc.root().select_first("#c").text(), L"in cmoremore");
  list.set_html("<div id=d lazy></div>", position::append_after_last);
  doc.root().select_first("#d").set_html("<b>given</b>", position::replace_content);
  EXPECT_EQ(built.size(), 4u);
  EXPECT_EQ(doc.root().select_first("#d").text(), L"given");
}

}  // namespace
}  // namespace htmlayout
