// The window rules on Qt's offscreen platform (no X display: the copy keys
// are not watched there; the end-to-end tests cover them under Xvfb).
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTimer>
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
    window_.set_tray_check([this] { return tray_; });
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
  bool tray_ = true;  // the offscreen platform has none: the tests say
};

testing_support::temp_dir* MainWindowTest::data_ = nullptr;

using lines = std::vector<std::string>;

TEST_F(MainWindowTest, IsTitledParvelaAndTakesDrops) {
  EXPECT_EQ(window_.windowTitle(), "Parvela");
  EXPECT_TRUE(window_.acceptDrops());
  EXPECT_FALSE(window_.windowIcon().isNull());
  EXPECT_EQ(window_.minimumSize(), QSize(kMinimumPageWidth, kMinimumPageHeight));
  EXPECT_FALSE(window_.is_win_visible());
  window_.show_at_start();
  EXPECT_TRUE(window_.isVisible());
  EXPECT_TRUE(window_.is_win_visible());
}

TEST_F(MainWindowTest, ClosingHidesTheWindowAndChangesNothingElse) {
  window_.show_at_start();
  EXPECT_FALSE(window_.close());  // refused
  EXPECT_FALSE(window_.isVisible());
  EXPECT_FALSE(window_.is_win_visible());
  EXPECT_TRUE(window_.acceptDrops());
  EXPECT_EQ(new_debug_lines(), lines{});
}

TEST_F(MainWindowTest, WithoutATrayTheWindowStaysInTheTaskbarUntilATrayComes) {
  std::vector<bool> changes;
  tray_ = false;
  window_.on_tray_change([&](bool tray) { changes.push_back(tray); });
  window_.show_at_start();
  EXPECT_FALSE(window_.close());
  EXPECT_TRUE(window_.isVisible());
  EXPECT_TRUE(window_.isMinimized());
  EXPECT_TRUE(window_.is_win_visible());
  EXPECT_EQ(new_debug_lines(), lines{"[WndProc] WM_CLOSE: no tray, minimised"});
  window_.answer_other_instance();
  window_.setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window_.isVisible());
  // A tray appears: the next close hides, and the page hears of it.
  tray_ = true;
  QTimer::singleShot(1100, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  EXPECT_EQ(changes, (std::vector<bool>{false, true}));
  window_.show_command();
  window_.close();
  EXPECT_FALSE(window_.isVisible());
}

TEST_F(MainWindowTest, MinimisingHidesAndShowRestores) {
  window_.show_at_start();
  window_.setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_FALSE(window_.is_win_visible());

  window_.show_command();
  EXPECT_EQ(new_debug_lines(), (lines{"[WndProc] ID_APP_SHOW", "[WndProc] show and restore"}));
  EXPECT_TRUE(window_.isVisible());
  EXPECT_FALSE(window_.isMinimized());
  EXPECT_TRUE(window_.is_win_visible());
}

TEST_F(MainWindowTest, ShowOnAShownWindowOnlyLogs) {
  window_.show_at_start();
  window_.show_command();
  EXPECT_EQ(new_debug_lines(), (lines{"[WndProc] ID_APP_SHOW", "[WndProc] is_win_visible"}));
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, ALeftClickOnTheTrayIconToggles) {
  window_.show_at_start();
  const lines click{"[WndProc] UWM_PVL_TRAY_CLICK", "[WndProc] UWM_PVL_TRAY_CLICK: WM_LBUTTONUP"};
  window_.tray_left_click();
  EXPECT_EQ(new_debug_lines(), click);
  EXPECT_FALSE(window_.isVisible());
  EXPECT_FALSE(window_.is_win_visible());
  window_.tray_left_click();
  EXPECT_EQ(new_debug_lines(), click);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_TRUE(window_.is_win_visible());
  // After a close the flag follows too: the next click shows.
  window_.close();
  window_.tray_left_click();
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, ARightClickOnlyLogs) {
  window_.show_at_start();
  window_.tray_right_click();
  EXPECT_EQ(new_debug_lines(),
            (lines{"[WndProc] UWM_PVL_TRAY_CLICK", "[WndProc] UWM_PVL_TRAY_CLICK: WM_RBUTTONUP"}));
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, AnotherInstanceShowsAndRestoresTheWindow) {
  window_.show_at_start();
  window_.setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  window_.answer_other_instance();
  EXPECT_EQ(new_debug_lines(), lines{"[WndProc] UWM_PVL_ARE_YOU_ME"});
  EXPECT_TRUE(window_.isVisible());
  EXPECT_FALSE(window_.isMinimized());
  EXPECT_TRUE(window_.is_win_visible());
  // Shown already: it stays shown.
  window_.answer_other_instance();
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, ExitEndsTheLoopWithZeroAndRevokesTheDropTarget) {
  QTimer::singleShot(0, &window_, [this] { guarded([this] { window_.exit_command(); }); });
  EXPECT_EQ(run_main_window(window_), 0);
  EXPECT_EQ(new_debug_lines(), lines{"[WndProc] ID_APP_EXIT"});
  EXPECT_FALSE(window_.acceptDrops());
}

TEST_F(MainWindowTest, AnErrorInACommandLeavesTheLoopAndIsRethrown) {
  QTimer::singleShot(0, &window_, [] { guarded([] { throw remove_hook_error("stuck"); }); });
  try {
    run_main_window(window_);
    FAIL() << "the error was lost";
  } catch (const remove_hook_error& error) {
    EXPECT_STREQ(error.what(), "stuck");
  }
}

TEST_F(MainWindowTest, AClientReplacesThePlaceholder) {
  QPointer<QWidget> placeholder = window_.centralWidget();
  ASSERT_TRUE(placeholder);
  auto* client = new QLabel("engine");
  window_.set_client(client);
  EXPECT_EQ(window_.centralWidget(), client);
  EXPECT_TRUE(placeholder.isNull());
}

}  // namespace
}  // namespace pvl
