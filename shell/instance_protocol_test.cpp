// Requests read from bytes as the running program reads them off its
// socket: good ones whole, every other one refused with a reason.
#include "shell/instance_protocol.h"

#include <gtest/gtest.h>

namespace pvl {
namespace {

std::string number(uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += char((value >> shift) & 0xff);
  return bytes;
}

std::string frame(const std::string& body) { return number(uint32_t(body.size())) + body; }

TEST(InstanceProtocolTest, RequestsAreReadWholeOrRefused) {
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
}

}  // namespace
}  // namespace pvl
