// The command's side of the instance's socket (shell/instance_protocol.h):
// connects, sends one request and waits for the answer. Plain sockets, no Qt,
// so that a command handed to the running instance costs little more than
// the instance's work.
#pragma once

#include <string>

#include "shell/instance_protocol.h"

namespace pvl {

struct instance_reply {
  enum class outcome { answered, failed };
  outcome how = outcome::failed;
  instance_answer answer;  // when answered
  std::string why;         // when failed: a line for the user
};

// A connection to the instance listening in `folder` (the runtime folder),
// or -1 when none listens there.
int connect_to_instance(const std::string& folder);

// Sends `request` on the connection `fd`, waits at most `answer_timeout_ms`
// for each part of the answer, and closes `fd`. Answered or failed.
instance_reply ask_instance(int fd, const instance_request& request, int answer_timeout_ms);

// For a later start: asks the instance in `folder` to show its window,
// retrying for about a second while it is still starting. Returns true when
// it answered.
bool ask_instance_to_show(const std::string& folder);

}  // namespace pvl
