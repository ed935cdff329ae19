// The desktop side end to end, on a private Xvfb display with real key
// events (XTEST, from the test client), real mouse events (xdotool), a real
// clipboard (xclip and other programs as owners), real drags between
// programs and a real tray (trayer).
//
// Captures are observed through desktop_harness, which builds the main
// window exactly as the program does and records each text it would hand
// on. The program itself is run for what belongs to the whole process:
// single instance, the tray menu's Exit and SIGTERM.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/x_session.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing_support::child_process;
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::wait_until;
using testing_support::write_file;
using testing_support::x_session;

std::vector<std::string> lines_of(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t count_lines(const std::string& text, const std::string& line) {
  size_t count = 0;
  for (const auto& each : lines_of(text)) count += each == line;
  return count;
}

// Types `sequence` ("key ctrl+c sleep 0.2 key ctrl+c", as xdotool takes
// it) on the display; true when every key was sent. The gaps between keys
// hold within a few milliseconds even on a busy machine, where xdotool's
// round trips to the server between two keys can add hundreds.
bool type_keys(const x_session& x, const std::string& sequence) {
  std::vector<std::string> args{CLIENT_EXE, "type"};
  std::istringstream words(sequence);
  for (std::string word; words >> word;) args.push_back(word);
  return x.run(args).exit_code == 0;
}

class DesktopTest : public ::testing::Test {
 protected:
  // Starts the harness and waits until its event loop runs.
  void start_harness(const std::vector<std::string>& more_args = {}) {
    std::vector<std::string> args{dir_.str()};
    args.insert(args.end(), more_args.begin(), more_args.end());
    harness_ = &x_.start(HARNESS_EXE, args);
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(dir_.path() / "ready"); }))
        << read_file(dir_.path() / "harness.log");
  }

  // The texts the harness captured or received, in order.
  std::vector<std::string> captures() const {
    std::string content = read_file(dir_.path() / "captured");
    std::vector<std::string> texts;
    size_t at = 0;
    while (at < content.size()) {
      size_t end = content.find('\n', at);
      if (end == std::string::npos) break;
      size_t length = std::stoul(content.substr(at, end - at));
      if (end + 1 + length + 1 > content.size()) break;  // still being written
      texts.push_back(content.substr(end + 1, length));
      at = end + 1 + length + 1;
    }
    return texts;
  }

  bool captured_count_is(size_t count) const {
    return wait_until([&] { return captures().size() >= count; }) && captures().size() == count;
  }

  std::string log(const char* name) const { return read_file(dir_.path() / name); }

  // Makes a new xclip process the clipboard's owner, offering `content` as
  // `target`, and waits until it answers.
  child_process& own_clipboard(const std::string& content,
                               const std::string& target = "UTF8_STRING") {
    auto file = dir_.path() / ("clip" + std::to_string(++clips_));
    write_file(file, content);
    child_process& xclip =
        x_.start("xclip", {"-quiet", "-selection", "clipboard", "-t", target, "-i", file.string()});
    EXPECT_TRUE(wait_until([&] {
      auto offered = x_.run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, 2s);
      return offered.output.find(target) != std::string::npos;
    }));
    return xclip;
  }

  void keys(const std::string& sequence) { ASSERT_TRUE(type_keys(x_, sequence)) << sequence; }

  // A key-logging window that has the keyboard focus, optionally copying
  // "<text> #N" to the clipboard a while after each Ctrl+C it gets.
  std::string start_focused_key_window(int copy_delay_ms = -1, const std::string& copy_text = "") {
    std::vector<std::string> args{"keys", (dir_.path() / "keys.log").string()};
    if (copy_delay_ms >= 0) args.insert(args.end(), {std::to_string(copy_delay_ms), copy_text});
    x_.start(CLIENT_EXE, args);
    std::string id;
    EXPECT_TRUE(wait_until([&] {
      auto ids = x_.windows("^x-test-keys$", true);
      if (!ids.empty()) id = ids[0];
      return !ids.empty();
    }));
    x_.xdotool({"windowfocus", "--sync", id});
    return id;
  }

  // A double press with a fresh text on the clipboard, to be sure that
  // everything before it has been handled: returns the captures before it.
  // It comes more than 500 ms after any earlier press, so that the pair
  // captures exactly once.
  std::vector<std::string> captures_before_a_known_one() {
    size_t before = captures().size();
    own_clipboard("known text");
    keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c");
    EXPECT_TRUE(wait_until([&] { return captures().size() > before; }));
    auto texts = captures();
    EXPECT_EQ(texts.back(), "known text");
    texts.pop_back();
    return texts;
  }

  temp_dir dir_;
  x_session x_;
  child_process* harness_ = nullptr;
  int clips_ = 0;
};

