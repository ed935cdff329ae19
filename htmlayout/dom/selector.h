// CSS selectors as the engine understands them: type, universal, #id,
// .class, attribute tests ([a], [a=v] with the value in single, double or no
// quotes, also written [a==v], and [a~=v], [a|=v], [a^=v], [a$=v],
// [a*=v]), the state pseudo-classes (:checked, :current, :focus, :anchor,
// :expanded, :collapsed, :hover, :active, :visited, :link, :disabled,
// :readonly), descendant and child combinators and comma lists. Anything else
// makes the whole selector invalid. Attribute values compare case-sensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

struct attribute_test {
  enum class op : uint8_t { exists, equals, includes, dash_match, prefix, suffix, substring };
  atom name;
  op test;
  std::string value;
};

struct compound_selector {
  atom tag = 0;  // 0 matches any tag
  std::optional<std::string> id;
  std::vector<std::string> classes;
  std::vector<attribute_test> attributes;
  uint32_t states = 0;  // every bit must be set
};

enum class combinator : uint8_t { descendant, child };

struct complex_selector {
  std::vector<compound_selector> compounds;  // left to right
  std::vector<combinator> combinators;       // combinators[i] joins compounds i and i+1
  uint32_t specificity = 0;                  // ids << 20 | classes << 10 | types

  const compound_selector& subject() const { return compounds.back(); }
  // The id the subject must carry (from #id or [id=v]), if any: what the id
  // index can look up.
  const std::string* subject_id() const;
};

struct selector_list {
  std::vector<complex_selector> alternatives;
};

// Parses a selector list; nullopt when any part of it is not understood.
std::optional<selector_list> parse_selector(std::string_view text);

// When `text` is a single id test and nothing else ("#x", or "[id=x]" with
// the value in any quotes), the id; otherwise nullopt. Lets the commonest
// selection skip the general parser.
std::optional<std::string_view> simple_id_selector(std::string_view text);

// Maps a pseudo-class name to its state bit (0 when it is not one).
uint32_t pseudo_class_state(std::string_view name);

bool matches(const compound_selector& compound, const element_node& e);
bool matches(const complex_selector& selector, const element_node& e);
bool matches(const selector_list& list, const element_node& e);

// True when the space-separated list `classes` holds `name`.
bool has_class(std::string_view classes, std::string_view name);

// `value` (UTF-8) as a quoted attribute value for a selector, with quotes and
// backslashes escaped, so that "[name=" + quoted_selector_value(v) + "]"
// matches exactly the elements whose `name` is `v`, whatever `v` holds.
std::string quoted_selector_value(std::string_view value);

}  // namespace htmlayout
