// The root of every error this program raises, and the errors of the support
// library itself. Each error carries one narrow (UTF-8) text, returned by what().
#pragma once

#include <exception>
#include <string>

namespace fml {

class exception : public std::exception {
 public:
  explicit exception(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// Declares an error class that adds nothing to its base but its name, so that
// handlers and readers can tell errors apart.
#define FML_DECLARE_ERROR(name, base)                          \
  class name : public base {                                   \
   public:                                                     \
    explicit name(std::string text) : base(std::move(text)) {} \
  }

FML_DECLARE_ERROR(deprecated, exception);
FML_DECLARE_ERROR(reglog_error, exception);
FML_DECLARE_ERROR(getlog_error, exception);
FML_DECLARE_ERROR(cannot_open_log_error, exception);
FML_DECLARE_ERROR(text_conversion_error, exception);

}  // namespace fml
