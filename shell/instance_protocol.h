// What a command and the running instance say to each other over the
// instance's socket (shell/single_instance.h): one request, one answer, then
// the connection closes.
//
// Both are frames: a 4-byte length, then that many bytes of body. Every
// number is an unsigned 32-bit little-endian integer; a string is its byte
// count, then its bytes (any bytes, UTF-8 by convention).
//
//   request body: version (kProtocolVersion)
//                 word count, then the words: the command line after the
//                   program's name ("add", "--tag", "x", "text")
//                 payload: a string, what the command would read from its
//                   standard input or its input file (add -, import)
//   answer body:  version
//                 exit code (kept in the 32 bits as a signed int)
//                 standard output text, standard error text: strings
//
// A request body over kMaxRequestBytes, a truncated or malformed request
// and another version are answered with an error (exit code 1, the reason on
// standard error). The parsing is a pure function over bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pvl {

inline constexpr uint32_t kProtocolVersion = 1;
// The largest request body the instance reads: 64 MiB.
inline constexpr uint32_t kMaxRequestBytes = 64u << 20;
// The length prefix of a frame.
inline constexpr size_t kFrameHeadBytes = 4;

struct instance_request {
  std::vector<std::string> words;
  std::string payload;
};

struct instance_answer {
  int exit_code = 0;
  std::string out;
  std::string err;
};

// A request read from bytes, or why it could not be.
struct parsed_request {
  std::optional<instance_request> request;
  std::string error;  // set when request is empty
};

std::string encode_request(const instance_request& request);
std::string encode_answer(const instance_answer& answer);

// The body length a frame's first kFrameHeadBytes announce.
uint32_t frame_body_bytes(std::string_view head);

// Reads one whole request frame (head and body, nothing after it).
parsed_request parse_request(std::string_view frame);
// Reads one whole answer frame; nullopt when it is not one.
std::optional<instance_answer> parse_answer(std::string_view frame);

}  // namespace pvl
