#include "shell/instance_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#include "fml/log.h"
#include "shell/loop_errors.h"

namespace pvl {

namespace {

instance_answer error_answer(const std::string& why) { return {1, {}, "parvela: " + why + "\n"}; }

// True when the process at the other end runs as this process's user.
bool same_user(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

}  // namespace

struct instance_server::connection {
  uint64_t number = 0;  // in the order of connection
  int fd = -1;
  std::unique_ptr<QSocketNotifier> readable;
  std::unique_ptr<QSocketNotifier> writable;
  QTimer deadline;
  std::string bytes;    // the request as far as read, then the answer to write
  size_t written = 0;   // of the answer
  bool handled = false;  // the request went to the handler
  bool answering = false;
  bool draining = false;  // answered; reading what the client still sends
};

instance_server::instance_server(int listen_fd, handler on_request)
    : on_request_(std::move(on_request)) {
  auto* listening = new QSocketNotifier(listen_fd, QSocketNotifier::Read, this);
  connect(listening, &QSocketNotifier::activated, this,
          [this, listen_fd] { guarded([&] { accept_one(listen_fd); }); });
}

instance_server::~instance_server() {
  for (auto& talk : connections_) {
    if (talk->fd >= 0) ::close(talk->fd);
  }
}

void instance_server::accept_one(int listen_fd) {
  int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  connections_.push_back(std::make_unique<connection>());
  connection& talk = *connections_.back();
  talk.number = ++connections_made_;
  talk.fd = fd;
  talk.deadline.setSingleShot(true);
  connect(&talk.deadline, &QTimer::timeout, this, [this, &talk] {
    guarded([&] {
      std::string within = " within " + std::to_string(kTalkTimeout.count() / 1000) + " s";
      if (talk.answering) {
        close(talk);
      } else if (talk.handled) {
        answer(talk, error_answer("no answer" + within));
      } else {
        answer(talk, error_answer("the request did not come whole" + within));
      }
    });
  });
  talk.deadline.start(kTalkTimeout);
  talk.readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(talk.readable.get(), &QSocketNotifier::activated, this,
          [this, &talk] { guarded([&] { on_readable(talk); }); });
  if (!same_user(fd)) {
    fml::getlog("app") << "Command refused: it comes from another user's process" << std::endl;
    answer(talk, error_answer("refused: the command comes from another user's process"));
  }
}

void instance_server::on_readable(connection& talk) {
  char buffer[65536];
  if (talk.draining) {
    // Closing with bytes unread would reset the connection before the
    // client has read the answer: they are read and dropped until its end.
    ssize_t n;
    while ((n = ::recv(talk.fd, buffer, sizeof buffer, 0)) > 0) {
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) close(talk);
    return;
  }
  for (;;) {
    size_t want = kFrameHeadBytes;
    if (talk.bytes.size() >= kFrameHeadBytes) {
      uint32_t body = frame_body_bytes(talk.bytes);
      if (body > kMaxRequestBytes) break;  // parse_request answers it
      want += body;
      if (talk.bytes.size() == want) break;  // whole
    }
    ssize_t n = ::recv(talk.fd, buffer, std::min(sizeof buffer, want - talk.bytes.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // more to come
    if (n <= 0) break;  // the client stopped sending: what came is parsed
    talk.bytes.append(buffer, size_t(n));
  }
  talk.readable->setEnabled(false);
  parsed_request parsed = parse_request(talk.bytes);
  talk.bytes.clear();
  talk.bytes.shrink_to_fit();
  if (!parsed.request) {
    fml::getlog("app") << "Command refused: " << parsed.error << std::endl;
    answer(talk, error_answer(parsed.error));
    return;
  }
  talk.handled = true;
  // The reply finds its connection by number: it may come after the
  // connection timed out, or after this server is gone.
  QPointer<instance_server> server(this);
  replier reply = [server, number = talk.number](const instance_answer& answered) {
    if (!server) return;
    for (auto& open : server->connections_) {
      if (open->number == number && open->fd >= 0 && !open->answering) {
        server->answer(*open, answered);
      }
    }
  };
  try {
    on_request_(*parsed.request, reply);
  } catch (const std::exception& error) {
    reply(error_answer(error.what()));
  }
}

void instance_server::answer(connection& talk, const instance_answer& answer) {
  if (talk.readable) talk.readable->setEnabled(false);
  talk.answering = true;
  talk.bytes = encode_answer(answer);
  talk.written = 0;
  talk.writable = std::make_unique<QSocketNotifier>(talk.fd, QSocketNotifier::Write);
  talk.writable->setEnabled(false);
  connect(talk.writable.get(), &QSocketNotifier::activated, this,
          [this, &talk] { guarded([&] { on_writable(talk); }); });
  on_writable(talk);
}

void instance_server::on_writable(connection& talk) {
  while (talk.written < talk.bytes.size()) {
    ssize_t n = ::send(talk.fd, talk.bytes.data() + talk.written, talk.bytes.size() - talk.written,
                       MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      talk.writable->setEnabled(true);
      return;
    }
    if (n <= 0) break;  // the client is gone
    talk.written += size_t(n);
  }
  if (talk.written < talk.bytes.size()) {
    close(talk);
    return;
  }
  talk.writable->setEnabled(false);
  ::shutdown(talk.fd, SHUT_WR);
  talk.draining = true;
  talk.deadline.start(kDrainTimeout);
  talk.readable->setEnabled(true);
}

void instance_server::close(connection& talk) {
  if (talk.fd < 0) return;
  talk.deadline.stop();
  if (talk.readable) talk.readable->setEnabled(false);
  if (talk.writable) talk.writable->setEnabled(false);
  ::close(talk.fd);
  talk.fd = -1;
  // The connection goes once the notifier that called here has returned.
  QMetaObject::invokeMethod(
      this,
      [this, gone = &talk] {
        std::erase_if(connections_, [gone](const auto& talk) { return talk.get() == gone; });
      },
      Qt::QueuedConnection);
}

}  // namespace pvl
