// "hyperlink" through real input: what they report to the
// host, the events they post, and a link to a name in the page scrolling the
// renderer's layout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/render/testing/headless_host.h"
#include "htmlayout/testing/stock_window.h"

namespace htmlayout {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* page = R"(<html><head><style>
  body { behavior: test-link-clicks; }
  #link, #a-link, #long { behavior: hyperlink; }
</style></head><body>
<div id=away>elsewhere</div>
<span id=link href="next.htm" target="_blank">next</span>
<a id=a-link href="http://example.org/x">example</a>
<span id=long>long</span>
</body></html>)";

// Writes "<target> <reason>" for each hyperlink_click it sees.
struct click_log : behavior {
  click_log() : behavior(group::behavior_event, "test-link-clicks") {}
  bool on_event(const dom::element&, const dom::element& target, uint32_t code,
                uintptr_t reason) override {
    if (code == event::hyperlink_click)
      clicks.push_back(testing::name_of_element(target) + " " + std::to_string(reason));
    return false;
  }
  std::vector<std::string> clicks;
};

struct logged {
  click_log log;
};

struct window : logged, testing::stock_window {
  window() : stock_window(page, "file:///app/res/main.htm") {
    int top = 0;
    for (const char* id : {"away", "link", "a-link"})
      place(id, {0, top, 100, top += 20});
  }
  // Each report as "kind element action href target".
  std::vector<std::string> described() {
    std::vector<std::string> out;
    for (const behavior_notify_notification& r : reports)
      out.push_back(std::to_string(r.kind) + " " + testing::name_of_element(r.element) + " " +
                    std::to_string(r.action) + " " + std::string(r.href.begin(), r.href.end()) +
                    " " + std::string(r.target.begin(), r.target.end()));
    return out;
  }
  void drag(const char* from, const char* to) {
    in.mouse_move(center(from), 0, 0);
    in.mouse_down(center(from), mouse::main_button, 0);
    in.mouse_move(center(to), mouse::main_button, 0);
    in.mouse_up(center(to), mouse::main_button, 0);
  }
};

TEST(HyperlinkTest, EnteringLeavingAndClickingIsReportedButNotAPressThatLeftIt) {
  window w;
  w.in.mouse_move(w.center("link"), 0, 0);
  w.in.mouse_move(w.center("away"), 0, 0);
  w.click("link");
  w.drag("link", "away");
  w.drag("away", "link");
  w.click("link", mouse::prop_button);
  EXPECT_THAT(w.log.clicks, ElementsAre("link 0"));
  const std::string link = " file:///app/res/next.htm _blank";
  EXPECT_THAT(w.described(), ElementsAre("2 link 1" + link, "2 link 2" + link, "2 link 1" + link,
                                         "2 link 3" + link, "2 link 2" + link, "2 link 1" + link));
  EXPECT_FALSE(w["link"].get_state() & state::current);
}

TEST(HyperlinkTest, SpaceOrEnterOnTheFocusedLinkActivatesItWithItsHrefCut) {
  window w;
  method_params click;
  click.method_id = method::click;
  EXPECT_TRUE(w["a-link"].call_behavior_method(click));  // only gives it the focus
  EXPECT_EQ(w.doc.focused(), w["a-link"]);
  for (uint32_t key : {vk::enter, vk::space, uint32_t('A')}) {
    w.in.key_down(key, 0);
    w.in.key_up(key, 0);
  }
  EXPECT_THAT(w.log.clicks, ElementsAre("a-link 1", "a-link 1"));
  EXPECT_THAT(w.described(),
              ElementsAre("2 a-link 3 http://example.org/x ", "2 a-link 3 http://example.org/x "));
  // Hrefs and targets are cut to 2048 characters.
  w.reports.clear();
  const std::string href = "http://example.org/" + std::string(3000, 'h');
  w["long"].set_attribute_utf8("href", href);
  w["long"].set_attribute("target", std::wstring(2100, L't'));
  w["long"].set_state(state::focus);
  w.in.key_up(vk::enter, 0);
  ASSERT_EQ(w.reports.size(), 1u);
  EXPECT_EQ(w.reports[0].href, std::wstring(href.begin(), href.begin() + 2048));
  EXPECT_EQ(w.reports[0].target, std::wstring(2048, L't'));
}

// A link to a place in a scrolling list, on the renderer's real layout.
TEST(HyperlinkTest, AnHrefToANameInThePageScrollsItToTheTopOfItsBox) {
  register_stock_behaviors();
  render::headless_host host(400, 300);
  int reports = 0;
  host.doc().set_notification_callback([&](notification& n) -> uint32_t {
    if (n.code == notification_code::attach_behavior)
      answer_attach_behavior(static_cast<attach_behavior_notification&>(n));
    reports += n.code == notification_code::behavior_notify;
    return 0;
  });
  std::string html =
      "<html><head><style>body { margin: 0; } #head { height: 30px; }"
      "#box { height: 200px; overflow: auto; } .row { height: 20px; }"
      ".go { behavior: hyperlink; }</style></head><body><div id=head>"
      "<span class=go id=to-row href='#r150'>row 150</span>"
      "<span class=go id=to-name href=\"#it's\">named</span>"
      "<span class=go id=to-nothing href='#nowhere'>nowhere</span></div><div id=box>";
  for (int i = 0; i < 200; ++i) {
    std::string n = std::to_string(i);
    html += "<div class=row id=r" + n + (i == 40 ? " name=\"it's\"" : "") + ">row " + n + "</div>";
  }
  host.load_html(html + "</div></body></html>");
  auto top_of = [&](const char* id) {
    dom::element e = host.doc().root().select_first(std::string("#") + id);
    return host.geometry().location(e).value_or(rect{-1, -1, -1, -1}).top;
  };
  const int box_top = top_of("box");
  for (auto [link, row] :
       {std::pair{"to-row", "r150"}, {"to-name", "r40"}, {"to-nothing", "r40"}}) {
    host.doc().root().select_first(std::string("#") + link).set_state(state::focus);
    host.in().key_up(vk::enter, 0);
    EXPECT_EQ(top_of(row), box_top) << link;
  }
  EXPECT_EQ(reports, 0);  // nothing of this goes to the host
}

}  // namespace
}  // namespace htmlayout
