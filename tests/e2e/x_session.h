// A private X display for an end-to-end test: Xvfb on a display number it picks itself, and the
// programs started and commands run on it. Everything it starts is ended when it goes. Also what
// the end-to-end tests share: a log's lines, and keys typed through the test client.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

struct command_result {
  int exit_code = -1;
  std::string output;  // standard output
};

class x_session {
 public:
  x_session() {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    // -displayfd: the server names the free display it took once it takes connections.
    xvfb_ = std::make_unique<child_process>(launch{
        .argv = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
        .env = {{"DISPLAY", ""}},
        .fd3 = pipe_fds[1]});
    std::string number = read_all(pipe_fds, std::chrono::seconds(30), true);
    if (number.empty() || number.back() != '\n') throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number.substr(0, number.size() - 1);
  }
  ~x_session() {
    children_.clear();  // ends everything started on the display first
    xvfb_->stop();
  }
  x_session(const x_session&) = delete;
  x_session& operator=(const x_session&) = delete;
  const std::string& display() const { return display_; }

  // A program on this display: an X11 client, no session bus (Qt's tray icon talks to the X11
  // tray), no error box (nobody would close it).
  std::map<std::string, std::string> env() const {
    return {{"DISPLAY", display_}, {"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}, {"XDG_SESSION_TYPE", ""},
            {"PARVELA_NO_ERROR_BOX", "1"}};
  }

  void kill_server() { xvfb_->stop(SIGKILL); }  // as when it crashes

  // Starts a long-running program on the display, killed when the session ends.
  child_process& start(const std::string& program, const std::vector<std::string>& args = {},
                       std::map<std::string, std::string> extra_env = {}) {
    for (const auto& each : env()) extra_env.insert(each);
    children_.push_back(std::make_unique<child_process>(program, extra_env, args));
    return *children_.back();
  }

  // Runs a short command on the display to its end; its output is read for at most `timeout`.
  command_result run(const std::vector<std::string>& argv,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30)) const {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return {};
    child_process command(launch{.argv = argv, .env = {{"DISPLAY", display_}}, .stdout_fd = pipe_fds[1]});
    command_result result;
    result.output = read_all(pipe_fds, timeout, false);
    result.exit_code = command.wait(std::chrono::seconds(5));
    return result;
  }

  command_result xdotool(std::vector<std::string> args) const {
    args.insert(args.begin(), "xdotool");
    return run(args);
  }

  // The ids of the mapped windows whose name matches `pattern` (a regex).
  std::vector<std::string> windows(const std::string& pattern) const {
    std::istringstream output(xdotool({"search", "--onlyvisible", "--name", pattern}).output);
    std::vector<std::string> ids;
    for (std::string id; output >> id;) ids.push_back(id);
    return ids;
  }

  // Waits until a window whose name matches `pattern` is mapped; its id, or "".
  std::string wait_for_window(const std::string& pattern) const {
    std::vector<std::string> ids;
    wait_until([&] { return !(ids = windows(pattern)).empty(); });
    return ids.empty() ? "" : ids[0];
  }

  std::string clipboard() const { return run({"xclip", "-o", "-selection", "clipboard"}).output; }

  // Starts xclip owning the clipboard with `text` (written to `file`) and waits until it serves it.
  child_process& own_clipboard(const std::filesystem::path& file, const std::string& text) {
    write_file(file, text);
    child_process& xclip = start("xclip", {"-quiet", "-selection", "clipboard", "-i", file.string()});
    if (!wait_until([&] { return clipboard() == text; })) throw std::runtime_error("xclip: " + text);
    return xclip;
  }

  bool clipboard_offers(const std::string& target) const {
    return wait_until([&] {
      return run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}).output.find(target) !=
             std::string::npos;
    });
  }

 private:
  // Closes the pipe's writing end, then reads it to its end (or, with `one_line`, a newline) for
  // at most `timeout`, and closes it.
  static std::string read_all(int pipe_fds[2], std::chrono::milliseconds timeout, bool one_line) {
    ::close(pipe_fds[1]);
    std::string text;
    char buffer[65536];
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd entry{pipe_fds[0], POLLIN, 0};
      if (left.count() <= 0 || ::poll(&entry, 1, int(left.count())) <= 0) break;
      ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      text.append(buffer, size_t(got));
      if (one_line && text.find('\n') != std::string::npos) break;
    }
    ::close(pipe_fds[0]);
    return text;
  }

  std::unique_ptr<child_process> xvfb_;
  std::string display_;
  std::vector<std::unique_ptr<child_process>> children_;
};

inline std::vector<std::string> lines_of(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

#ifdef CLIENT_EXE  // the e2e tests, built with the test client; not the benchmarks
// `sequence` ("key ctrl+c sleep 0.2 key ctrl+c", as for xdotool) as the test client's arguments.
inline std::vector<std::string> type_command(const std::string& sequence) {
  std::vector<std::string> args{CLIENT_EXE, "type"};
  std::istringstream words(sequence);
  for (std::string word; words >> word;) args.push_back(word);
  return args;
}

// Types `sequence` on the display; true when every key was sent.
inline bool type_keys(const x_session& x, const std::string& sequence) {
  return x.run(type_command(sequence)).exit_code == 0;
}
#endif

}  // namespace testing_support
