#include "htmlayout/dom/names.h"

#include <deque>
#include <string>
#include <unordered_map>

namespace htmlayout {
namespace {

// The names are kept in a deque so that the views handed out stay valid as
// the table grows.
struct name_table {
  std::deque<std::string> texts;
  std::unordered_map<std::string_view, atom> atoms;

  name_table() {
    add("");
#define HTMLAYOUT_NAME_TEXT(n) add(spelling(#n));
    HTMLAYOUT_NAMES(HTMLAYOUT_NAME_TEXT)
#undef HTMLAYOUT_NAME_TEXT
  }

  // C++ keywords carry a trailing underscore in the enumeration.
  static std::string_view spelling(std::string_view n) {
    if (!n.empty() && n.back() == '_') n.remove_suffix(1);
    return n;
  }

  atom add(std::string_view name) {
    atom a = static_cast<atom>(texts.size());
    texts.emplace_back(name);
    atoms.emplace(texts.back(), a);
    return a;
  }
};

name_table& table() {
  static name_table instance;
  return instance;
}

}  // namespace

atom intern(std::string_view name) {
  name_table& t = table();
  auto found = t.atoms.find(name);
  if (found != t.atoms.end()) return found->second;
  return t.add(name);
}

atom find_atom(std::string_view name) {
  name_table& t = table();
  auto found = t.atoms.find(name);
  return found == t.atoms.end() ? 0 : found->second;
}

std::string_view name_of(atom a) {
  name_table& t = table();
  return a < t.texts.size() ? std::string_view(t.texts[a]) : std::string_view();
}

}  // namespace htmlayout
