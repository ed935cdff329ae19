// action: a named request to change the collection, as the element
// behaviours and the drag manager hand it to pvcontroller::interpret_action.
// The name says what to do and which parameter it takes.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>

#include "htmlayout/dom/element.h"

namespace pvl {

// The parameter of "rename_tag": the edited tag element and its new name.
struct element_and_name {
  htmlayout::dom::element element;
  std::wstring name;
};

// The elements an element action is about: [0], and [1] where two are needed
// (else null).
using action_elements = std::array<htmlayout::dom::element, 2>;

// What an action's parameter is, by its name: element handles (the element
// actions), a UTF-8 text ("add_quote"), a text ("add_tag") or a path
// ("export_data"), element_and_name ("rename_tag"), or nothing
// (std::monostate). Texts are the caller's, valid for the call.
using action_param = std::variant<std::monostate, action_elements, std::string_view,
                                  std::wstring_view, element_and_name>;

struct action {
  // Compared exactly (case-sensitive, whole string) with the action names.
  std::wstring name;
  action_param param;
};

}  // namespace pvl
