// Behaviours around option lists: "select-buddy", "select-checkmark" and
// "editable-select".
//
// "select-buddy" holds a "[role='source']" and a "[role='destination']"
// list and the buttons that work on them (by their `action`): "select-all"
// and "clear-all" check and uncheck every option of the source;
// "move-all" and "move-selected" move all or the checked options to the
// destination; "revoke-all" and "revoke-selected" move them back, each to
// where it stood in the source. An option moved out carries that place in
// "-srcindex": its position in the source with every option moved out put
// back, so that options return in their first order however many moves
// came between.
//
// "select-checkmark": a tree of `option` and `options` elements, each with
// "check" = "on", "off" or "mixed". A press on an option's caption (a
// `caption` element or one of the class "caption") makes it :current and
// toggles it with everything below it, and so does Space on the current
// option; each group above then shows "mixed" when its children differ or
// one is mixed, "off" when none is on and "on" otherwise.
//
// "editable-select" holds a list ("select,[type='select']") and a button
// with the action "edit-list". That makes the list "editable", turns the
// button into "Save" ("save-list") and adds an "Add new item here..."
// button at the end of the list, whose click inserts a new option before
// itself and focuses it. "save-list" undoes this ("Modify", "edit-list").
// Up, Down and Enter on a focused option of the list move the focus.
#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

// ---- select-buddy ----

std::vector<dom::element> options_of(const dom::element& list, bool checked_only) {
  std::vector<dom::element> options;
  for (size_t i = 0; i < list.children_count(); ++i) {
    dom::element child = list.child(i);
    if (child.tag_name() != "option") continue;
    if (checked_only && !(child.get_state() & state::checked)) continue;
    options.push_back(child);
  }
  return options;
}

// The place an option moved out of the source recorded; nullopt when it
// has none (it was never in the source).
std::optional<size_t> source_index(const dom::element& option) {
  std::optional<std::wstring> text = option.get_attribute("-srcindex");
  if (!text || text->empty()) return std::nullopt;
  wchar_t* end = nullptr;
  unsigned long long value = std::wcstoull(text->c_str(), &end, 10);
  if (*end != L'\0' || (*text)[0] == L'-') return std::nullopt;
  return static_cast<size_t>(value);
}

// The recorded places of the options now in `destination`, but `except`.
std::vector<size_t> places_taken(const dom::element& destination, const dom::element& except) {
  std::vector<size_t> taken;
  for (const dom::element& option : options_of(destination, false))
    if (option != except)
      if (std::optional<size_t> place = source_index(option)) taken.push_back(*place);
  std::sort(taken.begin(), taken.end());
  return taken;
}

void move_out(const dom::element& option, const dom::element& destination) {
  // The source holds, in order, the places not taken: the option's place is
  // the index()-th of those.
  size_t place = option.index();
  for (size_t taken : places_taken(destination, option))
    if (taken <= place) ++place;
  option.set_attribute("-srcindex", std::to_wstring(place));
  destination.append(option);
}

void move_back(const dom::element& option, const dom::element& source,
               const dom::element& destination) {
  std::optional<size_t> place = source_index(option);
  if (!place) {
    source.append(option);
    return;
  }
  size_t before = 0;
  for (size_t taken : places_taken(destination, option))
    if (taken < *place) ++before;
  option.remove_attribute("-srcindex");
  source.insert(option, *place - before);
}

class select_buddy : public behavior {
 public:
  select_buddy() : behavior(group::behavior_event, "select-buddy") {}

  bool on_event(const dom::element& he, const dom::element& target, uint32_t event_type,
                uintptr_t) override {
    if (event_type != event::button_click) return false;
    const std::wstring action = target.get_attribute("action").value_or(L"");
    dom::element source = he.select_first("[role='source']");
    dom::element destination = he.select_first("[role='destination']");
    if (action == L"select-all" || action == L"clear-all") {
      if (!source) return false;
      for (const dom::element& option : options_of(source, false)) {
        if (action == L"select-all")
          option.set_state(state::checked);
        else
          option.set_state(0, state::checked);
      }
      return true;
    }
    const bool all = action == L"move-all" || action == L"revoke-all";
    const bool out = action == L"move-all" || action == L"move-selected";
    if (!all && !out && action != L"revoke-selected") return false;
    if (!source || !destination) return false;
    for (const dom::element& option : options_of(out ? source : destination, !all)) {
      if (out)
        move_out(option, destination);
      else
        move_back(option, source, destination);
    }
    source.update();
    destination.update();
    return true;
  }
};

// ---- select-checkmark ----

bool is_option(const dom::element& e) {
  const std::string tag = e.tag_name();
  return tag == "option" || tag == "options";
}

// A `caption` element, or (as an HTML parser drops `caption` outside
// tables) any element of the class "caption".
bool is_caption(const dom::element& e) {
  return e.tag_name() == "caption" ||
         has_class(e.get_attribute_utf8("class").value_or(""), "caption");
}

std::vector<dom::element> child_options(const dom::element& e) {
  std::vector<dom::element> options;
  for (size_t i = 0; i < e.children_count(); ++i)
    if (dom::element child = e.child(i); is_option(child)) options.push_back(child);
  return options;
}

std::wstring check_of(const dom::element& option) {
  std::wstring check = option.get_attribute("check").value_or(L"off");
  return check == L"on" || check == L"mixed" ? check : L"off";
}

