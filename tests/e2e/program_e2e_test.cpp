// The whole program end to end on a private Xvfb display, with real mouse events (xdotool), a
// real tray (trayer) and the collection file read back.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/x_session.h"

namespace {

using namespace testing_support;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_.path() / "data");
    std::filesystem::create_directories(root_.path() / "run");
    ::chmod((root_.path() / "run").c_str(), 0700);
  }

  std::map<std::string, std::string> env() const {
    return {{"XDG_DATA_HOME", (root_.path() / "data").string()},
            {"XDG_DATA_DIRS", (root_.path() / "common").string()},
            {"XDG_RUNTIME_DIR", (root_.path() / "run").string()},
            {"HOME", (root_.path() / "home").string()}};
  }

  child_process& start_program() {
    std::filesystem::remove(root_.path() / "data/Parvela/logs/application.log");  // a last run's
    child_process& program = x_.start(PARVELA_EXE, {}, env());
    EXPECT_TRUE(logs("application.log", "Init complete"));
    EXPECT_FALSE(x_.wait_for_window("^Parvela$").empty());
    return program;
  }

  std::string log(const char* name) const {
    return read_file(root_.path() / "data/Parvela/logs" / name);
  }
  bool logs(const char* name, const std::string& text) const {
    return wait_until([&] { return log(name).find(text) != std::string::npos; });
  }

  // The lines of an orderly end; `by_exit_command`: through the Exit command (tray menu, signal).
  void expect_shutdown_lines(bool by_exit_command = true) {
    std::string app = log("application.log");
    EXPECT_NE(app.find("RegisterDropWindow\nvupdate_tags\nvupdate_tags complete\n"
                       "vupdate_quotes\nvupdate_quotes complete\nInit complete\n"),
              std::string::npos) << app;
    EXPECT_TRUE(app.ends_with("Singleton: view - deleted.\nSingleton: ResourceMgr - deleted.\n"
                              "Singleton: controller - deleted.\nSingleton: model - deleted.\n"
                              "Application finished.\n")) << app;
    std::string debug = log("debug.log");
    EXPECT_EQ(debug.find("[WndProc] ID_APP_EXIT\n") != std::string::npos, by_exit_command) << debug;
    EXPECT_TRUE(debug.ends_with("Application finished\n" + std::string(61, '-') + "\n")) << debug;
  }

  void expect_orderly_end(child_process& program, int signal = SIGTERM) {
    if (signal) program.signal(signal);
    EXPECT_EQ(program.wait(), 0);
    expect_shutdown_lines();
  }

  struct box {
    int x = 0, y = 0, width = 0, height = 0;
  };

  box geometry_of(const std::string& window) const {
    box place;
    std::string shell = x_.xdotool({"getwindowgeometry", "--shell", window}).output;
    std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &place.x, &place.y,
                &place.width, &place.height);
    return place;
  }

  // True when one of the program's visible windows lies inside the tray's panel (2 pixels wide
  // when empty): the icon, whose place it gives.
  bool icon_in_tray(box* icon) const {
    auto panels = x_.windows("^panel$");
    box panel = panels.empty() ? box{} : geometry_of(panels[0]);
    if (panel.width < 16 || panel.height < 16) return false;
    auto windows = x_.xdotool({"search", "--onlyvisible", "--class", "^Parvela$"}).output;
    for (const auto& window : lines_of(windows)) {
      *icon = geometry_of(window);
      if (icon->width > 0 && icon->x >= panel.x && icon->y >= panel.y &&
          icon->x + icon->width <= panel.x + panel.width &&
          icon->y + icon->height <= panel.y + panel.height)
        return true;
    }
    return false;
  }

  child_process& start_tray_host() {
    return x_.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request",
                               "--height", "24"});
  }

  std::string query(const std::string& sql) {
    return x_.run({"sqlite3", (root_.path() / "data/Parvela/parvela.fdb").string(), sql}).output;
  }
  std::string count_quotes(const std::string& text) {
    return query("SELECT count(*) FROM quote WHERE m_utftext = '" + text + "'");
  }

  void click_in_window(int x, int y) {
    box window = geometry_of(x_.wait_for_window("^Parvela$"));
    x_.xdotool({"mousemove", std::to_string(window.x + x), std::to_string(window.y + y), "click", "1"});
  }

  void own_clipboard(const std::string& text) { x_.own_clipboard(root_.path() / "clip", text); }

  // Clicks the tray icon and returns once the program has logged the click. A click made while
  // the panel still moves the icon into place misses it; it is made again.
  void click_icon(const char* button) {
    const std::string clicked = "[WndProc] UWM_PVL_TRAY_CLICK: WM_";
    auto clicks = [&] {
      std::string debug = log("debug.log");
      size_t count = 0;
      for (size_t at = debug.find(clicked); at != std::string::npos; at = debug.find(clicked, at + 1))
        ++count;
      return count;
    };
    const size_t before = clicks();
    for (int attempt = 0; attempt < 3; ++attempt) {
      box icon;
      ASSERT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
      x_.xdotool({"mousemove", std::to_string(icon.x + icon.width / 2),
                  std::to_string(icon.y + icon.height / 2), "click", button});
      if (wait_until([&] { return clicks() > before; }, std::chrono::seconds(5))) return;
    }
    ADD_FAILURE() << "the tray icon never took the click";
  }

  temp_dir root_;
  x_session x_;
};

