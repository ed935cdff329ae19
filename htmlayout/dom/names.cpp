#include "htmlayout/dom/names.h"

#include <array>
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
  // Parsing a long list interns the same few tag and attribute names over
  // and over: short names found lately are answered from here, unhashed.
  struct recent_name {
    std::string_view text;
    atom a = 0;
  };
  std::array<recent_name, 64> recent;

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
  name_table::recent_name* recent = nullptr;
  if (!name.empty() && name.size() <= 16) {
    const size_t slot = name.size() * 31 + static_cast<unsigned char>(name.front()) * 7 +
                        static_cast<unsigned char>(name.back());
    recent = &t.recent[slot % t.recent.size()];
    if (recent->text == name) return recent->a;
  }
  auto found = t.atoms.find(name);
  const atom a = found != t.atoms.end() ? found->second : t.add(name);
  if (recent) *recent = {t.texts[a], a};
  return a;
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
