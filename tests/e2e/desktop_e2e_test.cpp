// The desktop side end to end on a private Xvfb display: real key events (XTEST) and clipboard
// owners (xclip, x_test_client); desktop_harness records each text the main window captures.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/x_session.h"

namespace {

using namespace testing_support;

class DesktopTest : public ::testing::Test {
 protected:
  void start_harness(std::vector<std::string> args = {}) {
    args.insert(args.begin(), dir_.str());
    harness_ = &x_.start(HARNESS_EXE, args, {{"XDG_CONFIG_HOME", (dir_.path() / "config").string()}});
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(dir_.path() / "ready"); }))
        << log("harness.log");
  }

  // The texts the harness captured, in order; the harness writes "<byte count>\n<text>\n" each.
  std::vector<std::string> captures() const {
    std::string content = log("captured");
    std::vector<std::string> texts;
    for (size_t at = 0, end; (end = content.find('\n', at)) != std::string::npos;) {
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
  size_t logged(const std::string& line) const {
    auto lines = lines_of(log("application.log"));
    return size_t(std::count(lines.begin(), lines.end(), line));
  }
  size_t failed_tries() const { return logged("OpenClipboard error, sleep"); }

  std::vector<std::string> key_lines(size_t count) const {
    EXPECT_TRUE(wait_until([&] { return lines_of(log("keys.log")).size() >= count; }));
    return lines_of(log("keys.log"));
  }

  child_process& own_clipboard(const std::string& text) {
    return x_.own_clipboard(dir_.path() / ("clip" + std::to_string(++clips_)), text);
  }

  void keys(const std::string& sequence) { ASSERT_TRUE(type_keys(x_, sequence)) << sequence; }
  void double_copy() { keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c"); }

  // A focused key-logging window (x_test_client keys) of WM_CLASS `window_class`.
  child_process& start_focused_key_window(const std::string& window_class = "",
                                          std::vector<std::string> copying = {}) {
    copying.insert(copying.begin(), {"keys", (dir_.path() / "keys.log").string()});
    child_process& window = x_.start(CLIENT_EXE, copying, {{"RESOURCE_NAME", window_class}});
    std::string id = x_.wait_for_window("^x-test-keys$");
    EXPECT_FALSE(id.empty());
    x_.xdotool({"windowfocus", "--sync", id});
    return window;
  }

  // The captures before a known double press, which shows that everything earlier has been handled.
  std::vector<std::string> captures_before_a_known_one() {
    size_t before = captures().size();
    own_clipboard("known text");
    double_copy();
    EXPECT_TRUE(wait_until([&] { return captures().size() > before && captures().back() == "known text"; }));
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

TEST_F(DesktopTest, CopyPressesWithinHalfASecondCaptureTheClipboard) {
  const struct {
    const char* keys;
    size_t captures;
  } cases[] = {
      {"key ctrl+c sleep 0.25 key ctrl+c", 1},
      {"key ctrl+c", 0},
      {"key ctrl+c sleep 0.7 key ctrl+c", 0},
      {"key ctrl+Insert sleep 0.7 key ctrl+Insert", 0},
      {"key c sleep 0.2 key c", 0},  // no Ctrl
      {"key ctrl+Insert sleep 0.2 key ctrl+c", 1},  // Insert and C share the remembered press
      {"key ctrl+c sleep 0.2 key ctrl+Insert", 1},
      {"key ctrl+c sleep 0.15 key ctrl+c sleep 0.15 key ctrl+c", 2},  // a third captures again
  };
  start_harness();
  const std::string text = "Grüße, «quote» 引用 😀\nsecond line";
  for (const auto& each : cases) {
    SCOPED_TRACE(each.keys);
    own_clipboard(text);
    size_t before = captures().size();
    keys(std::string("sleep 0.6 ") + each.keys);
    if (each.captures) {
      ASSERT_TRUE(captured_count_is(before + each.captures));
    }
    auto texts = captures_before_a_known_one();
    EXPECT_EQ(texts.size() - before, each.captures);
    for (size_t i = before; i < texts.size(); ++i) EXPECT_EQ(texts[i], text);
  }
  EXPECT_EQ(log("application.log").find("Clipboard changed"), std::string::npos);
  harness_->signal(SIGTERM);
  EXPECT_EQ(harness_->wait(), 0);
  EXPECT_EQ(log("harness.log"), "loop ended: 0\n");
  EXPECT_EQ(lines_of(log("debug.log")), std::vector<std::string>{"[WndProc] ID_APP_EXIT"});
}

// Then the program stalls while its grab is on; the late press is judged by its server time, passed
// on to the window and counted as a first press.
TEST_F(DesktopTest, OnlyTheCapturingPressIsKeptAndAPressTheGrabCaughtTooLateIsPassedOnAsAFirstPress) {
  start_harness();
  own_clipboard("nobody chose this");
  start_focused_key_window();
  keys("key c sleep 0.1 key ctrl+c");
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
  keys("sleep 0.7 key ctrl+c sleep 0.1 key a");
  keys("sleep 0.6 key ctrl+shift+c sleep 0.2 key ctrl+shift+c sleep 0.6 key b");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(key_lines(7), (std::vector<std::string>{"press c ctrl=0", "press c ctrl=1", "press c ctrl=1",
                                                    "press c ctrl=1", "press a ctrl=0",
                                                    "press c ctrl=1 shift=1", "press b ctrl=0"}));
  own_clipboard("taken after the late press");
  keys("sleep 0.6 key ctrl+c stop-when-grabbed " + std::to_string(harness_->pid()) +
       " sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c");
  harness_->signal(SIGCONT);
  ASSERT_TRUE(captured_count_is(3));
  EXPECT_EQ(captures()[2], "taken after the late press");
  EXPECT_EQ(captures_before_a_known_one().size(), 3u);
  auto lines = key_lines(10);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.begin() + 10),
            (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1 sent", "press c ctrl=1"}));
}

// An image owner answers every request (UTF8_STRING, STRING; xclip counts them) with an image.
// In a terminal Ctrl+C is left alone and the terminal's copy keys capture.
TEST_F(DesktopTest, NoTextASecretOrAProgramNeverCapturedFromCapturesNothingAndATerminalsCopyKeysDo) {
  std::filesystem::create_directories(dir_.path() / "config/Parvela");
  write_file(dir_.path() / "config/Parvela/parvela.conf", "[capture]\nnever_capture=SecretKeeper\n");
  start_harness();
  write_file(dir_.path() / "png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0'));
  child_process image_owner("xclip", x_.env(),
                            {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i",
                             (dir_.path() / "png").string()}, (dir_.path() / "xclip.err").string());
  ASSERT_TRUE(x_.clipboard_offers("image/png"));
  auto served = [&] {  // xclip says "Waiting for selection request number N"
    std::string said = log("xclip.err");
    size_t at = said.rfind("number ");
    return at == std::string::npos ? 0 : std::stoi(said.substr(at + 7));
  };
  const int before = served();
  double_copy();
  ASSERT_TRUE(wait_until([&] { return served() >= before + 2; })) << log("xclip.err");
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
  EXPECT_LT(failed_tries(), 10u);  // a late answer may cost a try, but it is not tried again and again

  x_.start(CLIENT_EXE, {"own-secret", "hunter2-password"});
  ASSERT_TRUE(x_.clipboard_offers("x-kde-passwordManagerHint"));
  double_copy();
  const char* secret = "Secret skipped: the clipboard's owner marks its text as a password";
  ASSERT_TRUE(wait_until([&] { return logged(secret) == 1; }));
  own_clipboard("copied in the keeper");
  child_process& keeper = start_focused_key_window("secretkeeper");
  double_copy();
  const char* skipped = "Copy in secretkeeper skipped: the settings never capture it";
  ASSERT_TRUE(wait_until([&] { return logged(skipped) == 1; }));
  EXPECT_EQ(key_lines(2), (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1"}));
  EXPECT_EQ(captures(), std::vector<std::string>{"known text"});
  EXPECT_EQ(log("application.log").find("hunter2"), std::string::npos);
  keeper.stop();
  own_clipboard("from the terminal");
  start_focused_key_window("xterm");
  double_copy();  // two interrupts
  keys("sleep 0.6 key ctrl+shift+c sleep 0.2 key ctrl+shift+c");
  ASSERT_TRUE(captured_count_is(2));
  keys("sleep 0.6 key ctrl+Insert sleep 0.2 key ctrl+Insert sleep 0.6 key a");
  ASSERT_TRUE(captured_count_is(3));
  EXPECT_EQ(captures(), (std::vector<std::string>{"known text", "from the terminal", "from the terminal"}));
  EXPECT_EQ(key_lines(7), (std::vector<std::string>{"press c ctrl=1", "press c ctrl=1", "press c ctrl=1",
                                                    "press c ctrl=1", "press c ctrl=1 shift=1",
                                                    "press Insert ctrl=1", "press a ctrl=0"}));
}

// In pieces (INCR): from xclip at once, and from a program that sends each 200 ms after it is asked;
// when every try times out (a piece each 1.5 s), a retry never reads the next owner's text.
TEST_F(DesktopTest, ALargeNonAsciiTextIsCapturedWholeEvenWhenSentSlowlyButNeverFromTheNextOwner) {
  start_harness();
  std::string text;
  for (int line = 0; text.size() < 2'000'000; ++line)
    text += std::to_string(line) + ": Zitat «Grüße» цитата 引用文 😀 — " + (line % 7 ? "\n" : "\t");
  own_clipboard(text);
  double_copy();
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_TRUE(captures()[0] == text) << captures()[0].size();
  const size_t failed = failed_tries();
  text.resize(text.find('\n', 400'000) + 1);
  write_file(dir_.path() / "slow", text);
  child_process& slow = x_.start(CLIENT_EXE, {"own-text-slowly", (dir_.path() / "slow").string(), "200"});
  ASSERT_TRUE(x_.clipboard_offers("UTF8_STRING"));
  double_copy();
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_TRUE(captures()[1] == text) << captures()[1].size();
  EXPECT_EQ(failed_tries(), failed);
  slow.stop();
  x_.start(CLIENT_EXE, {"own-text-slowly", (dir_.path() / "slow").string(), "1500"});
  ASSERT_TRUE(x_.clipboard_offers("UTF8_STRING"));
  double_copy();
  ASSERT_TRUE(wait_until([&] { return failed_tries() > failed; }));
  own_clipboard("copied after the double press");
  EXPECT_TRUE(wait_until([&] {
    return logged("Clipboard changed before its text could be read: nothing captured") == 1;
  }));
  EXPECT_EQ(captures_before_a_known_one().size(), 2u);
}

// The second press comes before the window copies; the first capture makes the window busy.
TEST_F(DesktopTest, ASlowCopyIsWaitedForAndACaptureTakesTheTextOfItsPressWhileTheWindowIsBusy) {
  start_harness({"--busy-after-text", "3000"});
  own_clipboard("the old text");
  child_process& copying_window = start_focused_key_window("", {"250", "first"});
  double_copy();
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "first");
  EXPECT_EQ(lines_of(log("keys.log")), std::vector<std::string>{"press c ctrl=1"});
  copying_window.stop();
  own_clipboard("wanted-A");
  // A new double press: a press within half a second of the last first press would pair with it.
  keys("sleep 0.5 key ctrl+c sleep 0.2 key ctrl+c sleep 1");
  own_clipboard("password-B-copied-later");
  ASSERT_TRUE(captured_count_is(2));
  EXPECT_EQ(captures()[1], "wanted-A");
  EXPECT_EQ(captures_before_a_known_one(), (std::vector<std::string>{"first", "wanted-A"}));
}

// The window answers while the tries go on (a close hides it at once); an exit during a hung read
// ends the program at once.
TEST_F(DesktopTest, AHungOwnerGivesTenFailedTriesAndNeverFreezesTheWindowOrItsExit) {
  x_.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request"});
  ASSERT_FALSE(x_.wait_for_window("^panel$").empty());
  start_harness();
  child_process* owner = &own_clipboard("from a hung program");
  owner->signal(SIGSTOP);
  keys("key ctrl+c sleep 0.2 key ctrl+c sleep 0.15 hide " + x_.wait_for_window("^Parvela$"));
  EXPECT_LT(failed_tries(), 10u);
  ASSERT_TRUE(wait_until([&] { return failed_tries() >= 10; }));
  owner->signal(SIGCONT);
  EXPECT_EQ(captures_before_a_known_one(), std::vector<std::string>{});
  EXPECT_EQ(failed_tries(), 10u);

  owner = &own_clipboard("from another hung program");
  owner->signal(SIGSTOP);
  double_copy();
  ASSERT_TRUE(wait_until([&] { return failed_tries() >= 11; }));
  harness_->signal(SIGTERM);
  EXPECT_EQ(harness_->wait(), 0);
  EXPECT_LT(failed_tries(), 20u);
  EXPECT_EQ(captures(), std::vector<std::string>{"known text"});
  owner->signal(SIGCONT);
}

TEST_F(DesktopTest, AnotherProgramsGrabOrARemapDoesNotStopTheCapture) {
  auto grabbed = dir_.path() / "grabbed";
  child_process& grabber = x_.start(CLIENT_EXE, {"grab-copy-keys", grabbed.string()});
  ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(grabbed); }));
  start_harness();
  own_clipboard("grabbed elsewhere");
  double_copy();
  ASSERT_TRUE(captured_count_is(1));
  EXPECT_EQ(captures()[0], "grabbed elsewhere");
  EXPECT_EQ(::waitpid(grabber.pid(), nullptr, WNOHANG), 0);  // still holding
  own_clipboard("remapped");
  auto moved = x_.run({CLIENT_EXE, "remap-c"});
  ASSERT_EQ(moved.exit_code, 0);
  double_copy();
  ASSERT_TRUE(captured_count_is(2)) << "keycodes moved: " << moved.output;
  EXPECT_EQ(captures()[1], "remapped");
}

}  // namespace
