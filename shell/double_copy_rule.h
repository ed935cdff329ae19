// The rule that turns a quick second copy key press into a capture. It sees
// every press of C or Insert with the X server's time of the press and
// whether Ctrl was down, and decides:
//  - without Ctrl: not a copy press. It is ignored and leaves the
//    remembered time as it is, so typing "c" never arms the next Ctrl+C.
//  - Ctrl down and less than 500 ms since the remembered press: capture.
//    The remembered time stays, so a third press within 500 ms of the first
//    captures again.
//  - otherwise: remember this press's time. Ctrl+C and Ctrl+Insert share it.
// Times are 32-bit millisecond counts that wrap around; differences are
// taken modulo 2^32.
#pragma once

#include <cstdint>
#include <optional>

namespace pvl {

class double_copy_rule {
 public:
  static constexpr uint32_t kWindowMs = 500;

  enum class verdict {
    ignored,     // not a copy press: nothing changes
    remembered,  // the press is remembered as a possible first press
    capture,     // the press completes a double press: capture the clipboard
  };

  verdict on_copy_key(uint32_t server_time, bool ctrl_down);

  // The remembered press's time; none before the first copy press.
  std::optional<uint32_t> remembered_time() const { return remembered_; }

 private:
  std::optional<uint32_t> remembered_;
};

}  // namespace pvl
