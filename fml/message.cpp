#include "fml/message.h"

#include <cerrno>
#include <cstring>

namespace fml {

std::string system_error_text() {
  int code = errno;
  return system_error_text(code);
}

std::string system_error_text(int code) {
  char buffer[256];
  // The GNU strerror_r returns the message, which may or may not be in buffer.
  const char* message = strerror_r(code, buffer, sizeof buffer);
  return "Error code: " + std::to_string(code) + " " + message;
}

}  // namespace fml