TEST_F(DesktopTest, TwoCopyPressesWithinHalfASecondCaptureTheClipboardOnce) {
  start_harness();
  own_clipboard("Grüße, «quote» 引用 😀\nsecond line");
  keys("key ctrl+c sleep 0.25 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "Grüße, «quote» 引用 😀\nsecond line");
  EXPECT_EQ(captures_before_a_known_one().size(), 1u);
  harness_->signal(SIGTERM);
  EXPECT_EQ(harness_->wait(), 0);
  EXPECT_EQ(log("harness.log"), "loop ended: 0\n");
  EXPECT_EQ(lines_of(log("debug.log")), std::vector<std::string>{"[WndProc] ID_APP_EXIT"});
}

TEST_F(DesktopTest, OneCopyPressOrTwoFarApartCaptureNothing) {
  start_harness();
  own_clipboard("not to be taken");
  keys("key ctrl+c");
  keys("sleep 0.8 key ctrl+c sleep 0.7 key ctrl+c");
  keys("sleep 0.6 key ctrl+Insert sleep 0.7 key ctrl+Insert");
  keys("sleep 0.6 key c sleep 0.2 key c");  // no Ctrl on the second press
  std::this_thread::sleep_for(700ms);
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
}

TEST_F(DesktopTest, InsertAndCShareTheRememberedPress) {
  start_harness();
  own_clipboard("shared");
  keys("key ctrl+Insert sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  keys("sleep 0.7 key ctrl+c sleep 0.2 key ctrl+Insert");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(captures(), (std::vector<std::string>{"shared", "shared"}));
}

TEST_F(DesktopTest, TypingCNeverTurnsTheNextCopyIntoACapture) {
  start_harness();
  own_clipboard("nobody chose this");
  start_focused_key_window();
  keys("key c sleep 0.1 key ctrl+c");
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
  // The copy reached the program straight from the keyboard; of the known
  // pair only its first press did.
  ASSERT_TRUE(wait_until([&] { return lines_of(log("keys.log")).size() >= 3; }));
  EXPECT_EQ(lines_of(log("keys.log")),
            (std::vector<std::string>{"press c ctrl=0", "press c ctrl=1", "press c ctrl=1"}));
}

TEST_F(DesktopTest, AThirdPressWithinHalfASecondOfTheFirstCapturesAgain) {
  start_harness();
  own_clipboard("thrice");
  keys("key ctrl+c sleep 0.15 key ctrl+c sleep 0.15 key ctrl+c");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(captures_before_a_known_one().size(), 2u);
}

TEST_F(DesktopTest, AClipboardWithoutTextCapturesNothing) {
  start_harness();
  // A program that offers only an image.
  x_.start(CLIENT_EXE, {"own-image"});
  ASSERT_TRUE(wait_until([&] {
    auto offered = x_.run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, 2s);
    return offered.output.find("image/png") != std::string::npos;
  }));
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  // One that answers every request with its image, whatever was asked.
  own_clipboard(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0'), "image/png");
  keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c");
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
  EXPECT_EQ(count_lines(log("application.log"), "OpenClipboard error, sleep"), 0u);
}

TEST_F(DesktopTest, ALargeNonAsciiTextIsCapturedWhole) {
  start_harness();
  std::string text;
  for (int line = 0; text.size() < 2'000'000; ++line) {
    text += std::to_string(line) + ": Zitat «Grüße» цитата 引用文 😀 — ";
    text += line % 7 ? "\n" : "\t";
  }
  own_clipboard(text);
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0].size(), text.size());
  EXPECT_TRUE(captures()[0] == text);
}

