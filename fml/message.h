// Building error texts: pieces joined without separators, and the text of
// the last system error.
#pragma once

#include <string>
#include <string_view>

namespace fml {

// Joins the pieces with nothing between them.
template <typename... Pieces>
std::string join_message(const Pieces&... pieces) {
  std::string out;
  (out.append(std::string_view(pieces)), ...);
  return out;
}

// "Error code: " + the decimal code + " " + the system's message for it, for
// the calling thread's current errno (read before anything else runs).
std::string system_error_text();
std::string system_error_text(int code);

}  // namespace fml
