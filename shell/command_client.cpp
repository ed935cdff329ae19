#include "shell/command_client.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "fml/text.h"
#include "model/export_texts.h"
#include "shell/instance_client.h"

namespace pvl {

namespace {

using A = command_line::action;

// How long a command waits for each part of the running instance's answer:
// long enough for an import or export of a large collection.
constexpr int kAnswerTimeoutMs = 120000;

}  // namespace

int written(std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return kCommandDone;
  err << "parvela: cannot write the output\n";
  return kCommandFailed;
}

bool read_input(const std::string& file, std::istream& in, std::string* bytes, std::ostream& err) {
  if (file == "-") {
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    err << "parvela: " << file << ": " << std::strerror(errno) << "\n";
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
  return true;
}

namespace {

// The words that ask the running instance for `line`, with its input in
// the request's payload: the text of `add -`, the file of `import`.
// Returns false (reported) when the input cannot be read.
bool request_for(const command_line& line, std::istream& in, instance_request* request,
                 std::ostream& err) {
  std::vector<std::string>& words = request->words;
  words.push_back(command_word(line.what));
  for (const std::string& tag : line.tags) words.insert(words.end(), {"--tag", tag});
  if (line.any) words.push_back("--any");
  if (line.limit >= 0) words.insert(words.end(), {"--limit", std::to_string(line.limit)});
  if (line.what == A::list || line.what == A::tags || line.what == A::export_quotes) {
    words.insert(words.end(), {"--format", line.format});
  }
  if (line.search) words.insert(words.end(), {"--search", *line.search});
  if (line.merge) words.push_back("--merge");
  if (line.with_tags) words.push_back("--with-tags");
  for (int32_t id : line.ids) words.push_back(std::to_string(id));
  // The instance reads no file and writes none: the command does.
  if (line.what == A::export_quotes) words.push_back("-");
  if (line.what == A::import_quotes) {
    words.push_back("-");
    return read_input(line.file, in, &request->payload, err);
  }
  if (line.what == A::add) {
    words.insert(words.end(), {"--", line.text.value_or("-")});
    if (!line.text || *line.text == "-") {
      request->payload.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return true;
}

}  // namespace

int write_output_file(const std::string& file, const std::string& content, std::ostream& err) {
  if (!write_file_replacing(fml::utf82wchar(file), content)) {
    err << "parvela: " << file << " could not be written (" << std::strerror(errno) << ")\n";
    return kCommandFailed;
  }
  return kCommandDone;
}

int ask_running_instance(int fd, const command_line& line, std::istream& in, std::ostream& out,
                         std::ostream& err) {
  instance_request request;
  if (!request_for(line, in, &request, err)) {
    ::close(fd);
    return kCommandFailed;
  }
  instance_reply reply = ask_instance(fd, request, kAnswerTimeoutMs);
  if (reply.how != instance_reply::outcome::answered) {
    err << "parvela: " << reply.why << "\n";
    return kCommandFailed;
  }
  const instance_answer& answer = reply.answer;
  err << answer.err;
  if (answer.exit_code == kCommandDone && line.what == A::export_quotes && line.file != "-") {
    return write_output_file(line.file, answer.out, err);
  }
  out << answer.out;
  int done = written(out, err);
  return answer.exit_code != kCommandDone ? answer.exit_code : done;
}

}  // namespace pvl