TEST_F(DesktopTest, ALargeTextSentSlowlyInPiecesIsCapturedWhole) {
  start_harness();
  std::string text;
  while (text.size() < 400'000) text += "Stück für Stück «Grüße» 引用 😀\n";
  write_file(dir_.path() / "slow", text);
  // Each piece comes 200 ms after it is asked for, as from a busy program.
  x_.start(CLIENT_EXE, {"own-text-slowly", (dir_.path() / "slow").string(), "200"});
  ASSERT_TRUE(wait_until([&] {
    auto offered = x_.run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, 2s);
    return offered.output.find("UTF8_STRING") != std::string::npos;
  }));
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0].size(), text.size());
  EXPECT_TRUE(captures()[0] == text);
  EXPECT_EQ(count_lines(log("application.log"), "OpenClipboard error, sleep"), 0u);
}

TEST_F(DesktopTest, TheSecondPressNeverReachesTheFocusedProgram) {
  start_harness();
  own_clipboard("swallowed");
  start_focused_key_window();
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  // Later keys reach it as usual: the keyboard is not held.
  keys("sleep 0.7 key ctrl+c sleep 0.1 key a");
  ASSERT_TRUE(wait_until([&] { return log("keys.log").find("press a") != std::string::npos; }));
  EXPECT_EQ(lines_of(log("keys.log")),
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1", "press a ctrl=0"}));
}

TEST_F(DesktopTest, APressTheGrabCaughtTooLateToCaptureIsPassedOnAndCountsAsAFirstPress) {
  start_harness();
  own_clipboard("taken after the late press");
  start_focused_key_window();
  keys("key ctrl+c");
  // The program stalls while its grab is on. The next press comes after the
  // 500 ms, so it does not capture, but the grab is still there to catch it;
  // the one after comes within 500 ms of it and captures. The program judges
  // both by their server times once it runs again.
  std::this_thread::sleep_for(200ms);
  harness_->signal(SIGSTOP);
  keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c");
  std::this_thread::sleep_for(200ms);
  harness_->signal(SIGCONT);
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "taken after the late press");
  EXPECT_EQ(captures_before_a_known_one().size(), 1u);
  // The late press reached the focused program, sent on by the program; the
  // capturing one did not (the known pair's first press comes next).
  ASSERT_TRUE(wait_until([&] { return lines_of(log("keys.log")).size() >= 3; }));
  auto lines = lines_of(log("keys.log"));
  lines.resize(3);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1 sent", "press c ctrl=1"}));
}

TEST_F(DesktopTest, ASlowCopyIsWaitedFor) {
  start_harness();
  own_clipboard("the old text");
  // The second press comes before the copy; the 200 ms between the presses
  // leave the program ample time to take the second one.
  start_focused_key_window(250, "freshly copied");
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "freshly copied #1");
  EXPECT_EQ(lines_of(log("keys.log")), std::vector<std::string>{"press c ctrl=1"});
}

TEST_F(DesktopTest, ACaptureTakesTheTextOfItsPressWhileTheWindowIsBusy) {
  // The window's thread is busy for 3 s after each text it is handed.
  start_harness({"--busy-after-text", "3000"});
  own_clipboard("first");
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  own_clipboard("wanted-A");
  // A second after the double press, another program copies.
  keys("key ctrl+c sleep 0.2 key ctrl+c sleep 1");
  own_clipboard("password-B-copied-later");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(captures()[1], "wanted-A");
  EXPECT_EQ(captures_before_a_known_one(), (std::vector<std::string>{"first", "wanted-A"}));
}

