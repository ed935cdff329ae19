// Qt's keys, keyboard modifiers and mouse buttons in the engine's terms: the
// virtual key codes of htmlayout/keys.h (the Windows numbering behaviours
// compare against), the keyboard:: bits and the mouse:: button bits.
#pragma once

#include <Qt>
#include <cstdint>

namespace htmlayout::qt {

// The virtual key code of Qt's `key`; `modifiers` tell keypad keys apart.
// 0 for keys that have none (the text of such a key still arrives as
// characters).
uint32_t virtual_key(int key, Qt::KeyboardModifiers modifiers);

// keyboard::control, shift and alt.
uint32_t key_state(Qt::KeyboardModifiers modifiers);

// mouse::main_button for the left button, mouse::prop_button for the right
// one, 0 for others.
uint32_t button_of(Qt::MouseButton button);
// The engine's bits of the buttons held.
uint32_t buttons_of(Qt::MouseButtons buttons);

}  // namespace htmlayout::qt
