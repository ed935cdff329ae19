// The about box without a window: the page compiled into the program, its
// images from the resource store and its OK button, run by a headless
// dialog runner.
#include "view/about_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "htmlayout/dom/document_observer.h"
#include "htmlayout/testing/test_window.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::write_file;

struct arrivals : htmlayout::document_observer {
  std::vector<std::string> uris;
  void data_arrived(std::string_view uri, std::string_view data) override {
    uris.push_back(std::string(uri) + " " + std::to_string(data.size()));
  }
};

class AboutDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(data_.path() / "logs");
    std::filesystem::create_directories(res_.path());
    tinyfilesystem::set_app_dir(L"DataDir", data_.wstr());
    fml::set_log_folder(data_.wstr());
    fml::reglog("debug", L"logs/debug.log");
    write_file(res_.path() / "about.png", "PNGBYTES");
    resources_ = std::make_unique<ResourceMgr>(res_.wstr());
  }
  void TearDown() override {
    htmlayout::set_dialog_runner({});
    resources_.reset();
    fml::close_logs();
    tinyfilesystem::set_app_dir(L"DataDir", L"");
  }

  // Runs the box headless: loads the page, asks for `image` as the renderer
  // would, then clicks `button` (when given).
  int run(const std::string& image, const char* button) {
    htmlayout::set_dialog_runner([&](htmlayout::dialog& d, std::string_view html) {
      page_ = std::string(html);
      htmlayout::testing::test_window w;
      arrivals arrived;
      w.doc.add_observer(&arrived);
      int code = -1;
      w.doc.set_notification_callback(
          [&](htmlayout::notification& n) { return d.handle_notification(n); });
      d.begin_run(w.doc, [&](int c) { code = c; });
      struct ends {
        htmlayout::dialog& d;
        htmlayout::document& doc;
        htmlayout::document_observer* o;
        ~ends() {
          d.end_run();
          doc.remove_observer(o);
        }
      } ended{d, w.doc, &arrived};
      w.doc.load_html(html);
      w.doc.root().attach_event_handler(htmlayout::element_proc, &d, d.subscribed_to);
      w.doc.request_data(image, htmlayout::resource_type::image, w.doc.root());
      arrived_ = arrived.uris;
      if (button) {
        htmlayout::method_params click;
        click.method_id = htmlayout::method::click;
        w.doc.root().select_first(button).call_behavior_method(click);
      }
      return code;
    });
    AboutDlg about(nullptr, *resources_);
    return about.show();
  }

  temp_dir data_, res_;
  std::unique_ptr<ResourceMgr> resources_;
  std::string page_;
  std::vector<std::string> arrived_;
};

TEST_F(AboutDlgTest, ShowsThePageBuiltIntoTheProgramUntilItsOkButton) {
  EXPECT_EQ(run("about.png", "#IDOK"), htmlayout::dialog_result::ok);
  EXPECT_EQ(page_, read_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "view" / "about.htm"));
  EXPECT_EQ(arrived_, std::vector<std::string>{"about.png 8"});
  EXPECT_EQ(run("about.png", "#IDCANCEL"), htmlayout::dialog_result::close);
}

TEST_F(AboutDlgTest, AFileTheStoreLacksIsAnError) {
  EXPECT_THROW(run("missing.png", nullptr), resource_not_found_error);
  // Without a window system nothing shows.
  htmlayout::set_dialog_runner({});
  AboutDlg about(nullptr, *resources_);
  EXPECT_EQ(about.show(), 0);
}

}  // namespace
}  // namespace pvl
