// The renderer's popups: the elements the input shows as popups, laid out
// above the page where the input placed them, their style overridden until
// they leave the input's list.
#include <algorithm>
#include <string>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_internal.h"

namespace htmlayout::render {

using detail::shared;

void renderer::mirror::place_popups() {
  if (popups_placed_) return;
  popups_placed_ = true;
  for (auto p = popups_.begin(); p != popups_.end();) {
    litehtml::element* el = mirror_of(p->element.node());
    litehtml::html_tag* tag = el ? detail::as_tag(shared(el)) : nullptr;
    if (!tag) {
      p = popups_.erase(p);
      continue;
    }
    // Over whatever the style sheets say; a restyle of the element clears it.
    const std::string placement =
        "display: block !important; position: absolute !important; float: none !important;"
        "left: " +
        std::to_string(p->x + p->shift_x) +
        "px !important; top: " + std::to_string(p->y + p->shift_y) +
        "px !important; right: auto !important; bottom: auto !important;"
        "z-index: 2147483000 !important";
    detail::tag_members::cascaded_style(*tag).add(placement.c_str(), "", tag);
    tag->parse_styles();
    touch(shared(el));
    layout_needed_ = true;
    ++p;
  }
}

bool renderer::mirror::correct_popups() {
  bool moved = false;
  for (popup& p : popups_) {
    litehtml::element* el = mirror_of(p.element.node());
    if (!el) continue;
    const litehtml::position at = locate(shared(el));
    if (at.x == p.x && at.y == p.y) continue;
    p.shift_x += p.x - at.x;
    p.shift_y += p.y - at.y;
    moved = true;
  }
  if (moved) {
    popups_placed_ = false;
    place_popups();
  }
  return moved;
}

bool renderer::mirror::set_popups(const std::vector<placed_popup>& wanted) {
  update();
  auto same_place = [](const placed_popup& a, const placed_popup& b) {
    return a.element == b.element && a.x == b.x && a.y == b.y;
  };
  if (std::equal(wanted.begin(), wanted.end(), asked_popups_.begin(), asked_popups_.end(),
                 same_place))
    return popups_.size() == wanted.size();
  asked_popups_ = wanted;
  // The same popups moved keep what their containing blocks shift them by;
  // other popups, or the same in another stacking order, are placed afresh
  // once those shown before have their style back.
  const bool same_popups = std::equal(
      wanted.begin(), wanted.end(), popups_.begin(), popups_.end(),
      [](const placed_popup& a, const popup& b) { return a.element == b.element; });
  if (!same_popups) {
    for (const popup& p : popups_)
      if (litehtml::element* el = mirror_of(p.element.node())) restyles_.push_back(shared(el));
    popups_.clear();
    for (const placed_popup& w : wanted) {
      const element_node* n = w.element.node();
      if (n && n->doc == &doc_ && mirror_of(n)) popups_.push_back(popup{w.element});
    }
  }
  for (popup& p : popups_) {
    auto asked = std::find_if(wanted.begin(), wanted.end(),
                              [&](const placed_popup& w) { return w.element == p.element; });
    p.x = asked->x;
    p.y = asked->y;
  }
  popups_placed_ = false;
  mark();
  return popups_.size() == wanted.size();
}

}  // namespace htmlayout::render
