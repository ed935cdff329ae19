// The commands of the command line (shell/command_line.h), carried out on
// the collection file directly, without a window or a display. The file is
// opened as the program opens it (model/collection_file.h: its locking, its
// write-ahead log synced at every commit), so a command and the program, or
// two commands, never corrupt it.
#pragma once

#include <iosfwd>

#include "model/logic.h"
#include "shell/command_line.h"

namespace pvl {

// Exit codes of a command: done; failed (the reason on standard error);
// words not understood (the usage on standard error).
inline constexpr int kCommandDone = 0;
inline constexpr int kCommandFailed = 1;
inline constexpr int kCommandUsage = 2;

// Carries out `line` (any action but start) and returns its exit code:
// results to `out`, errors to `err`, `in` read by `add -`. When a Parvela
// instance runs, commands that would change the collection are refused: they
// will be handed to it over its socket once that speaks more than "show".
int run_command(const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err);

// The commands on an open collection (for run_command and the benchmarks).
// Each returns its exit code, reporting an error to `err`.
int add_command(logic& store, const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err);
int list_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err);
int tags_command(logic& store, const command_line& line, std::ostream& out);
// Writes to `out` when the file is "-".
int export_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err);

}  // namespace pvl
