// The mouse cursor a CSS `cursor` value names, as Qt shows it: keywords map
// to Qt's cursor shapes, url(...) entries name cursor files (.cur, read with
// their hot spot) that the caller loads. A value may list several entries,
// the first that can be shown wins ("url(drag.cur), pointer").
#pragma once

#include <QByteArray>
#include <QCursor>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace htmlayout::qt {

struct cursor_entry {
  bool is_url = false;
  std::string value;  // the URL as written (quotes removed), or the lower-case keyword
};

// The comma-separated entries of a CSS cursor value, in order.
std::vector<cursor_entry> parse_cursor_value(std::wstring_view css);

// Qt's shape for a CSS cursor keyword ("auto" and "default" are the arrow);
// nullopt for a keyword Qt has no shape for.
std::optional<Qt::CursorShape> cursor_shape(std::string_view keyword);

// The cursor in the bytes of a Windows cursor file (.cur), with the hot spot
// its first directory entry gives; an icon file (.ico) or another image
// format Qt reads gets its hot spot at the top left. nullopt when the bytes
// are no image Qt can read.
std::optional<QCursor> cursor_from_file(const QByteArray& bytes);

}  // namespace htmlayout::qt
