#include "htmlayout/behaviors/dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/program_resources.h"
#include "htmlayout/testing/test_window.h"

namespace htmlayout {
namespace {

using testing::test_window;

// Runs dialogs in a headless window: the page is loaded as the Qt runner
// loads it, then `script` plays the user. The answer is the code the dialog
// ended with, or -1 when it did not end.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_dialog_runner([this](dialog& d, std::string_view html) {
      test_window w;
      int code = -1;
      w.doc.set_notification_callback([&](notification& n) { return d.handle_notification(n); });
      d.begin_run(w.doc, [&](int c) { code = c; });
      w.doc.load_html(html);
      w.doc.root().attach_event_handler(element_proc, &d, d.subscribed_to);
      ++runs_;
      if (script_) script_(w);
      d.end_run();
      return code;
    });
  }
  void TearDown() override {
    set_dialog_runner({});
    set_url_opener({});
  }

  // Holds `html` as resource `id` of type 23 and shows it.
  int show(uint32_t id, const std::string& html, dialog& d) {
    pages_.push_back(html);
    add_program_resource("23", std::to_string(id), pages_.back());
    return d.show(id);
  }

  static void click(test_window& w, const char* selector) {
    method_params params;
    params.method_id = method::click;
    w.doc.root().select_first(selector).call_behavior_method(params);
  }

  std::function<void(test_window&)> script_;
  int runs_ = 0;
  std::vector<std::string> pages_;  // resources keep pointing into these
};

TEST_F(DialogTest, ButtonNamesEndTheDialogIgnoringCaseButNotTheirBlanks) {
  const std::string page =
      "<button id=lower name=ok>a</button><button id=mixed name=Ok>b</button>"
      "<button id=abort name=ABORT>c</button><button id=abort-blank name='abort '>d</button>"
      "<button id=retry name=retry>e</button><button id=help name=HELP>f</button>"
      "<button id=plain>g</button>";
  dialog d;
  for (const char* id : {"#lower", "#mixed"}) {
    script_ = [&](test_window& w) { click(w, id); };
    EXPECT_EQ(show(201, page, d), dialog_result::ok) << id;
  }
  script_ = [&](test_window& w) { click(w, "#abort-blank"); };
  EXPECT_EQ(show(201, page, d), dialog_result::abort);
  script_ = [&](test_window& w) { click(w, "#help"); };
  EXPECT_EQ(show(201, page, d), dialog_result::help);
  // Not one of the names: the click is left to the page, the dialog goes on.
  for (const char* id : {"#abort", "#retry", "#plain"}) {
    script_ = [&](test_window& w) { click(w, id); };
    EXPECT_EQ(show(201, page, d), -1) << id;
  }
}

TEST_F(DialogTest, EnterAndEscapeClickTheButtonsOfTheirRoles) {
  dialog d;
  script_ = [](test_window& w) { w.in.key_down(vk::enter, 0); };
  EXPECT_EQ(show(202,
                 "<button name=cancel role=cancel-button>x</button>"
                 "<button name=yes role=default-button>y</button>",
                 d),
            dialog_result::yes);
  script_ = [](test_window& w) { w.in.key_down(vk::escape, 0); };
  EXPECT_EQ(show(203,
                 "<button name=cancel role=cancel-button>x</button>"
                 "<button name=yes role=default-button>y</button>",
                 d),
            dialog_result::cancel);
  // Without a default button Enter does nothing.
  script_ = [](test_window& w) {
    w.in.key_down(vk::enter, 0);
    w.in.key_up(vk::enter, 0);
  };
  EXPECT_EQ(show(204, "<button name=ok>ok</button><p id=text>text</p>", d), -1);
}

