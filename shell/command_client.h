// A command's own side, which needs neither the collection nor a display:
// its exit codes, its input and output, and handing it to the running
// instance over the instance's socket (shell/instance_client.h). The small
// front process (shell/launcher.cpp) is built from this alone.
#pragma once

#include <iosfwd>
#include <string>

#include "shell/command_line.h"

namespace pvl {

// Exit codes of a command: done; failed (the reason on standard error);
// words not understood (the usage on standard error).
inline constexpr int kCommandDone = 0;
inline constexpr int kCommandFailed = 1;
inline constexpr int kCommandUsage = 2;

// Flushes `out`; kCommandDone, or kCommandFailed (reported) when it failed.
int written(std::ostream& out, std::ostream& err);

// The bytes of `file`, or of `in` for "-"; false (reported) when the file
// cannot be read.
bool read_input(const std::string& file, std::istream& in, std::string* bytes, std::ostream& err);

// Writes `content` to `file`, created or replaced whole; the exit code.
int write_output_file(const std::string& file, const std::string& content, std::ostream& err);

// Hands `line` (a command) to the running instance connected on `fd`, with
// its input (the text of `add -`, the file of `import`), and passes the
// answer on: its outputs, the file of `export`, its exit code. Closes `fd`.
int ask_running_instance(int fd, const command_line& line, std::istream& in, std::ostream& out,
                         std::ostream& err);

}  // namespace pvl
