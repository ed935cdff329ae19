#include "view/search_head.h"

#include <optional>
#include <string>

#include "htmlayout/input/input.h"

namespace pvl {

void fit_search_head(const htmlayout::dom::element& any) {
  htmlayout::dom::element root = any;
  while (root && root.parent()) root = root.parent();
  if (!root) return;
  const htmlayout::dom::element head = root.select_first("#searchhead");
  const htmlayout::dom::element list = root.select_first("#quotebox");
  if (!head || !list || !head.parent()) return;
  const std::optional<htmlayout::rect> bar = htmlayout::element_location(head);
  const std::optional<htmlayout::rect> pane = htmlayout::element_location(head.parent());
  if (!bar || !pane) return;
  // A list already in place is left as it is: a new style would restyle
  // every row it shows.
  const std::optional<htmlayout::rect> box = htmlayout::element_location(list);
  if (box && box->top == bar->bottom) return;
  const std::wstring top = std::to_wstring(bar->bottom - pane->top) + L"px";
  if (list.get_style_attribute("top") != top) list.set_style_attribute("top", top);
}

}  // namespace pvl
