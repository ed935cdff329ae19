// A request read from the instance's socket: any bytes give either a request or a reason, never a
// crash; a request read back encodes to the very frame it was read from (the format has one
// spelling per request), and its answer frame reads back too.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "shell/instance_protocol.h"

using fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view frame = fuzz::as_text(data, size);
  const pvl::parsed_request parsed = pvl::parse_request(frame);
  if (!parsed.request) {
    if (parsed.error.empty()) fail("a refused request without a reason");
    return 0;
  }
  if (pvl::encode_request(*parsed.request) != frame) fail("a request that does not encode back");
  const pvl::instance_answer answer{1, parsed.request->payload, parsed.error};
  const std::optional<pvl::instance_answer> back = pvl::parse_answer(pvl::encode_answer(answer));
  if (!back || back->exit_code != 1 || back->out != answer.out || back->err != answer.err)
    fail("an answer that does not read back");
  return 0;
}
