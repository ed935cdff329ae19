// The rule that turns a quick second copy key press into a capture. It sees
// every press of C or Insert with the X server's time of the press, the
// modifiers held and whether the focused window is a terminal, and decides:
//  - not a copy press: ignored, leaving the remembered time as it is, so
//    typing "c" never arms the next Ctrl+C. A copy press is Ctrl+C or
//    Ctrl+Shift+C, and Ctrl+Insert (Shift or not); in a terminal, where
//    Ctrl+C is the interrupt, only Ctrl+Shift+C and Ctrl+Insert are.
//  - a copy press less than 500 ms after the remembered press: capture.
//    The remembered time stays, so a third press within 500 ms of the first
//    captures again.
//  - otherwise: remember this press's time. All copy keys share it.
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

  enum class copy_key { c, insert };
  struct press {
    uint32_t server_time = 0;
    copy_key key = copy_key::c;
    bool ctrl = false;
    bool shift = false;
    bool in_terminal = false;
  };

  static bool is_copy_press(const press& p);

  verdict on_copy_key(const press& p);
  // Ctrl+C (or C) in an ordinary window.
  verdict on_copy_key(uint32_t server_time, bool ctrl_down) {
    return on_copy_key(press{server_time, copy_key::c, ctrl_down, false, false});
  }

  // The remembered press's time; none before the first copy press.
  std::optional<uint32_t> remembered_time() const { return remembered_; }

 private:
  std::optional<uint32_t> remembered_;
};

}  // namespace pvl