TEST_F(DesktopTest, ARetryNeverReadsTheNextOwnersText) {
  start_harness();
  // Each piece comes 1.5 s after it is asked for: every try times out.
  write_file(dir_.path() / "slow", std::string(200'000, 's'));
  x_.start(CLIENT_EXE, {"own-text-slowly", (dir_.path() / "slow").string(), "1500"});
  ASSERT_TRUE(wait_until([&] {
    auto offered = x_.run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, 2s);
    return offered.output.find("UTF8_STRING") != std::string::npos;
  }));
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(wait_until(
      [&] { return count_lines(log("application.log"), "OpenClipboard error, sleep") >= 1; }));
  own_clipboard("copied after the double press");
  EXPECT_TRUE(wait_until([&] {
    return count_lines(log("application.log"),
                       "Clipboard changed before its text could be read: nothing captured") == 1;
  }));
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
}

TEST_F(DesktopTest, AHungOwnerGivesTenFailedTriesAndNeverFreezesTheWindow) {
  start_harness();
  child_process& owner = own_clipboard("from a hung program");
  std::vector<std::string> ids;
  ASSERT_TRUE(wait_until([&] { return (ids = x_.windows("^Parvela$", true)).size() == 1; }));
  owner.signal(SIGSTOP);
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  const std::string failed = "OpenClipboard error, sleep";
  ASSERT_TRUE(wait_until([&] { return count_lines(log("application.log"), failed) >= 1; }));
  // The window answers while the tries go on: a close hides it at once.
  x_.start(CLIENT_EXE, {"close", ids[0]});
  ASSERT_TRUE(wait_until([&] { return x_.windows("^Parvela$", true).empty(); }));
  EXPECT_LT(count_lines(log("application.log"), failed), 10u);

  ASSERT_TRUE(wait_until([&] { return count_lines(log("application.log"), failed) >= 10; }));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(count_lines(log("application.log"), failed), 10u);
  owner.signal(SIGCONT);
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
}

TEST_F(DesktopTest, ExitDuringAHungReadEndsAtOnce) {
  start_harness();
  child_process& owner = own_clipboard("from a hung program");
  owner.signal(SIGSTOP);
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(wait_until(
      [&] { return count_lines(log("application.log"), "OpenClipboard error, sleep") >= 1; }));
  harness_->signal(SIGTERM);
  EXPECT_EQ(harness_->wait(), 0);
  EXPECT_LT(count_lines(log("application.log"), "OpenClipboard error, sleep"), 10u);
  EXPECT_EQ(captures(), std::vector<std::string>{});
  owner.signal(SIGCONT);
}

TEST_F(DesktopTest, KeysRemappedWhileRunningStillCapture) {
  start_harness();
  own_clipboard("remapped");
  auto moved = x_.run({CLIENT_EXE, "remap-c"});
  ASSERT_EQ(moved.exit_code, 0);
  std::this_thread::sleep_for(300ms);
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1)) << "keycodes moved: " << moved.output;
  EXPECT_EQ(captures()[0], "remapped");
}

TEST_F(DesktopTest, AnotherProgramHoldingTheKeysDoesNotStopTheCapture) {
  auto grabbed = dir_.path() / "grabbed";
  child_process& grabber = x_.start(CLIENT_EXE, {"grab-copy-keys", grabbed.string()});
  ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(grabbed); }));
  start_harness();
  own_clipboard("grabbed elsewhere");
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "grabbed elsewhere");
  EXPECT_EQ(::waitpid(grabber.pid(), nullptr, WNOHANG), 0);  // still holding
}

TEST_F(DesktopTest, TextDraggedFromAnotherProgramIsReceived) {
  start_harness();
  const std::string text = "Grüße «dragged» 引用 😀";
  x_.start(CLIENT_EXE, {"drag", "1000", "100", text});
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^x-test-drag$", true).empty(); }));
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^Parvela$", true).empty(); }));
  std::this_thread::sleep_for(300ms);
  x_.xdotool({"mousemove", "1100",      "175",   "mousedown", "1",       "sleep",
              "0.05",      "mousemove", "1120",  "175",       "sleep",   "0.2",
              "mousemove", "450",       "300",   "sleep",     "0.1",     "mousemove",
              "455",       "303",       "sleep", "0.2",       "mouseup", "1"});
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], text);
}

