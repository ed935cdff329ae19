#include "shell/command_line.h"

#include <charconv>

namespace pvl {

namespace {

struct command_name {
  const char* word;
  command_line::action what;
};

constexpr command_name kCommands[] = {
    {"add", command_line::action::add},
    {"list", command_line::action::list},
    {"tags", command_line::action::tags},
    {"export", command_line::action::export_quotes},
    {"import", command_line::action::import_quotes},
    {"capture", command_line::action::capture},
    {"copy", command_line::action::copy},
    {"show", command_line::action::show},
    {"quit", command_line::action::quit},
};

bool is_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// The options each command takes; the others are unknown to it.
bool takes(command_line::action what, const std::string& option) {
  using A = command_line::action;
  if (option == "--tag") return what == A::add || what == A::list || what == A::export_quotes;
  if (option == "--search") return what == A::list || what == A::export_quotes;
  if (option == "--any") return what == A::list || what == A::export_quotes;
  if (option == "--limit") return what == A::list;
  if (option == "--format") return what == A::list || what == A::tags || what == A::export_quotes;
  if (option == "--merge") return what == A::import_quotes;
  if (option == "--with-tags") return what == A::copy;
  return false;
}

bool takes_value(const std::string& option) {
  return option == "--tag" || option == "--search" || option == "--limit" || option == "--format";
}

bool valid_format(command_line::action what, const std::string& format) {
  if (format == "markdown" || format == "json") return true;
  if (format == "text") return what != command_line::action::export_quotes;
  if (format == "html") return what == command_line::action::export_quotes;
  return false;
}

command_line failed(std::string message) {
  command_line line;
  line.error = std::move(message);
  return line;
}

}  // namespace

command_line parse_command_line(const std::vector<std::string>& words) {
  command_line line;
  if (words.empty()) return line;
  const std::string& first = words[0];
  if (first == "--help" || first == "-h") {
    line.what = command_line::action::help;
  } else if (first == "--version") {
    line.what = command_line::action::version;
  } else if (is_option(first)) {
    return failed("unknown option: " + first);
  } else {
    bool known = false;
    for (const command_name& command : kCommands) {
      if (first == command.word) {
        line.what = command.what;
        known = true;
      }
    }
    if (!known) return failed("unknown command: " + first);
  }
  using A = command_line::action;
  if (line.what == A::help || line.what == A::version) {
    if (words.size() > 1) return failed("unexpected argument: " + words[1]);
    return line;
  }

  std::vector<std::string> operands;
  bool options_end = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (options_end || !is_option(word)) {
      operands.push_back(word);
      continue;
    }
    if (word == "--") {
      options_end = true;
      continue;
    }
    if (!takes(line.what, word)) return failed("unknown option for " + first + ": " + word);
    std::string value;
    if (takes_value(word)) {
      if (i + 1 == words.size()) return failed("option " + word + " needs a value");
      value = words[++i];
    }
    if (word == "--tag") {
      line.tags.push_back(value);
    } else if (word == "--search") {
      line.search = value;
    } else if (word == "--any") {
      line.any = true;
    } else if (word == "--merge") {
      line.merge = true;
    } else if (word == "--with-tags") {
      line.with_tags = true;
    } else if (word == "--format") {
      if (!valid_format(line.what, value)) return failed("unknown format for " + first + ": " + value);
      line.format = value;
    } else if (word == "--limit") {
      int64_t limit = -1;
      auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), limit);
      if (error != std::errc() || end != value.data() + value.size() || limit < 0) {
        return failed("--limit needs a whole number, not: " + value);
      }
      line.limit = limit;
    }
  }

  if (line.what == A::copy) {
    if (operands.empty()) return failed("copy needs the id of a quote");
    for (const std::string& operand : operands) {
      int32_t id = 0;
      auto [end, error] = std::from_chars(operand.data(), operand.data() + operand.size(), id);
      if (error != std::errc() || end != operand.data() + operand.size() || id <= 0) {
        return failed("copy needs quote ids, not: " + operand);
      }
      line.ids.push_back(id);
    }
    return line;
  }
  size_t wanted_min = 0, wanted_max = 0;
  if (line.what == A::add) wanted_max = 1;
  if (line.what == A::export_quotes || line.what == A::import_quotes) wanted_min = wanted_max = 1;
  if (operands.size() > wanted_max) return failed("unexpected argument: " + operands[wanted_max]);
  if (operands.size() < wanted_min) {
    return failed(first + " needs " + (line.what == A::import_quotes ? "a file" : "a file or -"));
  }
  if (line.what == A::add && !operands.empty()) line.text = operands[0];
  if (wanted_min == 1) line.file = operands[0];
  if (line.what == A::export_quotes && line.format.empty()) {
    return failed("export needs --format html, markdown or json");
  }
  if (line.format.empty()) line.format = "text";
  return line;
}

std::string command_word(command_line::action what) {
  for (const command_name& command : kCommands) {
    if (command.what == what) return command.word;
  }
  return {};
}

std::string usage_text() {
  return "Usage: parvela [COMMAND] [OPTIONS]\n"
         "Without a command, starts Parvela (or shows the window of the one that runs).\n"
         "\n"
         "Commands:\n"
         "  add [--tag NAME]... [TEXT | -]    store TEXT (or standard input) as a new quote;\n"
         "                                    prints its id\n"
         "  list [--tag NAME]... [--any] [--search WORDS] [--limit N]\n"
         "       [--format text|json|markdown]\n"
         "                                    the quotes with all (--any: any) of the tags,\n"
         "                                    newest first\n"
         "  tags [--format text|json|markdown]  the tags with how many quotes carry each\n"
         "  export --format html|markdown|json [--tag NAME]... [--any] [--search WORDS]\n"
         "         FILE|-\n"
         "                                    writes the quotes to FILE (- : standard output)\n"
         "  import FILE.json [--merge]        restores a json export into an empty collection,\n"
         "                                    or merges it into this one\n"
         "  capture                           stores the clipboard's text as a double copy does\n"
         "  copy ID... [--with-tags]          puts the quotes on the clipboard as the window's\n"
         "                                    copy does\n"
         "  show                              shows the window of the running Parvela\n"
         "  quit                              ends the running Parvela\n"
         "\n"
         "While Parvela runs, the commands go through it (the window shows a new quote at\n"
         "once); without it they work on the collection file.\n"
         "\n"
         "Options:\n"
         "  -h, --help                        show this help\n"
         "  --version                         show the version\n";
}

std::string version_text() { return std::string("parvela ") + PARVELA_VERSION; }

}  // namespace pvl
