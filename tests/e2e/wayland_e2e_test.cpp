// The program natively on a headless Sway, end to end, with wl-copy as the other program. Sway
// refuses to run as root, so as root everything on the desktop runs as "nobody"; where Sway
// cannot start, the tests are skipped and say why.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/x_session.h"

namespace {

using namespace std::chrono_literals;
using namespace testing_support;

constexpr uid_t kNobody = 65534;

class WaylandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"run", "data", "home/.config/Parvela"})
      std::filesystem::create_directories(root_.path() / folder);
    ::chmod((root_.path() / "run").c_str(), 0700);
    write_file(root_.path() / "home/.config/Parvela/parvela.conf", "[capture]\nnever_capture=keeper\n");
    // Sway's first command writes XWayland's display name.
    write_file(root_.path() / "run/sway.conf", "output HEADLESS-1 resolution 1280x800\nxwayland enable\n"
               "exec sh -c 'echo $DISPLAY > " + (root_.path() / "run/display").string() + "'\n");
    if (geteuid() == 0) {  // the desktop's files to its user
      ASSERT_EQ(::chown(root_.path().c_str(), kNobody, kNobody), 0);
      for (auto& entry : std::filesystem::recursive_directory_iterator(root_.path()))
        ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
    }
    auto sway_env = base_env();
    sway_env.insert(
        {{"WLR_BACKENDS", "headless"}, {"WLR_LIBINPUT_NO_DEVICES", "1"}, {"WLR_RENDERER", "pixman"}});
    sway_ = start({"sway", "-c", (root_.path() / "run/sway.conf").string()}, sway_env, "sway.err");
    if (!wait_until([&] { return !socket_name().empty() && !x_display().empty(); })) {
      std::string why = read_file(root_.path() / "sway.err");
      GTEST_SKIP() << "Sway cannot start here, the Wayland tests are skipped: "
                   << why.substr(why.size() > 600 ? why.size() - 600 : 0);
    }
  }

  void TearDown() override {
    if (program_) program_->stop();
    if (sway_) sway_->stop();
  }

  std::string x_display() const {
    std::string name = read_file(root_.path() / "run/display");
    return name.substr(0, name.find_first_of(" \n"));
  }

  std::string socket_name() const {
    for (auto& entry : std::filesystem::directory_iterator(root_.path() / "run")) {
      std::string name = entry.path().filename().string();
      if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket()) return name;
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

  // The desktop's environment; `x_class`: an X11 program of that WM_CLASS on XWayland.
  std::map<std::string, std::string> desktop_env(const char* x_class = nullptr) const {
    auto env = base_env();
    env.insert({{"WAYLAND_DISPLAY", socket_name()},
                {"QT_QPA_PLATFORM", x_class ? "xcb" : "wayland"},
                {"PARVELA_NO_ERROR_BOX", "1"}, {"DISPLAY", x_display()}});
    if (x_class && *x_class) env["RESOURCE_NAME"] = x_class;
    return env;
  }

  // Starts `argv` as the desktop's user with `env` as its whole environment, stderr to `err`.
  std::unique_ptr<child_process> start(const std::vector<std::string>& argv,
                                       const std::map<std::string, std::string>& env,
                                       const char* err) const {
    return std::make_unique<child_process>(launch{.argv = argv, .env = env, .whole_env = true,
                                                  .stderr_path = (root_.path() / err).string(),
                                                  .as_nobody = true});
  }

  void start_program() {
    program_ = start({PARVELA_EXE}, desktop_env(), "parvela.err");
    ASSERT_TRUE(wait_until([&] { return log().find("Init complete") != std::string::npos; }))
        << read_file(root_.path() / "parvela.err");
    ASSERT_TRUE(wait_until([&] {
      std::string profile = read_file(root_.path() / "data/Parvela/logs/profile.log");
      return profile.find("First paint") != std::string::npos;
    }));
  }

  std::string log() const { return read_file(root_.path() / "data/Parvela/logs/application.log"); }

  // Sets the clipboard as another program's copy does (wl-copy serves it in the background).
  void copy(const std::string& text) {
    ASSERT_EQ(start({"wl-copy", text}, desktop_env(), "wl-copy.err")->wait(), 0)
        << read_file(root_.path() / "wl-copy.err");
  }

  int quotes_with_text(const std::string& text) const {
    try {
      SQLite::Database db((root_.path() / "data/Parvela/parvela.fdb").string(), SQLite::OPEN_READONLY);
      SQLite::Statement query(db, "SELECT count(*) FROM quote WHERE m_utftext = ?");
      query.bind(1, text);
      return query.executeStep() ? query.getColumn(0).getInt() : 0;
    } catch (const std::exception&) {
      return 0;  // busy or not yet there
    }
  }

  // A double copy 600 ms after any earlier one: once it is stored, everything before it is handled.
  void known_double_copy() {
    std::this_thread::sleep_for(600ms);
    copy("known text");
    copy("known text");
    const int stored = ++known_copies_;
    ASSERT_TRUE(wait_until([&] { return quotes_with_text("known text") == stored; }));
  }

  bool type_keys(const std::string& sequence) {
    return start(type_command(sequence), desktop_env(""), "x.err")->wait() == 0;
  }

  int known_copies_ = 0;
  temp_dir root_;
  std::unique_ptr<child_process> sway_;
  std::unique_ptr<child_process> program_;
};

// Then a double copy in an X program never captured from is not taken from the clipboard.
TEST_F(WaylandTest, OnlyTwoCopiesOfOneTextWithinHalfASecondStoreAQuoteAndNotFromANeverCapturedProgram) {
  start_program();
  EXPECT_EQ(log().find("No data-control"), std::string::npos) << log();
  copy("copied once");
  std::this_thread::sleep_for(800ms);
  copy("copied far apart");
  std::this_thread::sleep_for(700ms);
  copy("copied far apart");
  copy("another text");
  std::this_thread::sleep_for(600ms);
  const std::string text = "Copied twice on Wayland: «Zitat» 引用 😀";
  copy(text);
  copy(text);
  ASSERT_TRUE(wait_until([&] { return quotes_with_text(text) == 1; }));
  known_double_copy();
  EXPECT_EQ(quotes_with_text(text), 1);
  for (const char* other : {"copied once", "copied far apart", "another text"})
    EXPECT_EQ(quotes_with_text(other), 0) << other;
  // An X program that copies at each Ctrl+C; Sway hands its copies on to the Wayland clipboard.
  const std::string kept = "copied in the keeper";
  auto keeper = start({CLIENT_EXE, "keys", (root_.path() / "keys.log").string(), "0", kept},
                      desktop_env("keeper"), "x.err");
  ASSERT_TRUE(wait_until([&] {
    return type_keys("key a") &&
           read_file(root_.path() / "keys.log").find("press a") != std::string::npos;
  })) << read_file(root_.path() / "x.err");
  ASSERT_TRUE(type_keys("sleep 0.6 key ctrl+c sleep 0.2 key ctrl+c"));
  ASSERT_TRUE(wait_until([&] {
    return log().find("Copy in keeper skipped: the settings never capture it") != std::string::npos;
  })) << log();
  known_double_copy();
  EXPECT_EQ(quotes_with_text(kept), 0);
  EXPECT_NE(log().find("Double copy on Wayland skipped: it came from a program never captured"),
            std::string::npos) << log();
}

}  // namespace