TEST_F(DesktopTest, TextSetOnTheClipboardCanBeReadBackWhileRunning) {
  std::string text;
  while (text.size() < 2'000'000) text += "Kopie «Grüße» 引用 😀 line\n";
  write_file(dir_.path() / "to-copy", text);
  start_harness({"--set-clipboard", (dir_.path() / "to-copy").string()});
  EXPECT_EQ(log("harness.log"), "set_clipboard_text: 1\n");
  auto read_back = x_.run({"xclip", "-o", "-selection", "clipboard"});
  EXPECT_EQ(read_back.exit_code, 0);
  EXPECT_EQ(read_back.output.size(), text.size());
  EXPECT_TRUE(read_back.output == text);
}

// The whole program.
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
    EXPECT_TRUE(wait_until(
        [&] { return log("application.log").find("Init complete") != std::string::npos; }));
    EXPECT_TRUE(wait_until([&] { return !x_.windows("^Parvela$", true).empty(); }));
    return program;
  }

  std::string log(const char* name) const {
    return read_file(root_.path() / "data/Parvela/logs" / name);
  }

  // The lines of an orderly end; `by_exit_command` when it came through the
  // Exit command (the tray menu, a signal).
  void expect_shutdown_lines(bool by_exit_command = true) {
    std::string app = log("application.log");
    EXPECT_NE(app.find("RegisterDropWindow\nvupdate_tags\nvupdate_tags complete\n"
                       "vupdate_quotes\nvupdate_quotes complete\nInit complete\n"),
              std::string::npos)
        << app;
    EXPECT_TRUE(
        app.ends_with("Singleton: view - deleted.\n"
                      "Singleton: ResourceMgr - deleted.\n"
                      "Singleton: controller - deleted.\n"
                      "Singleton: model - deleted.\n"
                      "Application finished.\n"))
        << app;
    std::string debug = log("debug.log");
    EXPECT_EQ(debug.find("[WndProc] ID_APP_EXIT\n") != std::string::npos, by_exit_command)
        << debug;
    EXPECT_TRUE(debug.ends_with("Application finished\n" + std::string(61, '-') + "\n")) << debug;
  }

  struct box {
    int x = 0, y = 0, width = 0, height = 0;
  };

  box geometry_of(const std::string& window) const {
    box place;
    std::istringstream shell(x_.xdotool({"getwindowgeometry", "--shell", window}).output);
    for (std::string line; std::getline(shell, line);) {
      if (line.rfind("X=", 0) == 0) place.x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) place.y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) place.width = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) place.height = std::stoi(line.substr(7));
    }
    return place;
  }

  // The visible windows of the program: main window, tray icon, menus.
  std::vector<std::string> program_windows() const {
    return lines_of(x_.xdotool({"search", "--onlyvisible", "--class", "^Parvela$"}).output);
  }

  // True when the tray's panel holds an icon (it is two pixels wide when
  // empty) and one of the program's windows is shown inside it: the icon,
  // whose place it gives.
  bool icon_in_tray(box* icon) const {
    auto panels = x_.windows("^panel$", true);
    if (panels.empty()) return false;
    box panel = geometry_of(panels[0]);
    if (panel.width < 16 || panel.height < 16) return false;
    for (const auto& window : program_windows()) {
      box place = geometry_of(window);
      if (place.width > 0 && place.x >= panel.x && place.y >= panel.y &&
          place.x + place.width <= panel.x + panel.width &&
          place.y + place.height <= panel.y + panel.height) {
        *icon = place;
        return true;
      }
    }
    return false;
  }

  child_process& start_tray_host() {
    return x_.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request",
                               "--height", "24"});
  }

  // The answer of an SQL query on the collection file, one line per row.
  std::string query(const std::string& sql) {
    return x_.run({"sqlite3", (root_.path() / "data/Parvela/parvela.fdb").string(), sql}, 5s)
        .output;
  }

  // Where the window called `name` is on the screen.
  struct place {
    int x = 0, y = 0, width = 0, height = 0;
  };
  place window_place(const std::string& name) {
    place at;
    auto ids = x_.windows(name, true);
    if (ids.empty()) return at;
    std::istringstream shell(x_.xdotool({"getwindowgeometry", "--shell", ids[0]}).output);
    for (std::string line; std::getline(shell, line);) {
      if (line.rfind("X=", 0) == 0) at.x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) at.y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) at.width = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) at.height = std::stoi(line.substr(7));
    }
    return at;
  }

  // Clicks at (x, y) of the main window.
  void click_in_window(int x, int y, const char* button = "1") {
    place window = window_place("^Parvela$");
    x_.xdotool({"mousemove", std::to_string(window.x + x), std::to_string(window.y + y), "sleep",
                "0.1", "click", button});
  }

  void own_clipboard(const std::string& text) {
    auto file = root_.path() / "clip";
    write_file(file, text);
    x_.start("xclip", {"-quiet", "-selection", "clipboard", "-i", file.string()});
    ASSERT_TRUE(wait_until([&] {
      return x_.run({"xclip", "-o", "-selection", "clipboard"}, 2s).output == text;
    }));
  }

  temp_dir root_;
  x_session x_;
};

