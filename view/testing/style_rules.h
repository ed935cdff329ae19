// Reading the main window's style sheets in the view's tests: rules parsed
// from CSS text and a cascade over a gumbo tree, limited to the selectors the
// engine matches (tags, *, #id, .class, attribute tests, state pseudo-classes,
// descendant and child combinators, comma lists). A selector outside that
// set is reported, since the engine would drop its rule. States are never
// set in the tests, so a compound with a pseudo-class matches nothing.
#pragma once

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "view/testing/html_tree.h"

namespace view_testing {

struct compound {
  std::string tag;  // empty or "*": any
  std::vector<std::string> ids, classes, states;
  std::vector<std::pair<std::string, std::optional<std::string>>> attributes;
};

struct selector {
  std::vector<compound> parts;    // left to right
  std::vector<char> combinators;  // between parts: ' ' or '>'
  std::tuple<int, int, int> specificity{};
};

struct style_rule {
  selector subject;
  std::string text;  // the selector as written
  std::map<std::string, std::string> declarations;
  int order = 0;
};

class style_rules {
 public:
  // Parses `css` and appends its rules, those inside @media blocks too.
  // Selectors the engine would not match are collected in invalid().
  void add(const std::string& css) {
    std::string text = strip_comments(css);
    size_t start = 0;
    for (size_t open; (open = text.find('{', start)) != std::string::npos;) {
      size_t close = text.find('}', open);
      if (close == std::string::npos) break;
      std::string selectors = trim(text.substr(start, open - start));
      // The rules of an @media block count as the others (the block's own
      // closing brace is left before the next rule).
      while (selectors.starts_with("}")) selectors = trim(selectors.substr(1));
      if (selectors.starts_with("@media")) {
        start = open + 1;
        continue;
      }
      std::map<std::string, std::string> declarations =
          parse_declarations(text.substr(open + 1, close - open - 1));
      for (const std::string& one : split(selectors, ',')) {
        std::optional<selector> parsed = parse_selector(trim(one));
        if (!parsed) {
          invalid_.push_back(trim(one));
          continue;
        }
        rules_.push_back({*parsed, trim(one), declarations, static_cast<int>(rules_.size())});
      }
      start = close + 1;
    }
  }

  const std::vector<std::string>& invalid() const { return invalid_; }
  const std::vector<style_rule>& rules() const { return rules_; }

  // The cascaded value of `property` for the element; empty when no rule
  // sets it.
  std::string value(const GumboNode* element, const std::string& property) const {
    const style_rule* best = nullptr;
    for (const style_rule& rule : rules_) {
      if (!rule.declarations.count(property) || !matches(rule.subject, element)) continue;
      if (!best || std::tie(rule.subject.specificity, rule.order) >=
                       std::tie(best->subject.specificity, best->order))
        best = &rule;
    }
    return best ? best->declarations.at(property) : "";
  }

