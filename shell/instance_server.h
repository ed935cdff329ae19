// The running instance's side of its socket (shell/instance_protocol.h):
// accepts the commands' connections on the GUI thread without ever waiting
// on one. Each connection is read as its bytes come, within kTalkTimeout; a
// whole request is handed to the handler and its answer written back, then
// the connection closes. A connection from a process of another user, an
// oversized, malformed or truncated request, or a client too slow to talk
// gets an error answer (where it can still be sent) and costs the window
// nothing else.
#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "shell/instance_protocol.h"

namespace pvl {

class instance_server : public QObject {
 public:
  static constexpr std::chrono::milliseconds kTalkTimeout{10000};
  // How long, after the answer, the client may take to close its end.
  static constexpr std::chrono::milliseconds kDrainTimeout{1000};

  // Answers a request through `reply`, at once or later (once; a reply
  // after kTalkTimeout is dropped); called on the GUI thread. What it
  // raises is answered as an error.
  using replier = std::function<void(const instance_answer&)>;
  using handler = std::function<void(const instance_request&, const replier& reply)>;

  // Watches `listen_fd` (which stays the caller's) for connections.
  instance_server(int listen_fd, handler on_request);
  ~instance_server() override;

 private:
  struct connection;
  void accept_one(int listen_fd);
  void on_readable(connection& talk);
  void on_writable(connection& talk);
  void answer(connection& talk, const instance_answer& answer);
  void close(connection& talk);

  handler on_request_;
  std::vector<std::unique_ptr<connection>> connections_;
  uint64_t connections_made_ = 0;
};

}  // namespace pvl
