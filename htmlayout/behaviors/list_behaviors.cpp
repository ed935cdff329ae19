// Lists whose items open and close: "expandable-list", "collapsible-list"
// and "collapsible-by-icon".
//
// The items of an expandable list are its children (`li`); each is opened
// by its caption ("li > .caption"). One item at a time is :current and
// :expanded, the others :collapsed: the last child marked "default" when the
// list is attached, then the item whose caption is pressed with the main
// button, or the one above or below with Up and Down. A collapsible list
// also closes the open item when it is selected again (it stays :current).
//
// "collapsible-by-icon": a press on the element's first ".icon" toggles its
// attribute "state" between "open" and "close".
#include <cwctype>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/controls.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

constexpr uint32_t open_states = state::current | state::expanded;

std::vector<dom::element> items_of(const dom::element& list) {
  std::vector<dom::element> items;
  for (size_t i = 0; i < list.children_count(); ++i) items.push_back(list.child(i));
  return items;
}

// The item of `list` whose caption holds `target`; null when none does.
dom::element item_of_caption(const dom::element& list, const dom::element& target) {
  for (dom::element e = target; e && e != list; e = e.parent()) {
    dom::element item = e.parent();
    if (item.parent() == list && item.tag_name() == "li" &&
        has_class(e.get_attribute_utf8("class").value_or(""), "caption"))
      return item;
  }
  return {};
}

class expandable_list : public behavior {
 public:
  expandable_list() : expandable_list("expandable-list") {}

  void attached(const dom::element& he) override {
    dom::element chosen;
    for (const dom::element& item : items_of(he))
      if (item.has_attribute("default")) chosen = item;
    for (const dom::element& item : items_of(he)) {
      if (item == chosen)
        item.set_state(open_states, state::collapsed);
      else
        item.set_state(state::collapsed, open_states);
    }
  }

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t buttons, uint32_t) override {
    if (event_type != mouse::down && event_type != mouse::double_click) return false;
    if (buttons != mouse::main_button) return false;
    dom::element item = item_of_caption(he, target);
    if (!item) return false;
    select_item(he, item);
    return true;
  }

  bool on_key(const dom::element& he, const dom::element&, uint32_t event_type, uint32_t code,
              uint32_t) override {
    if (event_type != key::down || (code != vk::up && code != vk::down)) return false;
    std::vector<dom::element> items;
    for (const dom::element& item : items_of(he))
      if (item.is_enabled() && item.is_visible()) items.push_back(item);
    if (items.empty()) return true;
    size_t at = 0;
    while (at < items.size() && !(items[at].get_state() & state::current)) ++at;
    if (at == items.size())
      at = 0;
    else if (code == vk::down && at + 1 < items.size())
      ++at;
    else if (code == vk::up && at > 0)
      --at;
    select_item(he, items[at]);
    return true;
  }

  // Makes `item` the list's current, open item.
  virtual void select_item(const dom::element& list, const dom::element& item) {
    for (const dom::element& other : items_of(list)) {
      if (other == item) continue;
      if (other.get_state() & state::expanded)
        other.set_state(state::collapsed, open_states);
      else if (other.get_state() & state::current)
        other.set_state(0, state::current);
    }
    item.set_state(open_states, state::collapsed);
  }

 protected:
  explicit expandable_list(const char* name)
      : behavior(group::mouse | group::key | group::focus, name) {}
};

class collapsible_list : public expandable_list {
 public:
  collapsible_list() : expandable_list("collapsible-list") {}

  void select_item(const dom::element& list, const dom::element& item) override {
    if (item.get_state() & state::expanded)
      item.set_state(state::collapsed, state::expanded);
    else
      expandable_list::select_item(list, item);
  }
};

class collapsible_by_icon : public behavior {
 public:
  collapsible_by_icon() : behavior(group::mouse, "collapsible-by-icon") {}

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t, uint32_t) override {
    if (event_type != mouse::down && event_type != mouse::double_click) return false;
    // The icon may hold other elements (an image); a press on them counts.
    if (is_within(target, he.select_first(".icon"))) {
      std::wstring now = he.get_attribute("state").value_or(L"");
      for (wchar_t& c : now) c = static_cast<wchar_t>(std::towlower(c));
      he.set_attribute("state", now == L"close" ? L"open" : L"close");
      he.update();
    }
    return true;
  }
};

}  // namespace

void stock_parts::register_lists() {
  static expandable_list expandable_object;
  static collapsible_list collapsible_object;
  static collapsible_by_icon by_icon_object;
}

}  // namespace htmlayout
