// Wakes a thread that sleeps in poll(): another thread calls notify(), the
// sleeping one polls fd() for reading and calls drain() once woken.
#pragma once

namespace pvl {

class wakeup_fd {
 public:
  // Raises fml::exception when the system has no descriptor to give.
  wakeup_fd();
  ~wakeup_fd();
  wakeup_fd(const wakeup_fd&) = delete;
  wakeup_fd& operator=(const wakeup_fd&) = delete;

  int fd() const { return fd_; }

  // Returns false when the wake-up could not be sent.
  bool notify();

  void drain();

 private:
  int fd_ = -1;
};

}  // namespace pvl
