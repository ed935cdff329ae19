// In-place editing of a table cell: while a table carries the attribute
// "editable", the `div` inside it that has the focus takes typed characters
// at a caret, and Backspace, Delete, Left, Right, Home and End. The text is
// replaced as a whole (dom::element::set_text), so an edited element holds
// plain text. The caret is a character index into the element's text; it
// starts at the end of the text when the element comes to be edited.
#pragma once

#include <cstddef>
#include <cstdint>

#include "htmlayout/element.h"

namespace htmlayout {

class inline_editor {
 public:
  // `focused` when it is a `div` whose nearest enclosing table carries
  // "editable"; null otherwise.
  static dom::element editable(const dom::element& focused);

  // The caret in `e`, the element being edited.
  size_t caret(const dom::element& e) const;
  // Puts the caret of `e` at `offset` (clamped to its text).
  void place_caret(const dom::element& e, size_t offset);
  // The next element edited starts with the caret at its end.
  void reset() { element_ = dom::element(); }

  // Applies an editing key to `e`; true when the key is one of them (it is
  // then consumed, even when it changes nothing, as Backspace at the start).
  bool key_down(const dom::element& e, uint32_t key_code, uint32_t keys);
  // Inserts a character at the caret; false for control characters and for
  // characters typed with Ctrl (shortcuts), which are left alone.
  bool character(const dom::element& e, wchar_t c, uint32_t keys);

 private:
  dom::element element_;
  size_t caret_ = 0;
};

}  // namespace htmlayout
