// The computed style of elements for the properties the engine itself and
// the program read: behavior, context-menu, cursor, flow, display and
// overflow. A style_resolver holds the rules of one document's style sheets,
// indexed by the id, class or tag their selector's subject needs, and
// computes an element's values with the cascade: !important first, then the
// style attribute over the sheets, then specificity, then the later rule.
// Only cursor is inherited.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "htmlayout/dom/css.h"
#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

enum class style_property : uint8_t { behavior, context_menu, cursor, flow, display, overflow };
inline constexpr size_t style_property_count = 6;

// The property of a CSS name; false when the engine does not compute it.
bool find_style_property(std::string_view name, style_property& out);

// The specified values of one element (atom 0: not specified).
struct computed_style {
  std::array<atom, style_property_count> values{};
  bool operator==(const computed_style&) const = default;
};

// Styles are shared: elements keep the index of theirs in a process-wide
// table. Index 0 is the style with nothing specified.
uint32_t intern_style(const computed_style& style);
const computed_style& style_at(uint32_t index);

// The value of a property for an element: its own specified value; for
// cursor the nearest specified value up the ancestors ("auto" without one);
// for display the tag's default when none is specified.
std::string_view style_value(const element_node& e, style_property property);

// The display of a tag when no rule sets one.
std::string_view default_display(atom tag);

class style_resolver {
 public:
  // Forgets every rule.
  void clear();
  // Appends the rules of a style sheet after those already held.
  void add_style_sheet(std::string_view css);
  // Computes an element's style (an index for style_at).
  uint32_t compute(const element_node& e) const;

  // Whether a change of the attribute or state bits can change the style of
  // the element itself, or of its descendants.
  bool attribute_affects_element(atom name) const;
  bool attribute_affects_descendants(atom name) const;
  bool state_affects_element(uint32_t bits) const { return (element_states_ & bits) != 0; }
  bool state_affects_descendants(uint32_t bits) const { return (descendant_states_ & bits) != 0; }

  // Appends to `key` what the rules can test on `e` itself: its tag, the
  // states and attributes some selector tests, its id where a selector
  // names it, and its inline style. Elements with equal keys whose
  // ancestors have equal keys too get the same style: selectors test only
  // an element and its ancestors.
  void append_tested_features(const element_node& e, std::string& key) const;

 private:
  struct rule {
    complex_selector selector;
    std::vector<std::pair<style_property, std::string>> values;
    // Each value as an atom, 0 for "inherit" and "initial" (unspecified).
    std::vector<atom> atoms;
    std::vector<bool> important;
    uint32_t order;
  };
  struct string_hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  using string_index =
      std::unordered_map<std::string, std::vector<uint32_t>, string_hash, std::equal_to<>>;

  void note_dependencies(const complex_selector& s);

  std::vector<rule> rules_;
  string_index by_id_;
  string_index by_class_;
  std::unordered_map<atom, std::vector<uint32_t>> by_tag_;
  std::vector<uint32_t> universal_;
  std::vector<atom> element_attributes_;
  std::vector<atom> descendant_attributes_;
  uint32_t element_states_ = 0;
  uint32_t descendant_states_ = 0;
  // For append_tested_features: the attributes tested anywhere (the id and
  // the inline style apart), the ids #id names, and whether a test reads
  // the id as an attribute ([id^=...]).
  std::vector<atom> tested_attributes_;
  std::unordered_set<std::string, string_hash, std::equal_to<>> named_ids_;
  bool id_read_as_attribute_ = false;
};

// Styles the elements of one pass over new subtrees (the rows of a list),
// parents before their children: an element whose features and whose
// ancestors' features equal an earlier element's takes its style without
// matching the rules again. The resolver must not change during the pass.
class style_batch {
 public:
  explicit style_batch(const style_resolver& resolver) : resolver_(resolver) {}
  uint32_t compute(const element_node& e);

 private:
  const style_resolver& resolver_;
  // The elements of the current branch with their kind (equal kinds: equal
  // features up the ancestors).
  std::vector<std::pair<const element_node*, uint32_t>> branch_;
  // Parents outside the pass, each its own kind.
  std::unordered_map<const element_node*, uint32_t> outside_;
  std::unordered_map<std::string, std::pair<uint32_t, uint32_t>> known_;  // key: kind, style
  std::string key_;
  uint32_t kinds_ = 0;
};

}  // namespace htmlayout
