// A command's way to the running instance: the words, the request's bytes, the lock, the socket folder.
#include "shell/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "shell/instance_client.h"
#include "shell/instance_protocol.h"
#include "shell/single_instance.h"
#include "tests/support/temp_dir.h"

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
    SCOPED_TRACE(testing::PrintToString(r.words));
    const command_line line = parse_command_line(r.words);
    EXPECT_EQ(line.error, r.error);
    EXPECT_TRUE(!r.error.empty() || line.what == r.what);
  }
  command_line add = parse_command_line({"add", "--tag", "a", "--tag", "b", "text"});
  EXPECT_EQ(add.tags, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(add.text, "text");
  EXPECT_EQ(parse_command_line({"add", "--", "-x"}).text, "-x");
  EXPECT_FALSE(parse_command_line({"add"}).text.has_value());
  const auto list = parse_command_line({"list", "--tag", "a", "--any", "--limit", "20", "--format", "json"});
  EXPECT_EQ(std::tuple(list.any, list.limit, list.format), std::tuple(true, 20, "json"));
  EXPECT_EQ(parse_command_line({"list"}).format, "text");
  command_line import = parse_command_line({"import", "f.json", "--merge"});
  EXPECT_EQ(std::tuple(import.file, import.merge), std::tuple(std::string("f.json"), true));
  command_line copy = parse_command_line({"copy", "3", "12", "--with-tags"});
  EXPECT_EQ(std::tuple(copy.ids, copy.with_tags), std::tuple(std::vector<int32_t>{3, 12}, true));
}

std::string number(uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += char((value >> shift) & 0xff);
  return bytes;
}

std::string frame(const std::string& body) { return number(uint32_t(body.size())) + body; }

TEST(InstanceProtocolTest, RequestsAreReadWholeOrRefusedAndAnUnansweredOneGivesUp) {
  const instance_request good{{"add", "--tag", "t", std::string("a\0b", 3)}, "payload \xff"};
  const std::string encoded = encode_request(good);
  const std::string version = number(kProtocolVersion);
  struct row {
    const char* name;
    std::string bytes;
    std::string error;  // "" : read whole
  };
  const row rows[] = {
      {"good", encoded, ""},
      {"empty", "", "truncated request"},
      {"head cut", encoded.substr(0, 3), "truncated request"},
      {"body cut", encoded.substr(0, encoded.size() - 1), "truncated request"},
      {"bytes after", encoded + "x", "malformed request: bytes after its end"},
      {"oversized", number(kMaxRequestBytes + 1), "request over 64 MB"},
      {"wrong version", frame(number(2) + number(0) + number(0)),
       "this Parvela speaks version 1 of the command protocol, not 2: quit it and start it again"},
      {"no version", frame("ab"), "malformed request: no version"},
      {"no command", frame(version + number(0) + number(0)), "malformed request: no command"},
      {"count past the end", frame(version + number(0xffffffff)), "malformed request"},
      {"word past the end", frame(version + number(1) + number(100) + "add"), "malformed request"},
      {"no payload", frame(version + number(1) + number(3) + "add"), "malformed request"},
  };
  for (const row& r : rows) {
    parsed_request parsed = parse_request(r.bytes);
    EXPECT_EQ(parsed.error, r.error) << r.name;
    EXPECT_EQ(parsed.request.has_value(), r.error.empty()) << r.name;
  }
  parsed_request parsed = parse_request(encoded);
  ASSERT_TRUE(parsed.request);
  EXPECT_EQ(parsed.request->words, good.words);
  EXPECT_EQ(parsed.request->payload, good.payload);
  std::optional<instance_answer> answer = parse_answer(encode_answer({-3, "out", "err"}));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->exit_code, -3);
  EXPECT_EQ(answer->out + answer->err, "outerr");
  EXPECT_FALSE(parse_answer("show\n"));
  testing_support::temp_dir dir;
  single_instance first(dir.str());
  ASSERT_TRUE(first.is_first());
  EXPECT_FALSE(single_instance(dir.str()).is_first());
  EXPECT_FALSE(ask_instance_to_show(dir.str()));
  setenv("XDG_RUNTIME_DIR", dir.str().c_str(), 1);
  EXPECT_EQ(runtime_folder(), dir.str());
  unsetenv("XDG_RUNTIME_DIR");
  std::string fallback = runtime_folder();
  ASSERT_FALSE(fallback.empty());
  struct stat info;
  ASSERT_EQ(stat(fallback.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace pvl