TEST_F(ProgramTest, SignalsAndTheXServerGoingAwayEndTheProgramWithTheShutdownLines) {
  const auto socket = root_.path() / "run/parvela.sock";
  for (int number : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    child_process& program = start_program();
    program.signal(number);
    EXPECT_EQ(program.wait(), 0);
    expect_shutdown_lines();
    EXPECT_FALSE(std::filesystem::exists(socket));
  }
  // The X server dies: the program cannot go on, but it ends in order.
  child_process& program = start_program();
  x_.kill_server();
  EXPECT_EQ(program.wait(), 1);
  expect_shutdown_lines(false);
  EXPECT_NE(log("application.log").find("Error: the connection to the X server was lost\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(socket));
  EXPECT_EQ(query("PRAGMA integrity_check"), "ok\n");
}

TEST_F(ProgramTest, AFailureToStartIsShownInAMessageBox) {
  // The "debug" log cannot be made: the start fails after the logs exist.
  std::filesystem::create_directories(root_.path() / "data/Parvela/logs/debug.log");
  child_process& program = x_.start(PARVELA_EXE, {}, [&] {
    auto with_box = env();
    with_box["PARVELA_NO_ERROR_BOX"] = "";
    return with_box;
  }());
  std::string box;
  ASSERT_TRUE(wait_until([&] {
    auto ids = x_.windows("^Parvela$", true);
    if (!ids.empty()) box = ids[0];
    return !ids.empty();
  }));
  x_.xdotool({"windowfocus", "--sync", box, "key", "Return"});
  EXPECT_EQ(program.wait(), 1);
  EXPECT_NE(log("application.log").find("Error: cannot_open_log "), std::string::npos);
}

TEST_F(ProgramTest, ADoubleCopyStoresTheClipboardTextAsAQuote) {
  child_process& program = start_program();
  auto file = root_.path() / "clip";
  write_file(file, "Stored by a double copy: «Zitat» 引用");
  x_.start("xclip", {"-quiet", "-selection", "clipboard", "-i", file.string()});
  ASSERT_TRUE(wait_until([&] {
    return x_.run({"xclip", "-o", "-selection", "clipboard"}, 2s).output.find("Stored by") == 0;
  }));
  auto quotes_with_text = [&] {
    return x_
        .run({"sqlite3", (root_.path() / "data/Parvela/parvela.fdb").string(),
              "SELECT count(*) FROM quote WHERE m_utftext = "
              "'Stored by a double copy: «Zitat» 引用'"},
             5s)
        .output;
  };
  EXPECT_EQ(quotes_with_text(), "0\n");
  ASSERT_TRUE(type_keys(x_, "key ctrl+c sleep 0.2 key ctrl+c"));
  EXPECT_TRUE(wait_until([&] { return quotes_with_text() == "1\n"; })) << quotes_with_text();
  EXPECT_NE(log("controller.log").find("add_quote"), std::string::npos) << log("controller.log");
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0);
  EXPECT_EQ(quotes_with_text(), "1\n");
}

// Another program (a backup tool, an SQLite browser) holds the collection's
// write lock for longer than the program waits: the capture is kept, the
// window says so, and the quote is stored once the lock is gone.
TEST_F(ProgramTest, ACaptureWhileAnotherProgramLocksTheCollectionIsStoredAfterwards) {
  child_process& program = start_program();
  SQLite::Database other((root_.path() / "data/Parvela/parvela.fdb").string(),
                         SQLite::OPEN_READWRITE);
  other.exec("BEGIN IMMEDIATE");
  const std::string text = "Captured «while» locked";
  own_clipboard(text);
  ASSERT_TRUE(type_keys(x_, "key ctrl+c sleep 0.2 key ctrl+c"));
  EXPECT_TRUE(wait_until([&] {
    return log("model.log")
               .find(
                   "notice: A new quote could not be saved yet: the collection is "
                   "busy") != std::string::npos;
  })) << log("model.log");
  EXPECT_EQ(program.wait(100ms), -1);  // still running

  other.exec("ROLLBACK");
  const std::string count = "SELECT count(*) FROM quote WHERE m_utftext = '" + text + "'";
  EXPECT_TRUE(wait_until([&] { return query(count) == "1\n"; })) << log("model.log");
  EXPECT_TRUE(wait_until([&] {
    return log("model.log").find("notice: The waiting quote was saved at ") != std::string::npos;
  }));
  program.signal(SIGTERM);
  EXPECT_NE(program.wait(), -1);  // ended by itself, not by a signal
  expect_shutdown_lines();
}

TEST_F(ProgramTest, ASecondStartExitsWithThreeAndRaisesTheFirst) {
  start_program();
  std::string window = x_.windows("^Parvela$", true).at(0);
  // Hidden to the tray, with another program focused.
  x_.start(CLIENT_EXE, {"close", window});
  ASSERT_TRUE(wait_until([&] { return x_.windows("^Parvela$", true).empty(); }));
  x_.start(CLIENT_EXE, {"keys", (root_.path() / "keys.log").string()});
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^x-test-keys$", true).empty(); }));
  std::string other = x_.windows("^x-test-keys$", true).at(0);
  x_.xdotool({"windowfocus", "--sync", other});

  child_process& second = x_.start(PARVELA_EXE, {}, env());
  EXPECT_EQ(second.wait(), 3);
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^Parvela$", true).empty(); }));
  EXPECT_TRUE(wait_until([&] {
    auto focus = x_.xdotool({"getwindowfocus"}).output;
    return focus == window + "\n";
  }));
  EXPECT_EQ(lines_of(log("debug.log")).back(), "[WndProc] UWM_PVL_ARE_YOU_ME");
}

TEST_F(ProgramTest, TheTrayIconTogglesTheWindowAndItsMenuExits) {
  child_process& tray_host = x_.start("trayer", {"--edge", "bottom", "--align", "right",
                                                 "--widthtype", "request", "--height", "24"});
  (void)tray_host;
  child_process& program = start_program();
  box icon;
  ASSERT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
  std::string cx = std::to_string(icon.x + icon.width / 2);
  std::string cy = std::to_string(icon.y + icon.height / 2);

  x_.xdotool({"mousemove", cx, cy, "click", "1"});
  EXPECT_TRUE(wait_until([&] { return x_.windows("^Parvela$", true).empty(); }));
  std::this_thread::sleep_for(700ms);  // not a double click
  x_.xdotool({"mousemove", cx, cy, "click", "1"});
  EXPECT_TRUE(wait_until([&] { return !x_.windows("^Parvela$", true).empty(); }));

  // The menu is one more window of the program's.
  size_t before_menu = program_windows().size();
  x_.xdotool({"mousemove", cx, cy, "click", "3"});
  ASSERT_TRUE(wait_until([&] { return program_windows().size() > before_menu; }));
  std::this_thread::sleep_for(300ms);  // for it to take the keyboard
  x_.xdotool({"key", "Down", "Down", "Return"});
  EXPECT_EQ(program.wait(), 0);
  expect_shutdown_lines();
  const std::string click = "[WndProc] UWM_PVL_TRAY_CLICK";
  std::string debug = log("debug.log");
  EXPECT_NE(debug.find(click + "\n" + click + ": WM_LBUTTONUP\n" + click + "\n" + click +
                       ": WM_LBUTTONUP\n" + click + "\n" + click + ": WM_RBUTTONUP\n"),
            std::string::npos)
      << debug;
}

TEST_F(ProgramTest, WithoutATrayTheIconJoinsOneThatStartsLater) {
  child_process& program = start_program();
  std::this_thread::sleep_for(300ms);
  child_process& tray_host = start_tray_host();
  box icon;
  EXPECT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
  // And again after the tray restarts.
  tray_host.signal(SIGTERM);
  tray_host.wait();
  start_tray_host();
  EXPECT_TRUE(wait_until([&] { return icon_in_tray(&icon); }));
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0);
}

