#include "shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pvl {

namespace {

bool fill_address(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

std::string runtime_folder() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  struct stat info;
  if (xdg && xdg[0] == '/' && ::stat(xdg, &info) == 0 && S_ISDIR(info.st_mode)) return xdg;

  std::string folder = "/tmp/parvela-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
    return {};
  }
  return folder;
}

single_instance::single_instance(const std::string& folder)
    : socket_path_(folder + "/parvela.sock") {
  auto fail = [this](const std::string& what, const std::string& path) {
    failure_ = what + " " + path + ": " + std::strerror(errno);
  };
  std::string lock_path = folder + "/parvela.lock";
  lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ < 0) {
    fail("Cannot open the lock file", lock_path);
    return;
  }
  if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      another_runs_ = true;
    } else {
      fail("Cannot lock", lock_path);
    }
    return;
  }

  // The lock is ours, so any socket file left behind is stale.
  ::unlink(socket_path_.c_str());
  sockaddr_un address;
  if (!fill_address(socket_path_, &address)) {
    failure_ = "The socket path " + socket_path_ + " is " + std::to_string(socket_path_.size()) +
               " bytes long, more than a socket path may have (" +
               std::to_string(sizeof address.sun_path - 1) + "): choose a shorter XDG_RUNTIME_DIR";
    return;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    fail("Cannot create the socket", socket_path_);
    return;
  }
  // Read and write for the user alone (0600) from the moment it exists.
  mode_t old_mask = ::umask(0177);
  bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::umask(old_mask);
  if (!bound || ::listen(fd, 8) != 0) {
    fail(bound ? "Cannot listen on" : "Cannot create", socket_path_);
    ::close(fd);
    return;
  }
  listen_fd_ = fd;
}

single_instance::~single_instance() {
  stop_listening();
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

void single_instance::stop_listening() {
  if (listen_fd_ < 0) return;
  ::close(listen_fd_);
  ::unlink(socket_path_.c_str());
  listen_fd_ = -1;
}

}  // namespace pvl
