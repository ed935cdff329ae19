// The desktop side end to end, on a private Xvfb display with real key
// events (XTEST, from the test client), a real clipboard (xclip and other
// programs as owners) and real drags between programs.
//
// Captures are observed through desktop_harness, which builds the main
// window exactly as the program does and records each text it would hand
// on. The whole program (single instance, window, tray, session) is in
// program_e2e_test.cpp.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/x_session.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing_support::child_process;
using testing_support::count_lines;
using testing_support::lines_of;
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::type_keys;
using testing_support::wait_until;
using testing_support::write_file;
using testing_support::x_session;

class DesktopTest : public ::testing::Test {
 protected:
  // Starts the harness and waits until its event loop runs.
  void start_harness(const std::vector<std::string>& more_args = {}) {
    std::vector<std::string> args{dir_.str()};
    args.insert(args.end(), more_args.begin(), more_args.end());
    // The settings file, if a test writes one, is in FOLDER/config/Parvela.
    harness_ = &x_.start(HARNESS_EXE, args, {{"XDG_CONFIG_HOME", (dir_.path() / "config").string()}});
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
  // `window_class` sets the window's WM_CLASS instance name.
  std::string start_focused_key_window(int copy_delay_ms = -1, const std::string& copy_text = "",
                                       const std::string& window_class = "") {
    std::vector<std::string> args{"keys", (dir_.path() / "keys.log").string()};
    if (copy_delay_ms >= 0) args.insert(args.end(), {std::to_string(copy_delay_ms), copy_text});
    std::map<std::string, std::string> env;
    if (!window_class.empty()) env["RESOURCE_NAME"] = window_class;
    x_.start(CLIENT_EXE, args, env);
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

TEST_F(DesktopTest, SecretsAndProgramsNeverCapturedFromAreSkipped) {
  std::filesystem::create_directories(dir_.path() / "config/Parvela");
  write_file(dir_.path() / "config/Parvela/parvela.conf",
             "[capture]\nnever_capture=SecretKeeper\n");
  start_harness();
  // A password manager's copy: marked as a secret.
  x_.start(CLIENT_EXE, {"own-secret", "hunter2-password"});
  ASSERT_TRUE(wait_until([&] {
    auto offered = x_.run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, 2s);
    return offered.output.find("x-kde-passwordManagerHint") != std::string::npos;
  }));
  keys("key ctrl+c sleep 0.2 key ctrl+c");
  const std::string secret_line =
      "Secret skipped: the clipboard's owner marks its text as a password";
  ASSERT_TRUE(wait_until([&] { return count_lines(log("application.log"), secret_line) == 1; }));
  // A program the settings name: neither grabbed nor captured.
  own_clipboard("copied in the keeper");
  start_focused_key_window(-1, "", "secretkeeper");
  keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c");
  const std::string skipped_line = "Copy in secretkeeper skipped: the settings never capture it";
  ASSERT_TRUE(wait_until([&] { return count_lines(log("application.log"), skipped_line) == 1; }));
  ASSERT_TRUE(wait_until([&] { return lines_of(log("keys.log")).size() >= 2; }));
  EXPECT_EQ(lines_of(log("keys.log")),
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1"}));
  EXPECT_EQ(captures(), std::vector<std::string>{});
  EXPECT_EQ(log("application.log").find("hunter2"), std::string::npos);
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
  // Ctrl+Shift+C is a copy key too: its second press is kept as well.
  keys("sleep 0.6 key ctrl+shift+c sleep 0.2 key ctrl+shift+c sleep 0.6 key b");
  ASSERT_TRUE(captured_count_is(2));
  ASSERT_TRUE(wait_until([&] { return log("keys.log").find("press b") != std::string::npos; }));
  EXPECT_EQ(lines_of(log("keys.log")),
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1", "press a ctrl=0",
                                      "press c ctrl=1 shift=1", "press b ctrl=0"}));
}

TEST_F(DesktopTest, InATerminalCtrlCIsLeftAloneAndItsCopyKeysCapture) {
  start_harness();
  own_clipboard("from the terminal");
  start_focused_key_window(-1, "", "xterm");  // WM_CLASS "xterm"
  keys("key ctrl+c sleep 0.2 key ctrl+c");      // two interrupts
  keys("sleep 0.6 key ctrl+shift+c sleep 0.2 key ctrl+shift+c");
  ASSERT_TRUE(captured_count_is(1));
  keys("sleep 0.6 key ctrl+Insert sleep 0.2 key ctrl+Insert sleep 0.6 key a");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(captures(), (std::vector<std::string>{"from the terminal", "from the terminal"}));
  // Both interrupts reached the terminal from the keyboard; of each copy
  // pair only the first press did.
  ASSERT_TRUE(wait_until([&] { return log("keys.log").find("press a") != std::string::npos; }));
  EXPECT_EQ(lines_of(log("keys.log")),
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1",
                                      "press c ctrl=1 shift=1", "press Insert ctrl=1",
                                      "press a ctrl=0"}));
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
  // A tray to hide the window in.
  x_.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request"});
  ASSERT_TRUE(wait_until([&] { return !x_.windows("^panel$", true).empty(); }));
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

}  // namespace
