// In-place editing of a table cell: while a table carries the attribute
// "editable", the `div` inside it that has the focus takes typed characters
// at a caret, with a selection: the text between the caret and an anchor.
// Keys: Backspace and Delete (the selection, or one character), Left, Right,
// Home and End (with Shift they extend the selection; without, a selection
// collapses to its start or end), Ctrl+A (select all), Ctrl+C and Ctrl+X
// (copy, and cut, the selection to the host's clipboard) and Ctrl+V (paste,
// line breaks and tabs as spaces). A typed character or a paste replaces the
// selection. The text is replaced as a whole (dom::element::set_text), so
// an edited element holds plain text. Positions are character indexes into
// the element's text; an element that comes to be edited has the caret at
// the end of its text and nothing selected until select() says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "htmlayout/dom/element.h"

namespace htmlayout {

// The host's clipboard (text only). Either may be empty: then nothing is
// copied, or nothing pasted.
struct clipboard_access {
  std::function<std::wstring()> read;
  std::function<void(const std::wstring&)> write;
};

class inline_editor {
 public:
  // `focused` when it is a `div` whose nearest enclosing table carries
  // "editable"; null otherwise.
  static dom::element editable(const dom::element& focused);

  // The caret in `e`, the element being edited.
  size_t caret(const dom::element& e) const;
  // The other end of the selection in `e` (the caret when nothing is
  // selected).
  size_t anchor(const dom::element& e) const;
  // Puts the caret of `e` at `offset` (clamped to its text); nothing stays
  // selected unless `extend`, which keeps the anchor where it was.
  void place_caret(const dom::element& e, size_t offset, bool extend = false);
  // Selects [from, to) of the text of `e` (clamped), the caret at `to`.
  void select(const dom::element& e, size_t from, size_t to);
  // The next element edited starts with the caret at its end.
  void reset() { element_ = dom::element(); }
  void set_clipboard(clipboard_access clipboard) { clipboard_ = std::move(clipboard); }

  // Applies an editing key to `e`; true when the key is one of them (it is
  // then consumed, even when it changes nothing, as Backspace at the start).
  bool key_down(const dom::element& e, uint32_t key_code, uint32_t keys);
  // Inserts a character at the caret, in place of the selection; false for
  // control characters and for characters typed with Ctrl (shortcuts),
  // which are left alone.
  bool character(const dom::element& e, wchar_t c, uint32_t keys);

 private:
  // Replaces the selection of `e` (whose text is `text`) with `with`.
  void replace_selection(const dom::element& e, std::wstring text, const std::wstring& with);

  dom::element element_;
  size_t caret_ = 0;
  size_t anchor_ = 0;
  clipboard_access clipboard_;
};

}  // namespace htmlayout
