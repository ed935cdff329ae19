// The program on a Wayland desktop, end to end: a headless Sway, the program
// running natively on it (Qt's wayland platform, no X display) and wl-copy
// as the other program, each copy setting the clipboard as a Ctrl+C does.
// Sway refuses to run as root, so when the test runs as root everything on
// the desktop runs as the user "nobody". Where Sway cannot start, the tests
// are skipped and say why.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::wait_until;
using testing_support::write_file;

constexpr uid_t kNobody = 65534;

// A process started as the desktop's user, with `env` as its whole
// environment and its standard error in `stderr_path`; killed when it goes.
class desktop_process {
 public:
  desktop_process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                  const std::string& stderr_path) {
    std::vector<std::string> env_strings;
    for (const auto& [name, value] : env) env_strings.push_back(name + "=" + value);
    pid_ = ::fork();
    if (pid_ != 0) return;
    if (geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                           ::setuid(kNobody) != 0)) {
      _exit(126);
    }
    if (std::FILE* err = std::fopen(stderr_path.c_str(), "w")) ::dup2(fileno(err), 2);
    std::vector<char*> args, envp;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    for (auto& entry : env_strings) envp.push_back(entry.data());
    envp.push_back(nullptr);
    ::execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  ~desktop_process() { stop(SIGKILL); }
  desktop_process(const desktop_process&) = delete;
  desktop_process& operator=(const desktop_process&) = delete;

  // Waits for the end; the exit code, or -1 on timeout or a signal.
  int wait(std::chrono::milliseconds timeout = 20s) {
    auto deadline = steady::now() + timeout;
    while (pid_ > 0 && steady::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(1ms);
    }
    return -1;
  }

  void stop(int signal) {
    if (pid_ <= 0) return;
    ::kill(pid_, signal);
    if (wait(5s) == -1 && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

class WaylandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"run", "data", "home"}) {
      std::filesystem::create_directories(root_.path() / folder);
    }
    ::chmod((root_.path() / "run").c_str(), 0700);
    // With XWayland, Sway's first command writes the X display's name.
    write_file(root_.path() / "run/sway.conf",
               "output HEADLESS-1 resolution 1280x800\n" +
                   (xwayland_ ? "xwayland enable\nexec sh -c 'echo $DISPLAY > " +
                                    (root_.path() / "run/display").string() + "'\n"
                              : std::string("xwayland disable\n")));
    if (geteuid() == 0) {
      ASSERT_EQ(::chown(root_.path().c_str(), kNobody, kNobody), 0);
      for (auto& entry : std::filesystem::recursive_directory_iterator(root_.path())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
      }
    }
    auto sway_env = base_env();
    sway_env.insert({{"WLR_BACKENDS", "headless"},
                     {"WLR_LIBINPUT_NO_DEVICES", "1"},
                     {"WLR_RENDERER", "pixman"}});
    sway_ = std::make_unique<desktop_process>(
        std::vector<std::string>{"sway", "-c", (root_.path() / "run/sway.conf").string()},
        sway_env, (root_.path() / "sway.err").string());
    bool up = wait_until([&] {
      return !socket_name().empty() && (!xwayland_ || !x_display().empty());
    });
    if (!up) {
      std::string why = read_file(root_.path() / "sway.err");
      if (why.size() > 600) why = why.substr(why.size() - 600);
      GTEST_SKIP() << "Sway cannot start here, the Wayland tests are skipped: " << why;
    }
  }

  void TearDown() override {
    if (program_) program_->stop(SIGTERM);
    if (sway_) sway_->stop(SIGTERM);
  }

  // XWayland's display (":N"), once Sway has said it.
  std::string x_display() const {
    std::string name = read_file(root_.path() / "run/display");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
    return name;
  }

  // The compositor's socket in the runtime folder, once it is there.
  std::string socket_name() const {
    for (auto& entry : std::filesystem::directory_iterator(root_.path() / "run")) {
      std::string name = entry.path().filename().string();
      if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket()) {
        return name;
      }
    }
    return "";
  }

  std::map<std::string, std::string> base_env() const {
    return {{"PATH", "/usr/local/bin:/usr/bin:/bin"},
            {"HOME", (root_.path() / "home").string()},
            {"XDG_RUNTIME_DIR", (root_.path() / "run").string()},
            {"XDG_DATA_HOME", (root_.path() / "data").string()},
            {"XDG_DATA_DIRS", (root_.path() / "common").string()},
            {"XDG_CONFIG_HOME", (root_.path() / "home/.config").string()},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"},
            {"LANG", "C.UTF-8"}};
  }

  std::map<std::string, std::string> desktop_env() const {
    auto env = base_env();
    env.insert({{"WAYLAND_DISPLAY", socket_name()},
                {"QT_QPA_PLATFORM", "wayland"},
                {"PARVELA_NO_ERROR_BOX", "1"}});
    if (xwayland_) env["DISPLAY"] = x_display();
    return env;
  }

  void start_program() {
    program_ = std::make_unique<desktop_process>(std::vector<std::string>{PARVELA_EXE},
                                                 desktop_env(),
                                                 (root_.path() / "parvela.err").string());
    ASSERT_TRUE(wait_until([&] { return log().find("Init complete") != std::string::npos; }))
        << read_file(root_.path() / "parvela.err");
    // The window is up once it has painted.
    ASSERT_TRUE(wait_until([&] {
      return read_file(root_.path() / "data/Parvela/logs/profile.log").find("First paint") !=
             std::string::npos;
    }));
  }

  std::string log() const { return read_file(root_.path() / "data/Parvela/logs/application.log"); }

  // Sets the clipboard as another program's copy does; returns once the
  // copy is made (wl-copy goes on serving it in the background).
  void copy(const std::string& text) {
    desktop_process wl_copy({"wl-copy", text}, desktop_env(),
                            (root_.path() / "wl-copy.err").string());
    ASSERT_EQ(wl_copy.wait(), 0) << read_file(root_.path() / "wl-copy.err");
  }

  int quotes_with_text(const std::string& text) const {
    try {
      SQLite::Database db((root_.path() / "data/Parvela/parvela.fdb").string(),
                          SQLite::OPEN_READONLY);
      SQLite::Statement query(db, "SELECT count(*) FROM quote WHERE m_utftext = ?");
      query.bind(1, text);
      return query.executeStep() ? query.getColumn(0).getInt() : 0;
    } catch (const std::exception&) {
      return 0;  // busy or not yet there
    }
  }

  // A double copy of a fresh text, stored once, to be sure that everything
  // before it has been handled.
  void known_double_copy() {
    std::this_thread::sleep_for(600ms);
    copy("known text");
    std::this_thread::sleep_for(200ms);
    copy("known text");
    ASSERT_TRUE(wait_until([&] { return quotes_with_text("known text") == 1; }));
  }

  bool xwayland_ = false;
  temp_dir root_;
  std::unique_ptr<desktop_process> sway_;
  std::unique_ptr<desktop_process> program_;
};

