#include "htmlayout/input/inline_editor.h"

#include <algorithm>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"

namespace htmlayout {

namespace {

bool is_control_character(wchar_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

// Pasted text on one line: line breaks and tabs become spaces, other
// control characters go.
std::wstring one_line(const std::wstring& text) {
  std::wstring line;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    if (c == L'\r' || c == L'\n' || c == L'\t')
      line += L' ';
    else if (!is_control_character(c))
      line += c;
  }
  return line;
}

}  // namespace

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

size_t inline_editor::anchor(const dom::element& e) const {
  size_t length = e.text().size();
  return e == element_ ? std::min(anchor_, length) : length;
}

void inline_editor::place_caret(const dom::element& e, size_t offset, bool extend) {
  const size_t from = anchor(e);
  element_ = e;
  caret_ = std::min(offset, e.text().size());
  anchor_ = extend ? from : caret_;
}

void inline_editor::select(const dom::element& e, size_t from, size_t to) {
  const size_t length = e.text().size();
  element_ = e;
  anchor_ = std::min(from, length);
  caret_ = std::min(to, length);
}

void inline_editor::replace_selection(const dom::element& e, std::wstring text,
                                      const std::wstring& with) {
  const size_t from = std::min(caret(e), anchor(e));
  const size_t to = std::max(caret(e), anchor(e));
  text.replace(from, to - from, with);
  e.set_text(text);
  element_ = e;
  caret_ = anchor_ = from + with.size();
}

bool inline_editor::key_down(const dom::element& e, uint32_t key_code, uint32_t keys) {
  const std::wstring text = e.text();
  const size_t at = caret(e);
  const size_t other = anchor(e);
  const size_t start = std::min(at, other), end = std::max(at, other);
  const bool control = (keys & keyboard::control) && !(keys & keyboard::alt);
  const bool shift = keys & keyboard::shift;
  // Moves the caret; Shift keeps the anchor, so the selection grows.
  auto move_to = [&](size_t offset) {
    element_ = e;
    caret_ = offset;
    if (!shift) anchor_ = offset;
    return true;
  };
  if (control) {
    switch (key_code) {
      case vk::key_a:
        select(e, 0, text.size());
        return true;
      case vk::key_c:
      case vk::key_x:
        if (start == end) return true;
        if (clipboard_.write) clipboard_.write(text.substr(start, end - start));
        if (key_code == vk::key_x) replace_selection(e, text, L"");
        return true;
      case vk::key_v:
        if (clipboard_.read) replace_selection(e, text, one_line(clipboard_.read()));
        return true;
      case vk::home:
      case vk::end:
        break;  // as without Ctrl: to the start or the end
      default:
        return false;
    }
  }
  switch (key_code) {
    case vk::back:
      if (start != end) {
        replace_selection(e, text, L"");
      } else if (at > 0) {
        select(e, at - 1, at);
        replace_selection(e, text, L"");
      }
      return true;
    case vk::del:
      if (start != end) {
        replace_selection(e, text, L"");
      } else if (at < text.size()) {
        select(e, at, at + 1);
        replace_selection(e, text, L"");
      }
      return true;
    case vk::left:
      if (!shift && start != end) return move_to(start);
      return move_to(at > 0 ? at - 1 : 0);
    case vk::right:
      if (!shift && start != end) return move_to(end);
      return move_to(std::min(at + 1, text.size()));
    case vk::home:
      return move_to(0);
    case vk::end:
      return move_to(text.size());
    default:
      return false;
  }
}

bool inline_editor::character(const dom::element& e, wchar_t c, uint32_t keys) {
  if (is_control_character(c)) return false;
  if ((keys & keyboard::control) && !(keys & keyboard::alt)) return false;
  replace_selection(e, e.text(), std::wstring(1, c));
  return true;
}

}  // namespace htmlayout
