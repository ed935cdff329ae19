// Runs the program (or any executable) as a child process with a chosen
// environment, for tests of whole-process behaviour.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testing_support {

class child_process {
 public:
  // Starts `program` with the current environment changed by `env`: a value
  // sets a variable, an empty value removes it. Standard error goes to the
  // file `stderr_path` when one is given.
  child_process(const std::string& program, const std::map<std::string, std::string>& env,
                const std::vector<std::string>& args = {}, const std::string& stderr_path = "") {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
      std::string text = *entry;
      size_t equals = text.find('=');
      if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (auto& [name, value] : env) {
      if (value.empty()) merged.erase(name); else merged[name] = value;
    }
    std::vector<std::string> env_strings;
    for (auto& [name, value] : merged) env_strings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : env_strings) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_strings{program};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& text : argv_strings) argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!stderr_path.empty()) {
      posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~child_process() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  child_process(const child_process&) = delete;
  child_process& operator=(const child_process&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int number) const { ::kill(pid_, number); }

  // Waits for the process to end; returns its exit code, or -1 on timeout or
  // when it was killed by a signal.
  int wait(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

// Polls `condition` every 10 ms until it holds or `timeout` passes.
template <typename Condition>
bool wait_until(Condition condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace testing_support
