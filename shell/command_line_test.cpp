// The command line's words read into plain data, or refused with a message
// naming the offending word.
#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace pvl {
namespace {

using A = command_line::action;

TEST(CommandLineTest, WordsGiveTheActionItsOptionsOrAnError) {
  struct row {
    std::vector<std::string> words;
    A what;
    std::string error;  // "" when the words are understood
  };
  const row rows[] = {
      {{}, A::start, ""},
      {{"--help"}, A::help, ""},
      {{"-h"}, A::help, ""},
      {{"--version"}, A::version, ""},
      {{"--frobnicate"}, A::start, "unknown option: --frobnicate"},
      {{"frobnicate"}, A::start, "unknown command: frobnicate"},
      {{"--help", "x"}, A::start, "unexpected argument: x"},
      {{"add", "--tag", "a", "--tag", "b", "text"}, A::add, ""},
      {{"add", "a", "b"}, A::start, "unexpected argument: b"},
      {{"add", "--tag"}, A::start, "option --tag needs a value"},
      {{"add", "--limit", "3"}, A::start, "unknown option for add: --limit"},
      {{"add", "--", "-x"}, A::add, ""},
      {{"list", "--tag", "a", "--any", "--limit", "20", "--format", "json"}, A::list, ""},
      {{"list", "--limit", "-1"}, A::start, "--limit needs a whole number, not: -1"},
      {{"list", "--limit", "2x"}, A::start, "--limit needs a whole number, not: 2x"},
      {{"list", "--format", "html"}, A::start, "unknown format for list: html"},
      {{"list", "--search", "two words"}, A::list, ""},
      {{"tags", "--format", "markdown"}, A::tags, ""},
      {{"export", "--format", "html", "-"}, A::export_quotes, ""},
      {{"export", "--format", "text", "f"}, A::start, "unknown format for export: text"},
      {{"export", "f"}, A::start, "export needs --format html, markdown or json"},
      {{"export", "--format", "json"}, A::start, "export needs a file or -"},
      {{"import", "f.json", "--merge"}, A::import_quotes, ""},
      {{"import"}, A::start, "import needs a file"},
      {{"copy", "3", "12", "--with-tags"}, A::copy, ""},
      {{"copy"}, A::start, "copy needs the id of a quote"},
      {{"copy", "0"}, A::start, "copy needs quote ids, not: 0"},
      {{"copy", "3", "--tag", "a"}, A::start, "unknown option for copy: --tag"},
      {{"capture"}, A::capture, ""},
      {{"show", "x"}, A::start, "unexpected argument: x"},
      {{"quit"}, A::quit, ""},
  };
  for (const row& r : rows) {
    std::string words;
    for (const std::string& w : r.words) words += w + " ";
    command_line line = parse_command_line(r.words);
    EXPECT_EQ(line.error, r.error) << words;
    if (r.error.empty()) {
      EXPECT_EQ(line.what, r.what) << words;
    }
  }

  command_line add = parse_command_line({"add", "--tag", "a", "--tag", "b", "text"});
  EXPECT_EQ(add.tags, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(add.text, "text");
  EXPECT_EQ(parse_command_line({"add", "--", "-x"}).text, "-x");
  EXPECT_FALSE(parse_command_line({"add"}).text.has_value());
  command_line list =
      parse_command_line({"list", "--tag", "a", "--any", "--limit", "20", "--format", "json"});
  EXPECT_TRUE(list.any);
  EXPECT_EQ(list.limit, 20);
  EXPECT_EQ(list.format, "json");
  EXPECT_EQ(parse_command_line({"list"}).format, "text");
  command_line import = parse_command_line({"import", "f.json", "--merge"});
  EXPECT_EQ(import.file, "f.json");
  EXPECT_TRUE(import.merge);
  command_line copy = parse_command_line({"copy", "3", "12", "--with-tags"});
  EXPECT_EQ(copy.ids, (std::vector<int32_t>{3, 12}));
  EXPECT_TRUE(copy.with_tags);
}

}  // namespace
}  // namespace pvl
