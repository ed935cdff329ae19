// "accesskeys", usually on the root element: a key pressed anywhere in the
// page clicks the element that names it in its `accesskey` (or
// `accesskey-alt`) attribute. Names: "^S" for Ctrl+S, "!S" and "!F5" for S
// and F5 alone, "s" for the character s typed with Alt. Keys held with Shift
// have no name. An element that does not take the click itself is offered to
// its parent as activate_child (tabs select their tab that way).
#include <string>

#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

// Keys named by a word.
struct named_key {
  uint32_t code;
  const wchar_t* name;
};
constexpr named_key named_keys[] = {
    {8, L"BACK"},        {12, L"CLEAR"},     {13, L"RETURN"},   {27, L"ESCAPE"},    {32, L"SPACE"},
    {33, L"PRIOR"},      {34, L"NEXT"},      {35, L"END"},      {36, L"HOME"},      {37, L"LEFT"},
    {38, L"UP"},         {39, L"RIGHT"},     {40, L"DOWN"},     {41, L"SELECT"},    {42, L"PRINT"},
    {43, L"EXECUTE"},    {44, L"SNAPSHOT"},  {45, L"INSERT"},   {46, L"DELETE"},    {47, L"HELP"},
    {91, L"LWIN"},       {92, L"RWIN"},      {93, L"APPS"},     {106, L"MULTIPLY"}, {107, L"ADD"},
    {108, L"SEPARATOR"}, {109, L"SUBTRACT"}, {110, L"DECIMAL"}, {111, L"DIVIDE"}};

// The name of a virtual key (after its "!" or "^"); empty when it has none.
std::wstring virtual_key_name(uint32_t code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    return std::wstring(1, static_cast<wchar_t>(code));
  if (code >= vk::numpad_0 && code <= vk::numpad_0 + 9)
    return L"NUMPAD" + std::to_wstring(code - vk::numpad_0);
  if (code >= vk::f1 && code <= vk::f24) return L"F" + std::to_wstring(code - vk::f1 + 1);
  for (const named_key& key : named_keys)
    if (key.code == code) return key.name;
  return {};
}

// The access key name of a key event on its way down from the root; empty
// when it has none. Keys pressed without Alt are named by their virtual
// key, characters typed with Alt by themselves.
std::wstring access_key_name(uint32_t event_type, uint32_t code, uint32_t keys) {
  const bool alt = (keys & keyboard::alt) != 0;
  if (event_type == (key::down | sinking) && !alt) {
    if ((keys & keyboard::shift) || code == vk::alt) return {};
    std::wstring name = virtual_key_name(code);
    if (name.empty()) return {};
    return ((keys & keyboard::control) ? L"^" : L"!") + name;
  }
  if (event_type == (key::chars | sinking) && alt) {
    if (code == '\'' || code == '"') return {};
    return std::wstring(1, static_cast<wchar_t>(code));
  }
  return {};
}

// Clicks the first enabled and visible element under `root` whose access
// key is `name`; true when it, or its parent, took the click.
bool click_access_key(const dom::element& root, const std::wstring& name) {
  // The name comes from the keyboard and may be any character: compare it
  // as a quoted value, never as selector text.
  const std::string value = quoted_selector_value(fml::wchar2utf8(name));
  dom::element chosen;
  root.select_all("[accesskey=" + value + "],[accesskey-alt=" + value + "]",
                  [&](const dom::element& e) {
                    if (!e.is_enabled() || !e.is_visible()) return false;
                    chosen = e;
                    return true;
                  });
  if (!chosen) return false;
  method_params click;
  click.method_id = method::click;
  if (chosen.call_behavior_method(click)) return true;
  return chosen.parent().send_event(event::activate_child, chosen);
}

class accesskeys : public behavior {
 public:
  accesskeys() : behavior(group::key, "accesskeys") {}

  bool on_key(const dom::element& he, const dom::element&, uint32_t event_type, uint32_t code,
              uint32_t keys) override {
    std::wstring name = access_key_name(event_type, code, keys);
    return !name.empty() && click_access_key(he, name);
  }
};

}  // namespace

void stock_parts::register_accesskeys() { static accesskeys object; }

}  // namespace htmlayout
