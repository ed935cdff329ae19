// "tabs": a strip of tabs and their panels. A tab carries "panel", the name
// of its panel; a panel carries "name". The selected tab is :current and
// has "selected", its panel :expanded with "selected"; the other panels
// that were shown are :collapsed. When the element is attached the first
// tab marked "selected" is made current. A press or double click on a tab,
// Ctrl+Tab and Ctrl+Shift+Tab (next and previous, round the strip), Left,
// Right, Home and End (not while the focus is inside a panel, where those
// keys belong to the content), and activate_child from an access key select
// a tab; disabled and hidden tabs are passed over by the keys. Selecting
// another tab posts tab_deselected to the old tab and tab_selected to the
// new one; selecting the current tab does nothing.
//
// Tabs and panels of a "tabs" element nested in a panel belong to that
// element, not to the outer one.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

// Whether `e`, inside `strip`, has no other "tabs" element between them.
bool belongs_to(const dom::element& e, const dom::element& strip) {
  for (dom::element a = e.parent(); a; a = a.parent()) {
    if (a == strip) return true;
    if (a.get_style_attribute("behavior") == L"tabs") return false;
  }
  return false;
}

std::vector<dom::element> owned(const dom::element& strip, std::string_view selector) {
  std::vector<dom::element> found;
  for (const dom::element& e : strip.select_all(selector))
    if (belongs_to(e, strip)) found.push_back(e);
  return found;
}

dom::element first_owned(const dom::element& strip, std::string_view selector) {
  dom::element found;
  strip.select_all(selector, [&](const dom::element& e) {
    if (!belongs_to(e, strip)) return false;
    found = e;
    return true;
  });
  return found;
}

dom::element panel_of(const dom::element& strip, const dom::element& tab) {
  const std::string name = tab.get_attribute_utf8("panel").value_or("");
  return first_owned(strip, "[name=" + quoted_selector_value(name) + "]");
}

// The tab of `strip` that is `e` or holds it; null when none does.
dom::element tab_around(const dom::element& strip, const dom::element& e) {
  for (dom::element a = e; a && a != strip; a = a.parent())
    if (a.has_attribute("panel") && belongs_to(a, strip)) return a;
  return {};
}

bool inside_panel(const dom::element& strip, const dom::element& e) {
  for (dom::element a = e; a && a != strip; a = a.parent())
    if (a.has_attribute("name") && belongs_to(a, strip)) return true;
  return false;
}

void select_tab(const dom::element& strip, const dom::element& tab) {
  if (tab.get_state() & state::current) return;
  for (const dom::element& panel : owned(strip, "[name]:expanded")) {
    panel.remove_attribute("selected");
    panel.set_state(state::collapsed, state::expanded);
  }
  dom::element old_tab = first_owned(strip, "[panel]:current");
  if (old_tab) {
    old_tab.remove_attribute("selected");
    old_tab.set_state(0, state::current);
  }
  if (dom::element panel = panel_of(strip, tab)) {
    panel.set_attribute("selected", L"");
    panel.set_state(state::expanded, state::collapsed);
  }
  tab.set_attribute("selected", L"");
  tab.set_state(state::current);
  strip.update();
  if (old_tab) old_tab.post_event(event::tab_deselected, old_tab);
  tab.post_event(event::tab_selected, tab);
}

class tabs : public behavior {
 public:
  tabs() : behavior(group::mouse | group::key | group::focus | group::behavior_event, "tabs") {}

  void attached(const dom::element& he) override {
    dom::element tab = first_owned(he, "[panel][selected]");
    if (!tab) return;
    tab.set_state(state::current);
    if (dom::element panel = panel_of(he, tab)) panel.set_state(state::expanded, state::collapsed);
  }

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t, uint32_t) override {
    if (event_type != mouse::down && event_type != mouse::double_click) return false;
    dom::element tab = tab_around(he, target);
    if (!tab || !tab.is_enabled()) return false;
    select_tab(he, tab);
    return true;
  }

  bool on_key(const dom::element& he, const dom::element& target, uint32_t event_type,
              uint32_t code, uint32_t keys) override {
    if (event_type != key::down) return false;
    const bool ctrl_tab = code == vk::tab && (keys & keyboard::control);
    const bool arrow = code == vk::left || code == vk::right || code == vk::home || code == vk::end;
    if (!ctrl_tab && !(arrow && !inside_panel(he, target))) return false;
    std::vector<dom::element> usable;
    for (const dom::element& tab : owned(he, "[panel]"))
      if (tab.is_enabled() && tab.is_visible()) usable.push_back(tab);
    if (usable.empty()) return true;
    const long count = static_cast<long>(usable.size());
    long at = 0;
    while (at < count && !(usable[at].get_state() & state::current)) ++at;
    const bool none = at == count;
    const bool back = code == vk::left || (ctrl_tab && (keys & keyboard::shift));
    if (code == vk::home)
      at = 0;
    else if (code == vk::end)
      at = count - 1;
    else if (none)
      at = back ? count - 1 : 0;
    else if (ctrl_tab)
      at = (at + (back ? count - 1 : 1)) % count;
    else
      at = back ? std::max(at - 1, 0L) : std::min(at + 1, count - 1);
    select_tab(he, usable[at]);
    return true;
  }

  bool on_event(const dom::element& he, const dom::element& target, uint32_t event_type,
                uintptr_t) override {
    if (event_type != event::activate_child) return false;
    if (!target.has_attribute("panel") || !belongs_to(target, he) || !target.is_enabled())
      return false;
    select_tab(he, target);
    return true;
  }
};

}  // namespace

void stock_parts::register_tabs() { static tabs object; }

}  // namespace htmlayout
