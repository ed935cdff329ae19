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

  // Counts afresh and makes the n-th call of `kind` (from 1) and all later ones fail; 0: none.
  void fail_from(fault kind, int n);
  int count(fault kind) const;  // calls since the last fail_from()
  void heal();
};

}  // namespace model_testing
