#include "htmlayout/dom/selector.h"

#include <cctype>

#include "htmlayout/dom/events.h"

namespace htmlayout {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool is_name_char(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '-' || c == '_' || u >= 0x80;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

class parser {
 public:
  explicit parser(std::string_view text) : s_(text) {}

  std::optional<selector_list> parse() {
    selector_list list;
    skip_space();
    while (true) {
      complex_selector complex;
      if (!parse_complex(complex)) return std::nullopt;
      list.alternatives.push_back(std::move(complex));
      skip_space();
      if (at_end()) break;
      if (s_[i_] != ',') return std::nullopt;
      ++i_;
      skip_space();
    }
    return list;
  }

 private:
  bool at_end() const { return i_ >= s_.size(); }
  void skip_space() {
    while (!at_end() && is_space(s_[i_])) ++i_;
  }

  // A name with backslash escapes (an escaped character stands for itself).
  bool parse_name(std::string& out) {
    out.clear();
    while (!at_end()) {
      char c = s_[i_];
      if (c == '\\' && i_ + 1 < s_.size()) {
        out += s_[i_ + 1];
        i_ += 2;
      } else if (is_name_char(c)) {
        out += c;
        ++i_;
      } else {
        break;
      }
    }
    return !out.empty();
  }

  bool parse_complex(complex_selector& complex) {
    uint32_t ids = 0, classes = 0, types = 0;
    while (true) {
      compound_selector compound;
      if (!parse_compound(compound, ids, classes, types)) return false;
      complex.compounds.push_back(std::move(compound));
      size_t before = i_;
      skip_space();
      if (at_end() || s_[i_] == ',') break;
      if (s_[i_] == '>') {
        ++i_;
        skip_space();
        complex.combinators.push_back(combinator::child);
      } else if (i_ > before) {
        complex.combinators.push_back(combinator::descendant);
      } else {
        return false;  // '+', '~' or garbage right after a compound
      }
    }
    auto clamp = [](uint32_t n, uint32_t max) { return n > max ? max : n; };
    complex.specificity = clamp(ids, 1023) << 20 | clamp(classes, 1023) << 10 | clamp(types, 1023);
    return true;
  }

  bool parse_compound(compound_selector& c, uint32_t& ids, uint32_t& classes, uint32_t& types) {
    bool any = false;
    std::string name;
    if (!at_end() && s_[i_] == '*') {
      ++i_;
      any = true;
    } else if (!at_end() && is_name_char(s_[i_])) {
      parse_name(name);
      for (char& ch : name) ch = lower(ch);
      c.tag = intern(name);
      ++types;
      any = true;
    }
    while (!at_end()) {
      char ch = s_[i_];
      if (ch == '#') {
        ++i_;
        if (!parse_name(name)) return false;
        if (c.id && *c.id != name)
          c.attributes.push_back({names::id, attribute_test::op::equals, name});
        else
          c.id = name;
        ++ids;
      } else if (ch == '.') {
        ++i_;
        if (!parse_name(name)) return false;
        c.classes.push_back(name);
        ++classes;
      } else if (ch == '[') {
        ++i_;
        if (!parse_attribute(c)) return false;
        ++classes;
      } else if (ch == ':') {
        ++i_;
        if (!parse_name(name)) return false;  // also rejects "::"
        for (char& n : name) n = lower(n);
        uint32_t bit = pseudo_class_state(name);
        if (!bit) return false;
        c.states |= bit;
        ++classes;
      } else {
        break;
      }
      any = true;
    }
    return any;
  }

  bool parse_attribute(compound_selector& c) {
    skip_space();
    std::string name;
    if (!parse_name(name)) return false;
    for (char& ch : name) ch = lower(ch);
    attribute_test test{intern(name), attribute_test::op::exists, {}};
    skip_space();
    if (at_end()) return false;
    char ch = s_[i_];
    if (ch == ']') {
      ++i_;
      c.attributes.push_back(std::move(test));
      return true;
    }
    if (ch == '=') {
      ++i_;
      if (!at_end() && s_[i_] == '=') ++i_;  // "==" is equality too
      test.test = attribute_test::op::equals;
    } else {
      if (i_ + 1 >= s_.size() || s_[i_ + 1] != '=') return false;
      switch (ch) {
        case '~':
          test.test = attribute_test::op::includes;
          break;
        case '|':
          test.test = attribute_test::op::dash_match;
          break;
        case '^':
          test.test = attribute_test::op::prefix;
          break;
        case '$':
          test.test = attribute_test::op::suffix;
          break;
        case '*':
          test.test = attribute_test::op::substring;
          break;
        default:
          return false;
      }
      i_ += 2;
    }
    skip_space();
    if (at_end()) return false;
    ch = s_[i_];
    if (ch == '\'' || ch == '"') {
      char quote = ch;
      ++i_;
      while (true) {
        if (at_end()) return false;
        char v = s_[i_++];
        if (v == quote) break;
        if (v == '\\' && !at_end()) v = s_[i_++];
        test.value += v;
      }
    } else {
      while (!at_end() && !is_space(s_[i_]) && s_[i_] != ']' && s_[i_] != '\'' && s_[i_] != '"') {
        char v = s_[i_++];
        if (v == '\\' && !at_end()) v = s_[i_++];
        test.value += v;
      }
      if (test.value.empty()) return false;
    }
    skip_space();
    if (at_end() || s_[i_] != ']') return false;
    ++i_;
    c.attributes.push_back(std::move(test));
    return true;
  }

  std::string_view s_;
  size_t i_ = 0;
};

bool attribute_matches(const attribute_test& test, std::string_view v) {
  using op = attribute_test::op;
  const std::string& t = test.value;
  switch (test.test) {
    case op::exists:
      return true;
    case op::equals:
      return v == t;
    case op::includes:
      return !t.empty() && has_class(v, t);
    case op::dash_match:
      return v == t || (v.size() > t.size() && v.substr(0, t.size()) == t && v[t.size()] == '-');
    case op::prefix:
      return !t.empty() && v.substr(0, t.size()) == t;
    case op::suffix:
      return !t.empty() && v.size() >= t.size() && v.substr(v.size() - t.size()) == t;
    case op::substring:
      return !t.empty() && v.find(t) != std::string_view::npos;
  }
  return false;
}

enum class match_result { matched, failed_here, failed_for_ancestors };

// Matches compounds [0, last] with compound `last` against `e`, right to
// left. A descendant combinator that fails for every ancestor reports
// failed_for_ancestors, which stops the enclosing descendant searches: no
// higher ancestor can do better, so matching stays linear in the depth.
match_result match_from(const complex_selector& s, size_t last, const element_node* e) {
  if (!matches(s.compounds[last], *e)) return match_result::failed_here;
  if (last == 0) return match_result::matched;
  const element_node* up = e->parent;
  if (s.combinators[last - 1] == combinator::child) {
    if (!up) return match_result::failed_for_ancestors;
    return match_from(s, last - 1, up);
  }
  for (; up; up = up->parent) {
    match_result r = match_from(s, last - 1, up);
    if (r != match_result::failed_here) return r;
  }
  return match_result::failed_for_ancestors;
}

}  // namespace

const std::string* complex_selector::subject_id() const {
  const compound_selector& c = subject();
  if (c.id) return &*c.id;
  for (const attribute_test& t : c.attributes)
    if (t.name == names::id && t.test == attribute_test::op::equals) return &t.value;
  return nullptr;
}

std::optional<std::string_view> simple_id_selector(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  std::string_view id;
  if (text.size() > 1 && text[0] == '#') {
    id = text.substr(1);
  } else if (text.size() > 5 && text.substr(0, 4) == "[id=" && text.back() == ']') {
    id = text.substr(4, text.size() - 5);
    if (id.size() >= 2 && (id[0] == '\'' || id[0] == '"')) {
      if (id.back() != id[0]) return std::nullopt;
      char quote = id[0];
      id = id.substr(1, id.size() - 2);
      if (id.find(quote) != std::string_view::npos) return std::nullopt;
      return id.find('\\') == std::string_view::npos ? std::optional(id) : std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  for (char c : id)
    if (!is_name_char(c)) return std::nullopt;
  return id.empty() ? std::nullopt : std::optional(id);
}

std::optional<selector_list> parse_selector(std::string_view text) { return parser(text).parse(); }

uint32_t pseudo_class_state(std::string_view name) {
  struct entry {
    std::string_view name;
    uint32_t bit;
  };
  static constexpr entry table[] = {
      {"checked", state::checked}, {"current", state::current},   {"focus", state::focus},
      {"anchor", state::anchor},   {"expanded", state::expanded}, {"collapsed", state::collapsed},
      {"hover", state::hover},     {"active", state::active},     {"visited", state::visited},
      {"link", state::link},       {"disabled", state::disabled}, {"readonly", state::readonly},
  };
  for (const entry& e : table)
    if (e.name == name) return e.bit;
  return 0;
}

bool has_class(std::string_view classes, std::string_view name) {
  size_t i = 0;
  while (i < classes.size()) {
    while (i < classes.size() && is_space(classes[i])) ++i;
    size_t start = i;
    while (i < classes.size() && !is_space(classes[i])) ++i;
    if (i > start && classes.substr(start, i - start) == name) return true;
  }
  return false;
}

bool matches(const compound_selector& c, const element_node& e) {
  if (c.tag && e.tag != c.tag) return false;
  if ((e.state & c.states) != c.states) return false;
  if (c.id) {
    const compact_string* id = e.find_attribute(names::id);
    if (!id || *id != *c.id) return false;
  }
  if (!c.classes.empty()) {
    const compact_string* classes = e.find_attribute(names::class_);
    if (!classes) return false;
    for (const std::string& name : c.classes)
      if (!has_class(*classes, name)) return false;
  }
  for (const attribute_test& test : c.attributes) {
    const compact_string* value = e.find_attribute(test.name);
    if (!value || !attribute_matches(test, *value)) return false;
  }
  return true;
}

bool matches(const complex_selector& selector, const element_node& e) {
  return match_from(selector, selector.compounds.size() - 1, &e) == match_result::matched;
}

bool matches(const selector_list& list, const element_node& e) {
  for (const complex_selector& s : list.alternatives)
    if (matches(s, e)) return true;
  return false;
}

std::string quoted_selector_value(std::string_view value) {
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace htmlayout
