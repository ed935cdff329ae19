// What the end-to-end tests share: a log's lines, and keys typed through the test client.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/x_session.h"

namespace testing_support {

inline std::vector<std::string> lines_of(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// `sequence` ("key ctrl+c sleep 0.2 key ctrl+c", as for xdotool) as the test client's arguments.
inline std::vector<std::string> type_command(const std::string& sequence) {
  std::vector<std::string> args{CLIENT_EXE, "type"};
  std::istringstream words(sequence);
  for (std::string word; words >> word;) args.push_back(word);
  return args;
}

// Types `sequence` on the display; true when every key was sent.
inline bool type_keys(const x_session& x, const std::string& sequence) {
  return x.run(type_command(sequence)).exit_code == 0;
}

}  // namespace testing_support
