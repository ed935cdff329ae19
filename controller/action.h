// action: a named request to change the collection, as the element
// behaviours and the drag manager hand it to pvcontroller::interpret_action.
// The name says what to do and how to read `param`.
#pragma once

#include <string>

#include "htmlayout/dom/element.h"

namespace pvl {

struct action {
  // Compared exactly (case-sensitive, whole string) with the action names.
  std::wstring name;
  // Owned by the caller, valid for the call. Depending on the name:
  // - an array of two element handles, elements[0] and elements[1] (the
  //   second null when the action needs one element): const dom::element*;
  // - a text in UTF-8: const std::string* ("add_quote");
  // - a zero-terminated text: const wchar_t* ("add_tag");
  // - an element and a new name: const element_and_name* ("rename_tag");
  // - a path: const std::wstring* ("export_data");
  // - nothing (null) for the actions without a parameter.
  const void* param = nullptr;
};

// The parameter of "rename_tag": the edited tag element and its new name.
struct element_and_name {
  htmlayout::dom::element element;
  std::wstring name;
};

}  // namespace pvl
