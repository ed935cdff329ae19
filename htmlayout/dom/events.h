// The engine's event vocabulary: event groups (a handler's subscription
// bits), event codes, key and button flags, element state bits, behaviour
// event codes (the engine's and the program's own) and behaviour methods.
#pragma once

#include <cstdint>

namespace htmlayout {

// Event groups. A handler subscribes to a set of them; initialization
// (attached and detached) always reaches it.
namespace group {
inline constexpr uint32_t initialization = 0;
inline constexpr uint32_t mouse = 0x1;
inline constexpr uint32_t key = 0x2;
inline constexpr uint32_t focus = 0x4;
inline constexpr uint32_t scroll = 0x8;
inline constexpr uint32_t timer = 0x10;
inline constexpr uint32_t size = 0x20;
inline constexpr uint32_t draw = 0x40;
inline constexpr uint32_t data_arrived = 0x80;
inline constexpr uint32_t behavior_event = 0x100;
inline constexpr uint32_t method_call = 0x200;
inline constexpr uint32_t all = 0x3FF;
}  // namespace group

// Commands of the initialization group.
inline constexpr uint32_t behavior_detach = 0;
inline constexpr uint32_t behavior_attach = 1;

// Added to a mouse, key or focus code while the event travels down from the
// root to its target (the sinking phase); without it the event bubbles up.
inline constexpr uint32_t sinking = 0x8000;

namespace mouse {
inline constexpr uint32_t enter = 0;
inline constexpr uint32_t leave = 1;
inline constexpr uint32_t move = 2;
inline constexpr uint32_t up = 3;
inline constexpr uint32_t down = 4;
inline constexpr uint32_t double_click = 5;
inline constexpr uint32_t wheel = 6;
inline constexpr uint32_t tick = 7;
// Button state bits.
inline constexpr uint32_t main_button = 1;
inline constexpr uint32_t prop_button = 2;  // the right button
}  // namespace mouse

namespace key {
inline constexpr uint32_t down = 0;
inline constexpr uint32_t up = 1;
inline constexpr uint32_t chars = 2;
}  // namespace key

// Keyboard state bits of mouse and key events.
namespace keyboard {
inline constexpr uint32_t control = 1;
inline constexpr uint32_t shift = 2;
inline constexpr uint32_t alt = 4;
}  // namespace keyboard

namespace focus {
inline constexpr uint32_t lost = 0;
inline constexpr uint32_t got = 1;
}  // namespace focus

// Element state bits; CSS sees them as pseudo-classes.
namespace state {
inline constexpr uint32_t link = 0x1;
inline constexpr uint32_t hover = 0x2;
inline constexpr uint32_t active = 0x4;
inline constexpr uint32_t focus = 0x8;
inline constexpr uint32_t visited = 0x10;
inline constexpr uint32_t current = 0x20;
inline constexpr uint32_t checked = 0x40;
inline constexpr uint32_t disabled = 0x80;
inline constexpr uint32_t readonly = 0x100;
inline constexpr uint32_t expanded = 0x200;
inline constexpr uint32_t collapsed = 0x400;
inline constexpr uint32_t anchor = 0x4000;
// Shown as a popup above the page (input.h), whatever its display in the page.
inline constexpr uint32_t popup = 0x8000000;
}  // namespace state

// Behaviour event codes.
namespace event {
inline constexpr uint32_t button_click = 0;
inline constexpr uint32_t button_press = 1;
inline constexpr uint32_t button_state_changed = 2;
inline constexpr uint32_t menu_item_click = 11;
inline constexpr uint32_t timer_control = 17;  // the clock: reason 0 stops, otherwise restarts
inline constexpr uint32_t hyperlink_click = 0x80;
inline constexpr uint32_t table_header_click = 0x81;
inline constexpr uint32_t table_row_click = 0x82;
inline constexpr uint32_t table_row_double_click = 0x83;
inline constexpr uint32_t tab_deselected = 0x90;
inline constexpr uint32_t tab_selected = 0x91;
inline constexpr uint32_t activate_child = 0x92;
// The program's own events, posted by its grids to their table.
inline constexpr uint32_t new_row_committed = 0x101;
inline constexpr uint32_t row_edit_committed = 0x102;
inline constexpr uint32_t row_removed = 0x103;
inline constexpr uint32_t copy_requested = 0x104;
}  // namespace event

// Behaviour methods.
namespace method {
inline constexpr uint32_t click = 0;
}  // namespace method

// Where a popup is shown next to its anchor (numbered as on a numeric keypad).
namespace placement {
inline constexpr uint32_t below = 2;
}  // namespace placement

// Where set_html puts a fragment.
namespace position {
inline constexpr int replace_content = 0;
inline constexpr int insert_at_start = 1;
inline constexpr int append_after_last = 2;
inline constexpr int replace_element = 3;
inline constexpr int insert_before = 4;
inline constexpr int insert_after = 5;
}  // namespace position

}  // namespace htmlayout
