// Runs the program (or any executable) as a child process with a chosen environment.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testing_support {

// How to start a child: `argv[0]` is a path or a name looked up in PATH.
struct launch {
  std::vector<std::string> argv{};
  std::map<std::string, std::string> env{};  // changes: a value sets, an empty value removes
  bool whole_env = false;                    // `env` is the whole environment
  std::string stderr_path{};                 // standard error to this file when given
  int stdout_fd = -1, fd3 = -1;              // descriptors handed on as 1 and 3
  bool as_nobody = false;                    // when root, run as the user "nobody"
};

class child_process {
 public:
  child_process(const std::string& program, const std::map<std::string, std::string>& env,
                const std::vector<std::string>& args = {}, const std::string& stderr_path = "")
      : child_process(launch{.argv = {program}, .env = env, .stderr_path = stderr_path}, args) {}

  explicit child_process(launch how, const std::vector<std::string>& more_args = {}) {
    how.argv.insert(how.argv.end(), more_args.begin(), more_args.end());
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry && !how.whole_env; ++entry) {
      std::string text = *entry;
      if (size_t equals = text.find('='); equals != std::string::npos)
        merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (auto& [name, value] : how.env) {
      if (value.empty()) merged.erase(name); else merged[name] = value;
    }
    std::vector<std::string> env_strings;
    for (auto& [name, value] : merged) env_strings.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (auto& text : how.argv) argv.push_back(text.data());
    for (auto& text : env_strings) envp.push_back(text.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ != 0) {
      if (pid_ > 0) pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
      return;
    }
    constexpr uid_t kNobody = 65534;
    if (how.as_nobody && geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      _exit(126);
    }
    if (how.stdout_fd >= 0) ::dup2(how.stdout_fd, 1);
    if (how.fd3 >= 0) ::dup2(how.fd3, 3);
    if (!how.stderr_path.empty()) {
      int err = ::open(how.stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (err >= 0) ::dup2(err, 2);
    }
    ::execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  ~child_process() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (pidfd_ >= 0) ::close(pidfd_);
  }
  child_process(const child_process&) = delete;
  child_process& operator=(const child_process&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int number) const { ::kill(pid_, number); }

  // Waits for the process to end; its exit code, or -1 on timeout or a signal.
  int wait(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    if (pid_ <= 0 || exited_) return -1;
    pollfd end{pidfd_, POLLIN, 0};
    if (pidfd_ < 0 || ::poll(&end, 1, int(timeout.count())) <= 0) return -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Sends `number`; kills the process when it has not ended within five seconds.
  void stop(int number = SIGTERM) {
    if (pid_ <= 0 || exited_) return;
    signal(number);
    wait(std::chrono::seconds(5));
  }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  bool exited_ = false;
};

// Checks `condition` every 10 ms until it holds or `timeout` passes.
template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace testing_support
