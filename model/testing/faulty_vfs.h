// Storage faults on demand for the model's tests: an SQLite VFS, installed as
// the default around the system's one while the object lives, that counts
// the writes, syncs and lock takings on every file of every connection and
// fails them from the n-th on (a write as a full disk, a sync or a lock as
// an I/O error) until healed. One at a time per process.
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

  // Starts counting every kind afresh.
  void reset_counts();
  // Calls of `kind` since the last reset_counts().
  int count(fault kind) const;
  // Makes the n-th call of `kind` after the last reset_counts() (counting
  // from 1) and every later one fail, until heal().
  void fail_from(fault kind, int n);
  void heal();
};

}  // namespace model_testing