// The window, as its user works with it. The newest quote is the first card
// of the list, its text starting 40 pixels below the list's top; the page is
// laid out as in the program's main form.
constexpr int kFirstCardX = 400, kFirstCardY = 100;

TEST_F(ProgramTest, ACapturedQuoteIsCopiedBackFromTheWindowAndDeletedWithTheKeyboard) {
  child_process& program = start_program();
  const std::string text = "Copied back «from» the window 引用";
  own_clipboard(text);
  ASSERT_TRUE(type_keys(x_, "key ctrl+c sleep 0.2 key ctrl+c"));
  const std::string count = "SELECT count(*) FROM quote WHERE m_utftext = '" + text + "'";
  ASSERT_TRUE(wait_until([&] { return query(count) == "1\n"; }));
  const std::string total = query("SELECT count(*) FROM quote");

  own_clipboard("something else");
  std::this_thread::sleep_for(600ms);  // the next press is a first press
  click_in_window(kFirstCardX, kFirstCardY);
  ASSERT_TRUE(type_keys(x_, "key ctrl+c"));
  // Ctrl+C copies the selected quotes, each followed by an empty line.
  EXPECT_TRUE(wait_until([&] {
    return x_.run({"xclip", "-o", "-selection", "clipboard"}, 2s).output == text + "\n\n";
  })) << x_.run({"xclip", "-o", "-selection", "clipboard"}, 2s).output;

  ASSERT_TRUE(type_keys(x_, "key Delete"));
  EXPECT_TRUE(wait_until([&] { return query(count) == "0\n"; }));
  EXPECT_EQ(std::stoi(query("SELECT count(*) FROM quote")), std::stoi(total) - 1);
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0);
}