TEST_F(DialogTest, ValuesFillTheControlsAndComeBackOnOkRetryAndYes) {
  const std::string page =
      "<div><input type=radio name=size id=s0><input type=radio name=size id=s1>"
      "<input type=radio name=size id=s2></div>"
      "<input type=checkbox name=wrap id=wrap checked>"
      "<input type=text name=title id=title value=old>"
      "<textarea name=notes id=notes>n</textarea>"
      "<button name=ok id=ok>OK</button><button name=no id=no>No</button>"
      "<button name=retry id=retry>R</button>";
  dialog_values values{{L"size", 2},
                       {L"wrap", false},
                       {L"title", std::wstring(L"new")},
                       {L"notes", std::wstring(L"written")}};
  dialog d;
  d.values = &values;
  std::vector<std::string> seen;
  script_ = [&](test_window& w) {
    for (const char* id : {"#s0", "#s1", "#s2", "#wrap"})
      seen.push_back(w[id + 1].get_state() & state::checked ? "on" : "off");
    seen.push_back(w["title"].get_attribute_utf8("value").value_or("?"));
    seen.push_back(w["notes"].html(false));
    // The user changes a few.
    click(w, "#s0");
    click(w, "#wrap");
    w["title"].set_attribute("value", L"typed");
    click(w, "#ok");
  };
  EXPECT_EQ(show(205, page, d), dialog_result::ok);
  EXPECT_EQ(seen, (std::vector<std::string>{"off", "off", "on", "off", "new", "written"}));
  EXPECT_EQ(std::get<int>(values.at(L"size")), 0);
  EXPECT_EQ(std::get<bool>(values.at(L"wrap")), true);
  EXPECT_EQ(std::get<std::wstring>(values.at(L"title")), L"typed");
  EXPECT_EQ(std::get<std::wstring>(values.at(L"notes")), L"written");

  // No: the map stays as the dialog left it.
  values = {{L"size", 1}};
  script_ = [&](test_window& w) {
    click(w, "#s2");
    click(w, "#no");
  };
  EXPECT_EQ(show(205, page, d), dialog_result::no);
  EXPECT_EQ(values.size(), 1u);
  EXPECT_EQ(std::get<int>(values.at(L"size")), 1);
}

TEST_F(DialogTest, PagesFindTheProgramsResourcesAndBehaviours) {
  // A behaviour that remembers the text of the style sheet's element.
  struct marker : behavior {
    marker() : behavior(group::mouse, "test-dialog-marker") {}
    std::vector<std::wstring> attached_to;
    void attached(const dom::element& he) override { attached_to.push_back(he.text()); }
  } marked;
  const std::string css = ".mark { behavior: test-dialog-marker }";
  add_program_resource("CSS", "dialogstyle", css);
  dialog d;
  std::vector<std::string> sheets;
  script_ = [&](test_window& w) {
    for (const document::style_sheet& s : w.doc.style_sheets()) sheets.push_back(s.text);
  };
  show(206, "<link rel=stylesheet href='dialogstyle.css'><p class=mark>marked</p>", d);
  EXPECT_EQ(sheets, std::vector<std::string>{css});
  EXPECT_EQ(marked.attached_to, std::vector<std::wstring>{L"marked"});

  // Links open with the desktop and the click goes on.
  std::vector<std::wstring> opened;
  set_url_opener([&](const std::wstring& url) { opened.push_back(url); });
  script_ = [&](test_window& w) { click(w, "#link"); };
  EXPECT_EQ(show(207, "<a id=link href='https://example.org/'>site</a>", d), -1);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.org/"});
}

TEST_F(DialogTest, NothingShowsWithoutAPageOrARunner) {
  dialog d;
  EXPECT_EQ(d.show(9999), 0);
  add_program_resource("23", "208", "");
  EXPECT_EQ(d.show(208), 0);
  EXPECT_EQ(runs_, 0);
  set_dialog_runner({});
  EXPECT_EQ(show(209, "<button name=ok>ok</button>", d), 0);
  EXPECT_FALSE(d.end(dialog_result::ok));  // not running
}

TEST(ProgramResourcesTest, TypesAndNamesIgnoreCase) {
  add_program_resource("png", "Logo", "bytes");
  EXPECT_EQ(find_program_resource("PNG", "logo"), "bytes");
  EXPECT_FALSE(find_program_resource("gif", "logo"));
  add_program_resource("PNG", "LOGO", "other");
  EXPECT_EQ(find_program_resource("png", "logo"), "other");
}

}  // namespace
}  // namespace htmlayout
