// The window rules on Qt's offscreen platform (no X display: the copy keys
// are not watched there; the end-to-end tests cover them under Xvfb).
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <sstream>
#include <vector>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "shell/loop_errors.h"
#include "shell/test_application.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/page_size.h"

namespace pvl {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    data_ = new testing_support::temp_dir;
    tinyfilesystem::set_app_dir(L"DataDir", data_->wstr());
    fml::set_log_folder(data_->wstr());
    fml::reglog("app", L"application.log");
    fml::reglog("debug", L"debug.log");
  }
  static void TearDownTestSuite() {
    fml::close_logs();
    delete data_;
  }
  void SetUp() override {
    debug_seen_ = debug_lines().size();
    window_.set_tray_check([] { return true; });  // the offscreen platform has none
  }

  static std::vector<std::string> debug_lines() {
    std::istringstream in(testing_support::read_file(data_->path() / "debug.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The debug lines written since the last call (or the test's start).
  std::vector<std::string> new_debug_lines() {
    auto lines = debug_lines();
    std::vector<std::string> fresh(lines.begin() + debug_seen_, lines.end());
    debug_seen_ = lines.size();
    return fresh;
  }

  static testing_support::temp_dir* data_;
  size_t debug_seen_ = 0;
  main_window window_{[this](const std::string& text) { received_.push_back(text); }};
  std::vector<std::string> received_;
};

testing_support::temp_dir* MainWindowTest::data_ = nullptr;

using lines = std::vector<std::string>;

// Close, minimise, Show and another instance, each from the state the one
// before left, with the debug lines each writes (the end-to-end tests click
// the tray icon).
TEST_F(MainWindowTest, EachWayToHideOrShowTheWindowLeavesItAsTheUserExpects) {
  EXPECT_EQ(window_.windowTitle(), "Parvela");
  EXPECT_FALSE(window_.windowIcon().isNull());
  EXPECT_EQ(window_.minimumSize(), QSize(kMinimumPageWidth, kMinimumPageHeight));
  EXPECT_FALSE(window_.is_win_visible());
  const lines show{"[WndProc] ID_APP_SHOW", "[WndProc] show and restore"};
  auto minimise = [this] {
    window_.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
  };
  const struct {
    const char* name;
    std::function<void()> act;
    bool visible;
    lines logged;
  } steps[] = {
      {"start", [&] { window_.show_at_start(); }, true, {}},
      {"close", [&] { EXPECT_FALSE(window_.close()); }, false, {}},
      {"show", [&] { window_.show_command(); }, true, show},
      {"show when shown", [&] { window_.show_command(); }, true,
       {"[WndProc] ID_APP_SHOW", "[WndProc] is_win_visible"}},
      {"minimise", minimise, false, {}},
      {"show after minimise", [&] { window_.show_command(); }, true, show},
      {"minimise again", minimise, false, {}},
      {"another instance", [&] { window_.answer_other_instance(); }, true,
       {"[WndProc] UWM_PVL_ARE_YOU_ME"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    EXPECT_EQ(window_.isVisible(), step.visible);
    EXPECT_EQ(window_.is_win_visible(), step.visible);
    EXPECT_FALSE(step.visible && window_.isMinimized());
    EXPECT_EQ(new_debug_lines(), step.logged);
  }
  EXPECT_TRUE(window_.acceptDrops());
}

TEST_F(MainWindowTest, ExitEndsTheLoopWithZeroAndACommandsErrorIsRaisedAfterIt) {
  QTimer::singleShot(0, &window_, [this] { guarded([this] { window_.exit_command(); }); });
  EXPECT_EQ(run_main_window(window_), 0);
  EXPECT_EQ(new_debug_lines(), lines{"[WndProc] ID_APP_EXIT"});
  EXPECT_FALSE(window_.acceptDrops());
  // An error in a command leaves the loop and is raised again after it.
  QTimer::singleShot(0, &window_, [] { guarded([] { throw remove_hook_error("stuck"); }); });
  try {
    run_main_window(window_);
    FAIL() << "the error was lost";
  } catch (const remove_hook_error& error) {
    EXPECT_STREQ(error.what(), "stuck");
  }
  QPointer<QWidget> placeholder = window_.centralWidget();
  ASSERT_TRUE(placeholder);
  auto* client = new QLabel("engine");
  window_.set_client(client);
  EXPECT_EQ(window_.centralWidget(), client);
  EXPECT_TRUE(placeholder.isNull());
}

}  // namespace
}  // namespace pvl