TEST_F(ProgramTest, TextDroppedOnTheWindowBecomesAQuote) {
  child_process& program = start_program();
  const std::string text = "Dropped «on» the window 😀";
  place window = window_place("^Parvela$");
  x_.start(CLIENT_EXE, {"drag", "1000", "100", text});
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^x-test-drag$", true).empty(); }));
  std::this_thread::sleep_for(300ms);
  const std::string tx = std::to_string(window.x + 450), ty = std::to_string(window.y + 300);
  x_.xdotool({"mousemove", "1100", "175", "mousedown", "1", "sleep", "0.05", "mousemove", "1120",
              "175", "sleep", "0.2", "mousemove", tx, ty, "sleep", "0.1", "mousemove", tx, ty,
              "sleep", "0.2", "mouseup", "1"});
  EXPECT_TRUE(wait_until([&] {
    return query("SELECT count(*) FROM quote WHERE m_utftext = '" + text + "'") == "1\n";
  }));
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0);
}

TEST_F(ProgramTest, TheAboutBoxOpensModalAndItsOkButtonClosesIt) {
  child_process& program = start_program();
  click_in_window(200, 27);  // "About" in the tag pane's head
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^About Parvela$", true).empty(); }));
  place about = window_place("^About Parvela$");
  EXPECT_EQ(about.width, 256);
  EXPECT_EQ(about.height, 475);
  // Enter presses the default button, which ends the box.
  x_.xdotool({"mousemove", std::to_string(about.x + 128), std::to_string(about.y + 100), "sleep",
              "0.1", "key", "Return"});
  EXPECT_TRUE(wait_until([&] { return x_.windows("^About Parvela$", true).empty(); }));
  // The main window still works afterwards.
  EXPECT_FALSE(x_.windows("^Parvela$", true).empty());
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0);
  expect_shutdown_lines();
}

}  // namespace
