// The rule that turns a quick second copy key press into a capture. It sees
// every press of C or Insert with the X server's time of the press and
// whether Ctrl was down, and decides:
//  - Ctrl down and less than 500 ms since the remembered press: capture.
//    The remembered time stays, so a third press within 500 ms of the first
//    captures again.
//  - otherwise: remember this press's time. C and Insert share it, and a
//    press without Ctrl is remembered too, so "c" then Ctrl+C captures.
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
    remembered,  // the press is remembered as a possible first press
    capture,     // the press completes a double press: capture the clipboard
  };

  verdict on_copy_key(uint32_t server_time, bool ctrl_down);

  // The remembered press's time; none before the first press.
  std::optional<uint32_t> remembered_time() const { return remembered_; }

 private:
  std::optional<uint32_t> remembered_;
};

}  // namespace pvl