// First a failure to start, shown in a message box.
TEST_F(ProgramTest, AFailureToStartIsShownAndSignalsAndTheXServerGoingAwayEndTheProgramWithTheShutdownLines) {
  std::filesystem::create_directories(root_.path() / "data/Parvela/logs/debug.log");  // not a file
  auto with_box = env();
  with_box["PARVELA_NO_ERROR_BOX"] = "";
  child_process& failing = x_.start(PARVELA_EXE, {}, with_box);
  std::string box = x_.wait_for_window("^Parvela$");
  ASSERT_FALSE(box.empty());
  x_.xdotool({"windowfocus", "--sync", box, "key", "Return"});
  EXPECT_EQ(failing.wait(), 1);
  EXPECT_NE(log("application.log").find("Error: cannot_open_log "), std::string::npos);
  std::filesystem::remove(root_.path() / "data/Parvela/logs/debug.log");
  const auto socket = root_.path() / "run/parvela.sock";
  for (int number : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    expect_orderly_end(start_program(), number);
    EXPECT_FALSE(std::filesystem::exists(socket));
  }
  child_process& program = start_program();
  x_.kill_server();
  EXPECT_EQ(program.wait(), 1);
  expect_shutdown_lines(false);
  EXPECT_TRUE(logs("application.log", "Error: the connection to the X server was lost\n"));
  EXPECT_FALSE(std::filesystem::exists(socket));
  EXPECT_EQ(query("PRAGMA integrity_check"), "ok\n");
}

// Hidden to the tray, another program focused: a second start exits with 3; the first shows.
TEST_F(ProgramTest, TheTrayIconTogglesTheWindowItsMenuExitsAndASecondStartRaisesTheFirst) {
  child_process& tray = start_tray_host();
  child_process& program = start_program();
  box icon;
  ASSERT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
  click_icon("1");
  EXPECT_TRUE(wait_until([&] { return x_.windows("^Parvela$").empty(); }));
  x_.xdotool({"sleep", "0.7"});  // past the double-click interval
  click_icon("1");
  EXPECT_FALSE(x_.wait_for_window("^Parvela$").empty());
  click_icon("3");
  // The menu is open once it holds the keyboard grabbed.
  ASSERT_TRUE(wait_until([&] { return x_.run({CLIENT_EXE, "keyboard-grabbed"}).exit_code == 0; }));
  x_.xdotool({"key", "Down", "Down", "Down", "Return"});  // Show, Start with the desktop, Exit
  expect_orderly_end(program, 0);
  const std::string click = "[WndProc] UWM_PVL_TRAY_CLICK";
  EXPECT_NE(log("debug.log").find(click + "\n" + click + ": WM_LBUTTONUP\n" + click + "\n" + click +
                                  ": WM_LBUTTONUP\n" + click + "\n" + click + ": WM_RBUTTONUP\n"),
            std::string::npos) << log("debug.log");
  child_process& again = start_program();
  ASSERT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
  tray.stop();
  start_tray_host();
  EXPECT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));  // it joins the new tray
  std::string window = x_.windows("^Parvela$").at(0);
  ASSERT_TRUE(type_keys(x_, "hide " + window));
  x_.start(CLIENT_EXE, {"keys", (root_.path() / "keys.log").string()});
  x_.xdotool({"windowfocus", "--sync", x_.wait_for_window("^x-test-keys$")});
  EXPECT_EQ(x_.start(PARVELA_EXE, {}, env()).wait(), 3);
  ASSERT_FALSE(x_.wait_for_window("^Parvela$").empty());
  EXPECT_TRUE(wait_until([&] { return x_.xdotool({"getwindowfocus"}).output == window + "\n"; }));
  EXPECT_EQ(lines_of(log("debug.log")).back(), "[WndProc] UWM_PVL_ARE_YOU_ME");
  ASSERT_TRUE(type_keys(x_, "key ctrl+q"));
  expect_orderly_end(again, 0);
}