// What a group shows for its children.
std::wstring group_check(const dom::element& group) {
  bool any_on = false, any_off = false;
  for (const dom::element& child : child_options(group)) {
    std::wstring check = check_of(child);
    if (check == L"mixed") return L"mixed";
    (check == L"on" ? any_on : any_off) = true;
  }
  if (any_on && any_off) return L"mixed";
  return any_on ? L"on" : L"off";
}

void set_check(const dom::element& option, const std::wstring& check) {
  if (option.get_attribute("check") == check) return;
  option.set_attribute("check", check);
  option.update();
}

// Sets `option` and every option below it.
void child_toggler(const dom::element& option, const std::wstring& check) {
  set_check(option, check);
  for (const dom::element& child : child_options(option)) child_toggler(child, check);
}

void toggle_checkmark(const dom::element& he, const dom::element& option) {
  child_toggler(option, check_of(option) == L"on" ? L"off" : L"on");
  for (dom::element group = option.parent(); group != he && is_option(group);
       group = group.parent())
    set_check(group, group_check(group));
}

class select_checkmark : public behavior {
 public:
  select_checkmark() : behavior(group::mouse | group::key | group::focus, "select-checkmark") {}

  // Gives every option a check and every group the one its children make.
  void attached(const dom::element& he) override {
    std::vector<dom::element> options = he.select_all("option,options");
    for (auto option = options.rbegin(); option != options.rend(); ++option)
      set_check(*option, child_options(*option).empty() ? check_of(*option) : group_check(*option));
  }

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t buttons, uint32_t) override {
    if (event_type != mouse::down && event_type != mouse::double_click) return false;
    if (buttons != mouse::main_button) return false;
    for (dom::element e = target; e && e != he; e = e.parent()) {
      dom::element option = e.parent();
      if (!is_caption(e) || !is_option(option)) continue;
      if (dom::element current = he.select_first("option:current,options:current"))
        current.set_state(0, state::current);
      option.set_state(state::current);
      toggle_checkmark(he, option);
      return true;
    }
    return false;
  }

  bool on_key(const dom::element& he, const dom::element&, uint32_t event_type, uint32_t code,
              uint32_t) override {
    if (event_type != key::down || code != vk::space) return false;
    dom::element current = he.select_first("option:current,options:current");
    if (!current) return false;
    toggle_checkmark(he, current);
    return true;
  }
};

// ---- editable-select ----

constexpr const char* list_selector = "select,[type='select']";

// The element at the end of `list` that holds its "add-new" button.
dom::element add_new_item(const dom::element& list) {
  dom::element button = list.select_first("button[action='add-new']");
  while (button && button.parent() != list) button = button.parent();
  return button;
}

// The nearest option before (step -1) or after (step 1) `option` among its
// siblings; null at either end.
dom::element next_option(const dom::element& option, int step) {
  dom::element parent = option.parent();
  const auto count = static_cast<std::ptrdiff_t>(parent.children_count());
  for (auto i = static_cast<std::ptrdiff_t>(option.index()) + step; i >= 0 && i < count; i += step)
    if (dom::element e = parent.child(static_cast<size_t>(i)); e.tag_name() == "option") return e;
  return {};
}

class editable_select : public behavior {
 public:
  editable_select()
      : behavior(group::key | group::focus | group::behavior_event, "editable-select") {}

  bool on_event(const dom::element& he, const dom::element& target, uint32_t event_type,
                uintptr_t) override {
    if (event_type != event::button_click) return false;
    const std::wstring action = target.get_attribute("action").value_or(L"");
    dom::element list = he.select_first(list_selector);
    if (!list) return false;
    if (action == L"edit-list") {
      list.set_attribute("editable", L"");
      target.set_text(L"Save");
      target.set_attribute("action", L"save-list");
      if (!add_new_item(list)) {
        dom::element item = dom::element::create("text");
        dom::element button = dom::element::create("button", L"Add new item here...");
        button.set_attribute("action", L"add-new");
        item.append(button);
        list.append(item);
      }
      return true;
    }
    if (action == L"save-list") {
      list.remove_attribute("editable");
      target.set_text(L"Modify");
      target.set_attribute("action", L"edit-list");
      if (dom::element item = add_new_item(list)) item.delete_element();
      list.update();
      return true;
    }
    if (action == L"add-new") {
      dom::element item = add_new_item(list);
      if (!item) return false;
      dom::element option = dom::element::create("option");
      list.insert(option, item.index());
      option.set_state(state::focus);
      return true;
    }
    return false;
  }

  bool on_key(const dom::element& he, const dom::element& target, uint32_t event_type,
              uint32_t code, uint32_t) override {
    if (event_type != key::down || !is_list_option(he, target)) return false;
    if (code != vk::up && code != vk::down && code != vk::enter) return false;
    if (dom::element to = next_option(target, code == vk::up ? -1 : 1)) to.set_state(state::focus);
    return true;
  }

  // The focused option of the list is its current one.
  bool on_focus(const dom::element& he, const dom::element&, uint32_t event_type) override {
    if (event_type != focus::got) return false;
    dom::element list = he.select_first(list_selector);
    dom::element focused = list.select_first("option:focus");
    if (!focused || focused.parent() != list) return false;
    for (const dom::element& option : list.select_all("option:current"))
      if (option != focused) option.set_state(0, state::current);
    focused.set_state(state::current);
    return false;
  }

 private:
  static bool is_list_option(const dom::element& he, const dom::element& e) {
    return e.tag_name() == "option" && e.parent() == he.select_first(list_selector);
  }
};

}  // namespace

void stock_parts::register_selects() {
  static select_buddy buddy_object;
  static select_checkmark checkmark_object;
  static editable_select editable_object;
}

}  // namespace htmlayout
