// Keeps one running instance per user. The first instance holds an exclusive
// lock on "parvela.lock" and listens on the socket "parvela.sock" (0600) in
// the user's runtime folder; a later instance finds the lock taken, asks the
// first one through the socket to show its window (shell/instance_client.h),
// and ends. The lock dies with its process, so a crashed instance never
// blocks the next start.
#pragma once

#include <string>

namespace pvl {

// $XDG_RUNTIME_DIR when it names a folder, else /tmp/parvela-<uid>, created
// private (0700). Returns "" when no safe folder can be had (the private
// folder exists but belongs to someone else or is open to others).
std::string runtime_folder();

class single_instance {
 public:
  // Tries to become the first instance, using `folder` for the lock file
  // and the socket.
  explicit single_instance(const std::string& folder);
  ~single_instance();
  single_instance(const single_instance&) = delete;
  single_instance& operator=(const single_instance&) = delete;

  // True when this process holds the lock and listens for later instances.
  bool is_first() const { return listen_fd_ >= 0; }

  // True when another process holds the lock: this one is a later instance.
  bool another_runs() const { return another_runs_; }

  // Why this process is neither the first instance nor a later one: the
  // folder cannot hold the lock file or the socket (not writable, a path
  // too long for a socket, ...). Empty otherwise.
  const std::string& failure() const { return failure_; }

  // The listening socket of the first instance, to watch for connections.
  int listen_fd() const { return listen_fd_; }

  // For the first instance: closes the socket and removes its file, as the
  // destructor does, for a process that must end without unwinding.
  void stop_listening();

 private:
  std::string socket_path_;
  std::string failure_;
  bool another_runs_ = false;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
};

}  // namespace pvl
