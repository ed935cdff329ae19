// Virtual key codes of key events (key_params::key_code for key::down and
// key::up): the Windows numbering, which behaviours compare against. A host
// translates its toolkit's keys into these; characters arrive separately as
// key::chars events carrying the character itself.
#pragma once

#include <cstdint>

namespace htmlayout::vk {

inline constexpr uint32_t back = 8;  // Backspace
inline constexpr uint32_t tab = 9;
inline constexpr uint32_t clear = 12;
inline constexpr uint32_t enter = 13;  // "RETURN"
inline constexpr uint32_t shift = 16;
inline constexpr uint32_t control = 17;
inline constexpr uint32_t alt = 18;  // "MENU"
inline constexpr uint32_t pause = 19;
inline constexpr uint32_t escape = 27;
inline constexpr uint32_t space = 32;
inline constexpr uint32_t page_up = 33;    // "PRIOR"
inline constexpr uint32_t page_down = 34;  // "NEXT"
inline constexpr uint32_t end = 35;
inline constexpr uint32_t home = 36;
inline constexpr uint32_t left = 37;
inline constexpr uint32_t up = 38;
inline constexpr uint32_t right = 39;
inline constexpr uint32_t down = 40;
inline constexpr uint32_t insert = 45;
inline constexpr uint32_t del = 46;  // Delete
// Digits and letters are their upper-case ASCII codes: '0' to '9', 'A' to 'Z'.
inline constexpr uint32_t key_0 = '0';
inline constexpr uint32_t key_a = 'A';
inline constexpr uint32_t key_c = 'C';
inline constexpr uint32_t key_v = 'V';
inline constexpr uint32_t key_x = 'X';
inline constexpr uint32_t key_z = 'Z';
inline constexpr uint32_t apps = 93;  // the context menu key
inline constexpr uint32_t numpad_0 = 96;
inline constexpr uint32_t f1 = 112;
inline constexpr uint32_t f2 = 113;
inline constexpr uint32_t f24 = 135;

}  // namespace htmlayout::vk
