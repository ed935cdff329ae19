#include "htmlayout/behaviors/dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/program_resources.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using testing::test_window;

// Runs dialogs in a headless window: the page is loaded as the Qt runner
// loads it, then `script_` plays the user. The answer is the code the dialog
// ended with, or -1 when it did not end.
class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    set_dialog_runner([this](dialog& d, std::string_view html) {
      test_window w;
      int code = -1;
      w.doc.set_notification_callback([&](notification& n) { return d.handle_notification(n); });
      d.begin_run(w.doc, [&](int c) { code = c; });
      w.doc.load_html(html);
      w.doc.root().attach_event_handler(element_proc, &d, d.subscribed_to);
      if (script_) script_(w);
      d.end_run();
      return code;
    });
  }
  ~DialogTest() override {
    set_dialog_runner({});
    set_url_opener({});
  }
  // Holds `html` as resource `id` of type 23 and shows it.
  int show(uint32_t id, const std::string& html) {
    pages_.push_back(html);
    add_program_resource("23", std::to_string(id), pages_.back());
    return d_.show(id);
  }
  static void click(test_window& w, const char* selector) {
    method_params params{method::click};
    w.doc.root().select_first(selector).call_behavior_method(params);
  }
  dialog d_;
  std::function<void(test_window&)> script_;
  std::vector<std::string> pages_;  // resources keep pointing into these
};

TEST_F(DialogTest, ButtonNamesAndTheEnterAndEscapeRolesEndTheDialog) {
  const std::string page =
      "<button id=lower name=ok>a</button><button id=mixed name=Ok>b</button>"
      "<button id=abort name=ABORT>c</button><button id=abort-blank name='abort '>d</button>"
      "<button id=retry name=retry>e</button><button id=help name=HELP>f</button>"
      "<button id=plain>g</button>";
  // Names ignore case but not their blanks; other names leave the click to
  // the page and the dialog goes on.
  for (auto [id, code] : {std::pair{"#lower", int(dialog_result::ok)}, {"#mixed", dialog_result::ok},
           {"#abort-blank", dialog_result::abort}, {"#help", dialog_result::help}, {"#abort", -1},
           {"#retry", -1}, {"#plain", -1}}) {
    script_ = [&](test_window& w) { click(w, id); };
    EXPECT_EQ(show(201, page), code) << id;
  }
  const std::string roles =
      "<button name=cancel role=cancel-button>x</button><button name=yes "
      "role=default-button>y</button>";
  script_ = [](test_window& w) { w.in.key_down(vk::enter, 0); };
  EXPECT_EQ(show(202, roles), dialog_result::yes);
  EXPECT_EQ(show(204, "<button name=ok>ok</button><p id=text>text</p>"), -1);  // no default
  script_ = [](test_window& w) { w.in.key_down(vk::escape, 0); };
  EXPECT_EQ(show(203, roles), dialog_result::cancel);
  // Nothing shows without a page, with an empty one or without a runner.
  EXPECT_EQ(d_.show(9999), 0);
  EXPECT_EQ(show(208, ""), 0);
  set_dialog_runner({});
  EXPECT_EQ(show(209, "<button name=ok>ok</button>"), 0);
  EXPECT_FALSE(d_.end(dialog_result::ok));  // not running
}

TEST_F(DialogTest, ValuesFillTheControlsAndComeBackOnOkButNotOnNo) {
  const std::string page =
      "<div><input type=radio name=size id=s0><input type=radio name=size id=s1>"
      "<input type=radio name=size id=s2></div><input type=checkbox name=wrap id=wrap checked>"
      "<input type=text name=title id=title value=old><textarea name=notes id=notes>n</textarea>"
      "<button name=ok id=ok>OK</button><button name=no id=no>No</button>";
  dialog_values values{{L"size", 2}, {L"wrap", false}, {L"title", std::wstring(L"new")},
                       {L"notes", std::wstring(L"written")}};
  d_.values = &values;
  std::string seen;
  script_ = [&](test_window& w) {
    for (const char* id : {"s0", "s1", "s2", "wrap"})
      seen += w[id].get_state() & state::checked ? "on " : "off ";
    seen += w["title"].get_attribute_utf8("value").value_or("?") + " " + w["notes"].html(false);
    click(w, "#s0");  // the user changes a few
    click(w, "#wrap");
    w["title"].set_attribute("value", L"typed");
    click(w, "#ok");
  };
  EXPECT_EQ(show(205, page), dialog_result::ok);
  EXPECT_EQ(seen, "off off on off new written");
  EXPECT_EQ(values, (dialog_values{{L"size", 0}, {L"wrap", true}, {L"title", std::wstring(L"typed")},
                                   {L"notes", std::wstring(L"written")}, {L"ok", std::wstring(L"OK")},
                                   {L"no", std::wstring(L"No")}}));
  values = {{L"size", 1}};
  script_ = [&](test_window& w) {
    click(w, "#s2");
    click(w, "#no");
  };
  EXPECT_EQ(show(205, page), dialog_result::no);
  EXPECT_EQ(values, (dialog_values{{L"size", 1}}));
}

TEST_F(DialogTest, PagesFindTheProgramsResourcesBehavioursAndLinks) {
  struct marker : behavior {
    marker() : behavior(group::mouse, "test-dialog-marker") {}
    std::vector<std::wstring> attached_to;
    void attached(const dom::element& he) override { attached_to.push_back(he.text()); }
  } marked;
  const std::string css = ".mark { behavior: test-dialog-marker }";
  add_program_resource("CSS", "dialogstyle", css);
  std::vector<std::string> sheets;
  script_ = [&](test_window& w) {
    for (const document::style_sheet& s : w.doc.style_sheets()) sheets.push_back(s.text);
  };
  show(206, "<link rel=stylesheet href='dialogstyle.css'><p class=mark>marked</p>");
  EXPECT_EQ(sheets, std::vector<std::string>{css});
  EXPECT_EQ(marked.attached_to, std::vector<std::wstring>{L"marked"});
  // Links open with the desktop and the click goes on.
  std::vector<std::wstring> opened;
  set_url_opener([&](const std::wstring& url) { opened.push_back(url); });
  script_ = [&](test_window& w) { click(w, "#link"); };
  EXPECT_EQ(show(207, "<a id=link href='https://example.org/'>site</a>"), -1);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.org/"});
}

}  // namespace
}  // namespace htmlayout
