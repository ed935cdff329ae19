// Runs a check as an ordinary user, so that tests of file permissions hold under root too.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace testing_support {

// Runs `check` and returns its result; as root, in a child process that has become "nobody",
// to whom `folder` and everything in it is handed first.
inline bool run_unprivileged(const std::filesystem::path& folder,
                             const std::function<bool()>& check) {
  if (geteuid() != 0) return check();
  constexpr uid_t kNobody = 65534;
  if (chown(folder.c_str(), kNobody, kNobody) != 0) return false;
  for (auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (lchown(entry.path().c_str(), kNobody, kNobody) != 0) return false;
  }
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testing_support
