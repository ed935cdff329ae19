// For tests of refusals: the message of the `Error` a call raises, or "no error" when it returns.
// An error of another type passes through and fails the test.
#pragma once

#include <functional>
#include <string>

namespace model_testing {

template <class Error>
std::string raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace model_testing
