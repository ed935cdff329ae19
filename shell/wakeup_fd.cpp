#include "shell/wakeup_fd.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "fml/exception.h"
#include "fml/message.h"

namespace pvl {

wakeup_fd::wakeup_fd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw fml::exception("eventfd: " + fml::system_error_text(errno));
}

wakeup_fd::~wakeup_fd() { ::close(fd_); }

bool wakeup_fd::notify() {
  uint64_t one = 1;
  // EAGAIN means the counter is full: a wake-up is pending anyway.
  return ::write(fd_, &one, sizeof one) == sizeof one || errno == EAGAIN;
}

void wakeup_fd::drain() {
  uint64_t count;
  [[maybe_unused]] ssize_t ignored = ::read(fd_, &count, sizeof count);
}

}  // namespace pvl