 private:
  static std::string trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
  }
  static std::vector<std::string> split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = s.find(separator, start)) != std::string::npos; start = at + 1)
      parts.push_back(s.substr(start, at - start));
    parts.push_back(s.substr(start));
    return parts;
  }
  static std::string strip_comments(const std::string& css) {
    std::string out;
    for (size_t i = 0; i < css.size(); ++i) {
      if (css.compare(i, 2, "/*") == 0) {
        size_t end = css.find("*/", i + 2);
        if (end == std::string::npos) break;
        i = end + 1;
        continue;
      }
      out += css[i];
    }
    return out;
  }
  static std::map<std::string, std::string> parse_declarations(const std::string& block) {
    std::map<std::string, std::string> declarations;
    for (const std::string& one : split(block, ';')) {
      size_t colon = one.find(':');
      if (colon == std::string::npos) continue;
      declarations[trim(one.substr(0, colon))] = trim(one.substr(colon + 1));
    }
    return declarations;
  }
  static bool name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  }

  static std::optional<selector> parse_selector(const std::string& text) {
    selector result;
    size_t i = 0;
    auto skip_spaces = [&] {
      bool any = false;
      while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i, any = true;
      return any;
    };
    auto name = [&] {
      size_t start = i;
      while (i < text.size() && name_char(text[i])) ++i;
      return text.substr(start, i - start);
    };
    auto& [ids, classes, tags] = result.specificity;
    while (i < text.size()) {
      compound part;
      if (text[i] == '*') {
        part.tag = "*";
        ++i;
      } else if (name_char(text[i])) {
        part.tag = name();
        ++tags;
      }
      while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
             text[i] != '>') {
        char kind = text[i++];
        if (kind == '#') {
          part.ids.push_back(name());
          ++ids;
        } else if (kind == '.') {
          part.classes.push_back(name());
          ++classes;
        } else if (kind == ':') {
          if (i < text.size() && text[i] == ':') return std::nullopt;  // pseudo-elements
          std::string state = name();
          static const char* kStates[] = {"checked",  "current",   "focus",    "anchor",
                                          "expanded", "collapsed", "hover",    "active",
                                          "visited",  "link",      "disabled", "readonly"};
          if (std::find(std::begin(kStates), std::end(kStates), state) == std::end(kStates))
            return std::nullopt;
          part.states.push_back(state);
          ++classes;
        } else if (kind == '[') {
          size_t close = text.find(']', i);
          if (close == std::string::npos) return std::nullopt;
          std::string inside = text.substr(i, close - i);
          i = close + 1;
          size_t equals = inside.find('=');
          if (equals == std::string::npos) {
            part.attributes.push_back({trim(inside), std::nullopt});
          } else {
            if (equals > 0 && std::string("~|^$*").find(inside[equals - 1]) != std::string::npos)
              return std::nullopt;  // not used by the main window
            std::string value = trim(inside.substr(equals + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\''))
              value = value.substr(1, value.size() - 2);
            part.attributes.push_back({trim(inside.substr(0, equals)), value});
          }
          ++classes;
        } else {
          return std::nullopt;  // +, ~, (, and anything else
        }
      }
      result.parts.push_back(part);
      bool spaced = skip_spaces();
      if (i < text.size() && text[i] == '>') {
        ++i;
        skip_spaces();
        result.combinators.push_back('>');
      } else if (i < text.size()) {
        if (!spaced) return std::nullopt;
        result.combinators.push_back(' ');
      }
    }
    if (result.parts.empty()) return std::nullopt;
    return result;
  }

  static bool matches(const compound& part, const GumboNode* e) {
    if (e->type != GUMBO_NODE_ELEMENT) return false;
    if (!part.states.empty()) return false;
    if (!part.tag.empty() && part.tag != "*" && html_tree::tag(e) != part.tag) return false;
    for (const std::string& id : part.ids)
      if (html_tree::attribute(e, "id") != id || !html_tree::has_attribute(e, "id")) return false;
    for (const std::string& css_class : part.classes)
      if (!html_tree::has_class(e, css_class)) return false;
    for (const auto& [name, value] : part.attributes) {
      if (!html_tree::has_attribute(e, name.c_str())) return false;
      if (value && html_tree::attribute(e, name.c_str()) != *value) return false;
    }
    return true;
  }

  // Matches parts[0..last] ending at element `e`.
  static bool matches_from(const selector& s, int last, const GumboNode* e) {
    if (!matches(s.parts[last], e)) return false;
    if (last == 0) return true;
    const GumboNode* up = e->parent;
    if (s.combinators[last - 1] == '>') return up && matches_from(s, last - 1, up);
    for (; up && up->type == GUMBO_NODE_ELEMENT; up = up->parent)
      if (matches_from(s, last - 1, up)) return true;
    return false;
  }

  static bool matches(const selector& s, const GumboNode* e) {
    return matches_from(s, static_cast<int>(s.parts.size()) - 1, e);
  }

  std::vector<style_rule> rules_;
  std::vector<std::string> invalid_;
};

}  // namespace view_testing