TEST_F(WaylandTest, TwoCopiesOfOneTextWithinHalfASecondStoreOneQuote) {
  start_program();
  EXPECT_EQ(log().find("No data-control"), std::string::npos) << log();
  const std::string text = "Copied twice on Wayland: «Zitat» 引用 😀";
  copy(text);
  std::this_thread::sleep_for(200ms);
  copy(text);
  // From the second copy's wl-copy ending to the quote in the file.
  auto copied = steady::now();
  ASSERT_TRUE(wait_until([&] { return quotes_with_text(text) == 1; }));
  auto stored_after =
      std::chrono::duration_cast<std::chrono::microseconds>(steady::now() - copied);
  RecordProperty("copy_to_stored_us", int(stored_after.count()));
  std::printf("copy to stored: %.1f ms\n", stored_after.count() / 1000.0);
  known_double_copy();
  EXPECT_EQ(quotes_with_text(text), 1);
}

TEST_F(WaylandTest, OneCopyTwoFarApartOrTwoTextsStoreNothing) {
  start_program();
  copy("copied once");
  std::this_thread::sleep_for(800ms);
  copy("copied far apart");
  std::this_thread::sleep_for(700ms);
  copy("copied far apart");
  std::this_thread::sleep_for(200ms);
  copy("another text");
  known_double_copy();
  for (const char* text : {"copied once", "copied far apart", "another text"}) {
    EXPECT_EQ(quotes_with_text(text), 0) << text;
  }
}

// Sway with XWayland: the program also watches the keys of X programs.
class WaylandWithXTest : public WaylandTest {
 protected:
  WaylandWithXTest() { xwayland_ = true; }

  // An X program under XWayland, started as the desktop's user.
  std::unique_ptr<desktop_process> start_x_program(const std::vector<std::string>& argv,
                                                   const std::string& window_class = "") {
    auto env = desktop_env();
    env["QT_QPA_PLATFORM"] = "xcb";
    if (!window_class.empty()) env["RESOURCE_NAME"] = window_class;
    return std::make_unique<desktop_process>(argv, env, (root_.path() / "x.err").string());
  }

  bool type_keys(const std::string& sequence) {
    std::vector<std::string> argv{CLIENT_EXE, "type"};
    for (size_t at = 0, end; at < sequence.size(); at = end + 1) {
      end = sequence.find(' ', at);
      if (end == std::string::npos) end = sequence.size();
      argv.push_back(sequence.substr(at, end - at));
    }
    return start_x_program(argv)->wait() == 0;
  }
};

TEST_F(WaylandWithXTest, ADoubleCopyInAnXProgramNeverCapturedFromIsNotTakenFromTheClipboard) {
  std::filesystem::create_directories(root_.path() / "home/.config/Parvela");
  write_file(root_.path() / "home/.config/Parvela/parvela.conf",
             "[capture]\nnever_capture=keeper\n");
  if (geteuid() == 0) {
    for (const char* path : {"home/.config", "home/.config/Parvela",
                             "home/.config/Parvela/parvela.conf"}) {
      ASSERT_EQ(::chown((root_.path() / path).c_str(), kNobody, kNobody), 0);
    }
  }
  start_program();
  // A program that copies the same text at each Ctrl+C; Sway hands its
  // copies on to the Wayland clipboard.
  const std::string text = "copied in the keeper";
  auto keeper = start_x_program(
      {CLIENT_EXE, "keys-same", (root_.path() / "keys.log").string(), "0", text}, "keeper");
  ASSERT_TRUE(wait_until([&] {
    return type_keys("key a") && read_file(root_.path() / "keys.log").find("press a") !=
                                     std::string::npos;
  })) << read_file(root_.path() / "x.err");
  ASSERT_TRUE(type_keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c"));
  ASSERT_TRUE(wait_until([&] {
    return log().find("Copy in keeper skipped: the settings never capture it") !=
           std::string::npos;
  })) << log();
  known_double_copy();
  EXPECT_EQ(quotes_with_text(text), 0);
  // The clipboard saw the double copy too, and let it go.
  EXPECT_NE(log().find("Double copy on Wayland skipped: it came from a program never captured"),
            std::string::npos)
      << log();
}

}  // namespace