// The newest quote's text in the list, as the main form lays out the page.
constexpr int kFirstCardX = 400, kFirstCardY = 100;

// Without a tray, a close minimises the window and Ctrl+Q quits. Another program holds the write
// lock longer than the program waits: the quote is stored later.
TEST_F(ProgramTest, TheWindowStoresCopiesAndDropsCopiesBackDeletesShowsTheAboutBoxAndQuits) {
  child_process& program = start_program();
  SQLite::Database other((root_.path() / "data/Parvela/parvela.fdb").string(), SQLite::OPEN_READWRITE);
  other.exec("BEGIN IMMEDIATE");
  const std::string locked = "Captured «while» locked";
  own_clipboard(locked);
  ASSERT_TRUE(type_keys(x_, "key ctrl+c sleep 0.2 key ctrl+c"));
  EXPECT_TRUE(logs("model.log", "notice: A new quote could not be saved yet: the collection is busy"))
      << log("model.log");
  EXPECT_EQ(program.wait(std::chrono::milliseconds(0)), -1);  // still running
  other.exec("ROLLBACK");
  EXPECT_TRUE(wait_until([&] { return count_quotes(locked) == "1\n"; })) << log("model.log");
  EXPECT_TRUE(logs("model.log", "notice: The waiting quote was saved at "));

  const std::string text = "Stored by a double copy: «Zitat» 引用";
  const size_t controller_logged = log("controller.log").size();
  own_clipboard(text);
  ASSERT_TRUE(type_keys(x_, "sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c"));
  ASSERT_TRUE(wait_until([&] { return count_quotes(text) == "1\n"; })) << count_quotes(text);
  EXPECT_NE(log("controller.log").find("add_quote", controller_logged), std::string::npos)
      << log("controller.log");
  const std::string total = query("SELECT count(*) FROM quote");
  own_clipboard("something else");
  click_in_window(kFirstCardX, kFirstCardY);
  ASSERT_TRUE(type_keys(x_, "sleep 0.6 key ctrl+c"));  // a first press, not a double one
  EXPECT_TRUE(wait_until([&] { return x_.clipboard() == text + "\n\n"; })) << x_.clipboard();
  ASSERT_TRUE(type_keys(x_, "key Delete"));
  EXPECT_TRUE(wait_until([&] { return count_quotes(text) == "0\n"; }));
  EXPECT_EQ(std::stoi(query("SELECT count(*) FROM quote")), std::stoi(total) - 1);

  const std::string dropped = "Dropped «on» the window 😀";
  const std::string window = x_.windows("^Parvela$").at(0);
  x_.start(CLIENT_EXE, {"drag", "1000", "100", dropped});
  ASSERT_FALSE(x_.wait_for_window("^x-test-drag$").empty());
  const box place = geometry_of(window);
  const std::string tx = std::to_string(place.x + 450), ty = std::to_string(place.y + 300);
  x_.xdotool({"mousemove", "1100", "175", "mousedown", "1", "sleep", "0.05", "mousemove", "1120",
              "175", "sleep", "0.2", "mousemove", tx, ty, "sleep", "0.1", "mousemove", tx, ty,
              "sleep", "0.2", "mouseup", "1"});
  EXPECT_TRUE(wait_until([&] { return count_quotes(dropped) == "1\n"; }));
  click_in_window(173, 27);  // "About" in the tag pane's head, left of the settings button
  std::string about = x_.wait_for_window("^About Parvela$");
  ASSERT_FALSE(about.empty());
  EXPECT_EQ(geometry_of(about).width, 256);
  EXPECT_EQ(geometry_of(about).height, 475);
  x_.xdotool({"windowfocus", "--sync", about, "key", "Return"});
  EXPECT_TRUE(wait_until([&] { return x_.windows("^About Parvela$").empty(); }));

  ASSERT_TRUE(type_keys(x_, "close " + window));
  ASSERT_TRUE(logs("debug.log", "[WndProc] WM_CLOSE: no tray, minimised\n"));
  EXPECT_EQ(x_.windows("^Parvela$"), std::vector<std::string>{window});  // not hidden
  x_.xdotool({"windowfocus", "--sync", window});
  ASSERT_TRUE(type_keys(x_, "key ctrl+q"));
  expect_orderly_end(program, 0);
  EXPECT_EQ(count_quotes(text), "0\n");
}

}  // namespace
