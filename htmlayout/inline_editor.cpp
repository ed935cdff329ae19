#include "htmlayout/inline_editor.h"

#include <algorithm>
#include <string>

#include "htmlayout/events.h"
#include "htmlayout/keys.h"

namespace htmlayout {

dom::element inline_editor::editable(const dom::element& focused) {
  if (!focused || focused.tag_name() != "div") return {};
  for (dom::element e = focused.parent(); e; e = e.parent())
    if (e.tag_name() == "table") return e.has_attribute("editable") ? focused : dom::element();
  return {};
}

size_t inline_editor::caret(const dom::element& e) const {
  size_t length = e.text().size();
  return e == element_ ? std::min(caret_, length) : length;
}

void inline_editor::place_caret(const dom::element& e, size_t offset) {
  element_ = e;
  caret_ = std::min(offset, e.text().size());
}

bool inline_editor::key_down(const dom::element& e, uint32_t key_code, uint32_t /*keys*/) {
  std::wstring text = e.text();
  size_t at = caret(e);
  switch (key_code) {
    case vk::back:
      if (at > 0) {
        text.erase(--at, 1);
        e.set_text(text);
      }
      break;
    case vk::del:
      if (at < text.size()) {
        text.erase(at, 1);
        e.set_text(text);
      }
      break;
    case vk::left:
      if (at > 0) --at;
      break;
    case vk::right:
      if (at < text.size()) ++at;
      break;
    case vk::home:
      at = 0;
      break;
    case vk::end:
      at = text.size();
      break;
    default:
      return false;
  }
  element_ = e;
  caret_ = at;
  return true;
}

bool inline_editor::character(const dom::element& e, wchar_t c, uint32_t keys) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;
  if ((keys & keyboard::control) && !(keys & keyboard::alt)) return false;
  std::wstring text = e.text();
  size_t at = caret(e);
  text.insert(at, 1, c);
  e.set_text(text);
  element_ = e;
  caret_ = at + 1;
  return true;
}

}  // namespace htmlayout
