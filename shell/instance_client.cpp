#include "shell/instance_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace pvl {

int connect_to_instance(const std::string& folder) {
  std::string path = folder + "/parvela.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

namespace {

bool send_all(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return true;
}

// Reads until `want` bytes are in `bytes`; false on the end of the stream,
// an error or `timeout_ms` without data.
bool receive_until(int fd, std::string& bytes, size_t want, int timeout_ms) {
  char buffer[65536];
  while (bytes.size() < want) {
    pollfd entry{fd, POLLIN, 0};
    int ready = ::poll(&entry, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, want - bytes.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.append(buffer, size_t(n));
  }
  return true;
}

}  // namespace

instance_reply ask_instance(int fd, const instance_request& request, int answer_timeout_ms) {
  instance_reply reply;
  std::string frame;
  // An instance that stops reading cannot hold the command for longer.
  timeval limit{answer_timeout_ms / 1000, (answer_timeout_ms % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  // An instance that refuses a request may answer before it is all sent:
  // the answer is read however the sending went.
  send_all(fd, encode_request(request));
  bool answered = receive_until(fd, frame, kFrameHeadBytes, answer_timeout_ms);
  if (answered) {
    // The answer's size as the instance announced it; a large export
    // arrives into one allocation.
    const size_t whole = kFrameHeadBytes + size_t(frame_body_bytes(frame));
    frame.reserve(std::min<size_t>(whole, size_t(1) << 30));
    answered = receive_until(fd, frame, whole, answer_timeout_ms);
  }
  ::close(fd);
  std::optional<instance_answer> answer;
  if (answered) answer = parse_answer(frame);
  if (!answer) {
    reply.why = "the running Parvela did not answer (an older version? quit it and start it again)";
    return reply;
  }
  reply.how = instance_reply::outcome::answered;
  reply.answer = std::move(*answer);
  return reply;
}

bool ask_instance_to_show(const std::string& folder) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    int fd = connect_to_instance(folder);
    if (fd >= 0) {
      return ask_instance(fd, {{"show"}, {}}, 1000).how == instance_reply::outcome::answered;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace pvl
