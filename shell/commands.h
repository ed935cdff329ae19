// The commands of the command line (shell/command_line.h). While Parvela
// runs, a command is handed to it over its socket (shell/instance_client.h)
// and it carries the command out (shell/instance_commands.h). Otherwise the
// command works on the collection file directly, without a window: the file
// is opened as the program opens it (model/collection_file.h: its locking,
// its write-ahead log synced at every commit), so a command and the
// program, or two commands, never corrupt it.
#pragma once

#include <iosfwd>

#include "model/json_import.h"
#include "model/logic.h"
#include "shell/command_client.h"
#include "shell/command_line.h"

namespace pvl {

// Carries out `line` (any action but start) and returns its exit code:
// results to `out`, errors to `err`, `in` read by `add -` and `import -`.
// show and quit fail when no instance runs; capture and copy then use the
// display's clipboard themselves (shell/clipboard_keeper.h).
int run_command(const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err);

// The commands on an open collection (for run_command and the benchmarks).
// Each returns its exit code, reporting an error to `err`.
// The error of an add whose text is empty or blank.
inline constexpr char kNothingToAdd[] = "nothing to add: the text is empty or only white space";

int add_command(logic& store, const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err);
int list_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err);
int tags_command(logic& store, const command_line& line, std::ostream& out);
// Writes to `out` when the file is "-".
int export_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err);
// The page or document export_command writes; nullopt (reported on `err`)
// when the search is not one.
std::optional<std::string> export_content(logic& store, const command_line& line,
                                          std::ostream& err);
// list and export leave the store's search as they found it.

// What an import prints.
std::string import_report(const import_counts& counts, bool merge);
// The clipboard text of `line`'s copy command: the window's copy texts.
// False (reported) when an id is not stored.
bool copy_text(logic& store, const command_line& line, std::wstring* text, std::ostream& err);

}  // namespace pvl
