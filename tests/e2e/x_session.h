// A private X display for an end-to-end test: an Xvfb server on a display
// number it picks itself (so tests can run side by side), the environment
// that points programs at it, and short commands (xdotool, xclip) run on it
// to their end. Everything it starts is ended when it goes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.h"

namespace testing_support {

struct command_result {
  int exit_code = -1;
  std::string output;  // standard output
};

// Spawns `argv` with `env` as its whole environment and standard output to
// `out_fd` (and `extra_fd` as descriptor 3 when given). Returns the pid.
inline pid_t spawn_with_fds(const std::vector<std::string>& argv,
                            const std::vector<std::string>& env, int out_fd, int extra_fd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd >= 0) posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  if (extra_fd >= 0) posix_spawn_file_actions_adddup2(&actions, extra_fd, 3);
  std::vector<char*> args, envp;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  for (const auto& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), envp.data()) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

class x_session {
 public:
  x_session() {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    // -displayfd: the server takes the first free display and says which.
    xvfb_ = spawn_with_fds(
        {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
        base_env(), -1, pipe_fds[1]);
    ::close(pipe_fds[1]);
    std::string number;
    pollfd entry{pipe_fds[0], POLLIN, 0};
    while (::poll(&entry, 1, 10000) > 0) {
      char buffer[16];
      ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      number.append(buffer, size_t(got));
      if (number.find('\n') != std::string::npos) break;
    }
    ::close(pipe_fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (xvfb_ < 0 || number.empty()) {
      stop_xvfb();
      throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number;
  }

  ~x_session() {
    children_.clear();  // ends everything started on the display first
    stop_xvfb();
  }

  x_session(const x_session&) = delete;
  x_session& operator=(const x_session&) = delete;

  const std::string& display() const { return display_; }

  // The variables that put a program on this display, as X11 client, with
  // no session bus (so Qt's tray icon talks to the X11 tray), and without
  // the program's error box, which nobody would close.
  std::map<std::string, std::string> env() const {
    return {{"DISPLAY", display_},
            {"QT_QPA_PLATFORM", "xcb"},
            {"WAYLAND_DISPLAY", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"},
            {"XDG_SESSION_TYPE", ""},
            {"PARVELA_NO_ERROR_BOX", "1"}};
  }

  // Kills the X server, as when it crashes: its clients lose their
  // connections.
  void kill_server() {
    if (xvfb_ <= 0) return;
    ::kill(xvfb_, SIGKILL);
    ::waitpid(xvfb_, nullptr, 0);
    xvfb_ = -1;
  }

  // Starts a long-running program on the display; it is ended (SIGKILL)
  // when the session ends, if not before.
  child_process& start(const std::string& program, const std::vector<std::string>& args = {},
                       std::map<std::string, std::string> extra_env = {}) {
    for (auto& [name, value] : env()) extra_env.emplace(name, value);
    children_.push_back(std::make_unique<child_process>(resolve(program), extra_env, args));
    return *children_.back();
  }

  // Runs a short command on the display to its end (at most `timeout`) and
  // returns its exit code and standard output.
  command_result run(const std::vector<std::string>& argv,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return {};
    std::vector<std::string> environment = base_env();
    environment.push_back("DISPLAY=" + display_);
    pid_t pid = spawn_with_fds(argv, environment, pipe_fds[1]);
    ::close(pipe_fds[1]);
    command_result result;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd entry{pipe_fds[0], POLLIN, 0};
      if (left.count() <= 0 || ::poll(&entry, 1, int(left.count())) <= 0) break;
      char buffer[65536];
      ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      result.output.append(buffer, size_t(got));
    }
    ::close(pipe_fds[0]);
    if (pid > 0) {
      int status = 0;
      if (std::chrono::steady_clock::now() >= deadline) ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
  }

  // xdotool with the given arguments, to its end.
  command_result xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
  }

  // The ids of the windows whose name matches `pattern` (a regex), only
  // mapped ones when `visible_only`.
  std::vector<std::string> windows(const std::string& pattern, bool visible_only) const {
    std::vector<std::string> args{"search"};
    if (visible_only) args.push_back("--onlyvisible");
    args.insert(args.end(), {"--name", pattern});
    std::vector<std::string> ids;
    std::string output = xdotool(args).output;
    for (size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
         start = end + 1) {
      if (end > start) ids.push_back(output.substr(start, end - start));
    }
    return ids;
  }

 private:
  static std::vector<std::string> base_env() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
      std::string text = *entry;
      if (text.rfind("DISPLAY=", 0) == 0 || text.rfind("WAYLAND_DISPLAY=", 0) == 0) continue;
      env.push_back(text);
    }
    return env;
  }

  // child_process runs a path, not a name looked up in PATH.
  static std::string resolve(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
      std::string path = std::string(folder) + program;
      if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return program;
  }

  void stop_xvfb() {
    if (xvfb_ <= 0) return;
    ::kill(xvfb_, SIGTERM);
    for (int i = 0; i < 300; ++i) {
      if (::waitpid(xvfb_, nullptr, WNOHANG) == xvfb_) {
        xvfb_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(xvfb_, SIGKILL);
    ::waitpid(xvfb_, nullptr, 0);
    xvfb_ = -1;
  }

  pid_t xvfb_ = -1;
  std::string display_;
  std::vector<std::unique_ptr<child_process>> children_;
};

}  // namespace testing_support
