#include "htmlayout/qt/input_codes.h"

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"

namespace htmlayout::qt {

uint32_t virtual_key(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return vk::key_a + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return (keypad ? vk::numpad_0 : vk::key_0) + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::f1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return vk::back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::tab;
    case Qt::Key_Clear:
      return vk::clear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::enter;
    case Qt::Key_Shift:
      return vk::shift;
    case Qt::Key_Control:
      return vk::control;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return vk::alt;
    case Qt::Key_Pause:
      return vk::pause;
    case Qt::Key_CapsLock:
      return 20;
    case Qt::Key_Escape:
      return vk::escape;
    case Qt::Key_Space:
      return vk::space;
    case Qt::Key_PageUp:
      return vk::page_up;
    case Qt::Key_PageDown:
      return vk::page_down;
    case Qt::Key_End:
      return vk::end;
    case Qt::Key_Home:
      return vk::home;
    case Qt::Key_Left:
      return vk::left;
    case Qt::Key_Up:
      return vk::up;
    case Qt::Key_Right:
      return vk::right;
    case Qt::Key_Down:
      return vk::down;
    case Qt::Key_Select:
      return 41;
    case Qt::Key_Print:
      return 44;  // "SNAPSHOT", the Print Screen key
    case Qt::Key_Execute:
      return 43;
    case Qt::Key_Insert:
      return vk::insert;
    case Qt::Key_Delete:
      return vk::del;
    case Qt::Key_Help:
      return 47;
    case Qt::Key_Super_L:
    case Qt::Key_Meta:
      return 91;
    case Qt::Key_Super_R:
      return 92;
    case Qt::Key_Menu:
      return vk::apps;
    case Qt::Key_Asterisk:
      return keypad ? 106 : 0;
    case Qt::Key_Plus:
      return keypad ? 107 : 187;
    case Qt::Key_Minus:
      return keypad ? 109 : 189;
    case Qt::Key_Period:
      return keypad ? 110 : 190;
    case Qt::Key_Slash:
      return keypad ? 111 : 191;
    case Qt::Key_NumLock:
      return 144;
    case Qt::Key_ScrollLock:
      return 145;
    // The punctuation keys of a US keyboard.
    case Qt::Key_Semicolon:
      return 186;
    case Qt::Key_Equal:
      return 187;
    case Qt::Key_Comma:
      return 188;
    case Qt::Key_QuoteLeft:
      return 192;
    case Qt::Key_BracketLeft:
      return 219;
    case Qt::Key_Backslash:
      return 220;
    case Qt::Key_BracketRight:
      return 221;
    case Qt::Key_Apostrophe:
      return 222;
    default:
      return 0;
  }
}

uint32_t key_state(Qt::KeyboardModifiers modifiers) {
  uint32_t bits = 0;
  if (modifiers & Qt::ControlModifier) bits |= keyboard::control;
  if (modifiers & Qt::ShiftModifier) bits |= keyboard::shift;
  if (modifiers & Qt::AltModifier) bits |= keyboard::alt;
  return bits;
}

uint32_t button_of(Qt::MouseButton button) {
  if (button == Qt::LeftButton) return mouse::main_button;
  if (button == Qt::RightButton) return mouse::prop_button;
  return 0;
}

uint32_t buttons_of(Qt::MouseButtons buttons) {
  uint32_t bits = 0;
  if (buttons & Qt::LeftButton) bits |= mouse::main_button;
  if (buttons & Qt::RightButton) bits |= mouse::prop_button;
  return bits;
}

}  // namespace htmlayout::qt
