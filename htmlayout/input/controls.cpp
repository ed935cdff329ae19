#include "htmlayout/input/controls.h"

#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {
namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string type_of(const dom::element& e) {
  return lower(e.get_attribute_utf8("type").value_or(""));
}

bool takes_keys_or_focus(const dom::element& e) {
  element_node* n = e.node();
  if (!n || !n->handlers) return false;
  for (const handler_binding& b : *n->handlers)
    if (b.subscription & (group::key | group::focus)) return true;
  return false;
}

}  // namespace

bool is_button(const dom::element& e) {
  std::string tag = e.tag_name();
  if (tag == "button") return true;
  if (tag != "input") return false;
  std::string type = type_of(e);
  return type == "button" || type == "submit" || type == "reset" || type == "checkbox" ||
         type == "radio";
}

bool is_link(const dom::element& e) { return e.tag_name() == "a" && e.has_attribute("href"); }

dom::element control_around(const dom::element& e) {
  for (dom::element c = e; c; c = c.parent())
    if (is_button(c) || is_link(c)) return c.is_enabled() ? c : dom::element();
  return {};
}

bool is_focusable(const dom::element& e) {
  if (!e.is_enabled()) return false;
  std::string tag = e.tag_name();
  return tag == "button" || tag == "input" || tag == "select" || tag == "textarea" || is_link(e) ||
         e.has_attribute("tabindex") || takes_keys_or_focus(e);
}

bool toggle_checked(const dom::element& button) {
  std::string type = type_of(button);
  if (type == "checkbox") {
    if (button.get_state() & state::checked)
      button.set_state(0, state::checked);
    else
      button.set_state(state::checked);
    return true;
  }
  if (type != "radio" || (button.get_state() & state::checked)) return false;
  // Only checked elements need looking at: the document indexes them.
  std::optional<std::string> name = button.get_attribute_utf8("name");
  if (name) {
    for (const dom::element& other : button.root().select_all("[type]:checked")) {
      if (other != button && lower(other.get_attribute_utf8("type").value_or("")) == "radio" &&
          other.get_attribute_utf8("name") == name)
        other.set_state(0, state::checked);
    }
  }
  button.set_state(state::checked);
  return true;
}

dom::element context_menu_of(const dom::element& e) {
  std::wstring value = e.get_style_attribute("context-menu");
  const std::wstring prefix = L"selector(";
  if (value.size() <= prefix.size() + 1 || value.compare(0, prefix.size(), prefix) != 0 ||
      value.back() != L')')
    return {};
  std::wstring inner = value.substr(prefix.size(), value.size() - prefix.size() - 1);
  std::string selector;
  for (wchar_t c : inner) {
    if (c > 0x7F) return {};  // selectors name ASCII ids and classes
    selector += static_cast<char>(c);
  }
  return e.root().select_first(selector);
}

bool is_within(const dom::element& e, const dom::element& ancestor) {
  if (!ancestor) return false;
  for (dom::element a = e; a; a = a.parent())
    if (a == ancestor) return true;
  return false;
}

}  // namespace htmlayout
