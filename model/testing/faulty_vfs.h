// Storage faults for the model's tests: while it lives, the default SQLite VFS counts writes,
// syncs and locks and fails them from the n-th on (full disk, I/O error) until healed. One at a time.
#pragma once

#include <array>

namespace model_testing {

enum class fault : int { write, sync, lock };
inline constexpr std::array kFaults{fault::write, fault::sync, fault::lock};
inline const char* fault_name(fault kind) {
  return std::array{"write", "sync", "lock"}[static_cast<int>(kind)];
}

class faulty_vfs {
 public:
  faulty_vfs();
  ~faulty_vfs();
  faulty_vfs(const faulty_vfs&) = delete;

  void reset_counts();
  int count(fault kind) const;  // calls of `kind` since the last reset_counts()
  // Makes the n-th call of `kind` (from 1) after the last reset_counts() and all later ones fail.
  void fail_from(fault kind, int n);
  void heal();
};

}  // namespace model_testing
