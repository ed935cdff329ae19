#include "shell/instance_protocol.h"

namespace pvl {

namespace {

void put_number(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

void put_string(std::string& out, std::string_view text) {
  put_number(out, static_cast<uint32_t>(text.size()));
  out += text;
}

// Frames `body`: its length first.
std::string framed(const std::string& body) {
  std::string frame;
  frame.reserve(kFrameHeadBytes + body.size());
  put_number(frame, static_cast<uint32_t>(body.size()));
  frame += body;
  return frame;
}

// Takes numbers and strings off the front of a body; a read past its end
// fails.
class body_reader {
 public:
  explicit body_reader(std::string_view body) : rest_(body) {}

  bool number(uint32_t* value) {
    if (rest_.size() < 4) return false;
    *value = frame_body_bytes(rest_);
    rest_.remove_prefix(4);
    return true;
  }

  bool string(std::string* text) {
    uint32_t size = 0;
    if (!number(&size) || rest_.size() < size) return false;
    text->assign(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return true;
  }

  size_t left() const { return rest_.size(); }

 private:
  std::string_view rest_;
};

parsed_request refused(std::string why) { return {std::nullopt, std::move(why)}; }

}  // namespace

uint32_t frame_body_bytes(std::string_view head) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(head[size_t(i)]);
  return value;
}

std::string encode_request(const instance_request& request) {
  std::string body;
  put_number(body, kProtocolVersion);
  put_number(body, static_cast<uint32_t>(request.words.size()));
  for (const std::string& word : request.words) put_string(body, word);
  put_string(body, request.payload);
  return framed(body);
}

std::string encode_answer(const instance_answer& answer) {
  std::string body;
  // An export answers with the whole collection: one allocation, not a
  // doubling series of copies.
  body.reserve(16 + answer.out.size() + answer.err.size());
  put_number(body, kProtocolVersion);
  put_number(body, static_cast<uint32_t>(answer.exit_code));
  put_string(body, answer.out);
  put_string(body, answer.err);
  return framed(body);
}

parsed_request parse_request(std::string_view frame) {
  if (frame.size() < kFrameHeadBytes) return refused("truncated request");
  uint32_t size = frame_body_bytes(frame);
  if (size > kMaxRequestBytes) return refused("request over 64 MB");
  if (frame.size() - kFrameHeadBytes < size) return refused("truncated request");
  if (frame.size() - kFrameHeadBytes > size) return refused("malformed request: bytes after its end");
  body_reader body(frame.substr(kFrameHeadBytes));
  uint32_t version = 0, count = 0;
  if (!body.number(&version)) return refused("malformed request: no version");
  if (version != kProtocolVersion) {
    return refused("this Parvela speaks version " + std::to_string(kProtocolVersion) +
                   " of the command protocol, not " + std::to_string(version) +
                   ": quit it and start it again");
  }
  instance_request request;
  // Each word takes at least its 4-byte length, which bounds the count
  // before anything is reserved for it.
  if (!body.number(&count) || count > body.left() / 4) return refused("malformed request");
  request.words.resize(count);
  for (std::string& word : request.words) {
    if (!body.string(&word)) return refused("malformed request");
  }
  if (request.words.empty()) return refused("malformed request: no command");
  if (!body.string(&request.payload) || body.left() != 0) return refused("malformed request");
  return {std::move(request), {}};
}

std::optional<instance_answer> parse_answer(std::string_view frame) {
  if (frame.size() < kFrameHeadBytes) return std::nullopt;
  if (frame.size() - kFrameHeadBytes != frame_body_bytes(frame)) return std::nullopt;
  body_reader body(frame.substr(kFrameHeadBytes));
  uint32_t version = 0, code = 0;
  instance_answer answer;
  if (!body.number(&version) || version != kProtocolVersion || !body.number(&code) ||
      !body.string(&answer.out) || !body.string(&answer.err) || body.left() != 0) {
    return std::nullopt;
  }
  answer.exit_code = static_cast<int>(code);
  return answer;
}

}  // namespace pvl
