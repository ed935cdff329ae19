#include "htmlayout/behaviors/split_panes.h"

#include <optional>
#include <string>

#include "htmlayout/input/input.h"

namespace htmlayout {

bool has_panes(const dom::element& splitter) {
  const size_t at = splitter.index();
  return splitter.parent() && at > 0 && at + 1 < splitter.parent().children_count();
}

bool splits_horizontally(const dom::element& splitter) {
  return splitter.parent().get_style_attribute("flow") == L"horizontal";
}

int split_coordinate(const dom::element& splitter, point p) {
  return splits_horizontally(splitter) ? p.x : p.y;
}

bool move_split(const dom::element& splitter, int delta) {
  if (!has_panes(splitter)) return false;
  const dom::element parent = splitter.parent();
  const size_t at = splitter.index();
  const dom::element previous = parent.child(at - 1);
  const dom::element next = parent.child(at + 1);
  const std::optional<rect> whole = element_location(parent);
  const std::optional<rect> before = element_location(previous);
  const std::optional<rect> after = element_location(next);
  if (!whole || !before || !after) return false;

  const bool horizontal = splits_horizontally(splitter);
  auto size = [&](const rect& r) { return horizontal ? r.right - r.left : r.bottom - r.top; };
  const char* property = horizontal ? "width" : "height";
  const bool previous_is_sized = size(*before) < size(*whole) / 2;
  const int sized = previous_is_sized ? size(*before) + delta : size(*after) - delta;
  if (sized < 0) return false;
  const std::wstring pixels = std::to_wstring(sized) + L"px";
  previous.set_style_attribute(property, previous_is_sized ? pixels : L"100%");
  next.set_style_attribute(property, previous_is_sized ? L"100%" : pixels);
  parent.update(true);
  return true;
}

}  // namespace htmlayout
