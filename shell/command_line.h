// The program's command line, read into plain data before anything else
// starts: `parvela` alone starts the window; an option or a command asks for
// one thing done on the terminal (see usage_text()).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pvl {

struct command_line {
  enum class action {
    start, help, version, add, list, tags, export_quotes, import_quotes,
    capture, copy, show, quit
  };
  action what = action::start;
  // Set when the words name no option or command this program knows: a
  // one-line message naming the offending word. `what` is then meaningless.
  std::string error;

  std::vector<std::string> tags;       // --tag NAME, each time it is given
  bool any = false;                    // --any: a quote with any of the tags
  int64_t limit = -1;                  // --limit N; -1: no limit
  std::string format;                  // --format; "" when not given
  std::optional<std::string> search;   // --search WORDS
  std::optional<std::string> text;     // add: TEXT; "-" means standard input
  std::string file;                    // export: FILE or "-"; import: FILE.json
  bool merge = false;                  // import --merge
  std::vector<int32_t> ids;            // copy: ID...
  bool with_tags = false;              // copy --with-tags
};

// Reads the words after the program's name.
command_line parse_command_line(const std::vector<std::string>& words);

// The word that names a command ("export" for export_quotes); "" for the
// actions that are no command (start, help, version).
std::string command_word(command_line::action what);

// The help text, ending with a line feed.
std::string usage_text();

// "parvela <version>".
std::string version_text();

}  // namespace pvl
