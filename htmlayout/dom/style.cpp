#include "htmlayout/dom/style.h"

#include <algorithm>
#include <deque>

#include "htmlayout/dom/events.h"
#include "htmlayout/dom/selector.h"

namespace htmlayout {
namespace {

constexpr std::string_view property_names[style_property_count] = {
    "behavior", "context-menu", "cursor", "flow", "display", "overflow"};

bool is_wanted(std::string_view name) {
  style_property ignored;
  return find_style_property(name, ignored);
}

struct style_table {
  std::deque<computed_style> styles{computed_style{}};
  struct hash {
    size_t operator()(const computed_style& s) const {
      size_t h = 0;
      for (atom a : s.values) h = h * 1000003u + a;
      return h;
    }
  };
  std::unordered_map<computed_style, uint32_t, hash> index{{computed_style{}, 0}};
};

style_table& styles() {
  static style_table table;
  return table;
}

// Priority of a declaration in the cascade: higher wins.
uint64_t priority(bool important, bool inline_style, uint32_t specificity, uint32_t order) {
  return uint64_t{important} << 63 | uint64_t{inline_style} << 62 |
         uint64_t{specificity & 0x3FFFFFFF} << 32 | order;
}

bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

bool find_style_property(std::string_view name, style_property& out) {
  for (size_t i = 0; i < style_property_count; ++i) {
    if (property_names[i] == name) {
      out = static_cast<style_property>(i);
      return true;
    }
  }
  return false;
}

uint32_t intern_style(const computed_style& style) {
  style_table& t = styles();
  auto found = t.index.find(style);
  if (found != t.index.end()) return found->second;
  uint32_t index = static_cast<uint32_t>(t.styles.size());
  t.styles.push_back(style);
  t.index.emplace(style, index);
  return index;
}

const computed_style& style_at(uint32_t index) {
  style_table& t = styles();
  return index < t.styles.size() ? t.styles[index] : t.styles[0];
}

std::string_view default_display(atom tag) {
  using namespace names;
  switch (tag) {
    case head:
    case title:
    case meta:
    case link:
    case style:
    case script:
    case noscript:
    case base:
    case template_:
    case param:
    case area:
    case noembed:
    case noframes:
      return "none";
    case html:
    case body:
    case div:
    case p:
    case pre:
    case hr:
    case ul:
    case ol:
    case dl:
    case dd:
    case form:
    case menu:
    case listing:
    case xmp:
    case plaintext:
      return "block";
    case li:
      return "list-item";
    case table:
      return "table";
    case caption:
      return "table-caption";
    case colgroup:
      return "table-column-group";
    case col:
      return "table-column";
    case thead:
      return "table-header-group";
    case tbody:
      return "table-row-group";
    case tfoot:
      return "table-footer-group";
    case tr:
      return "table-row";
    case td:
    case th:
      return "table-cell";
    case button:
    case input:
    case select:
    case textarea:
    case img:
    case iframe:
      return "inline-block";
    default:
      return "inline";
  }
}

std::string_view style_value(const element_node& e, style_property property) {
  size_t i = static_cast<size_t>(property);
  if (property == style_property::cursor) {
    for (const element_node* n = &e; n; n = n->parent) {
      atom value = style_at(n->style).values[i];
      if (value) return name_of(value);
    }
    return "auto";
  }
  atom value = style_at(e.style).values[i];
  // A popup that is shown is displayed, even when the page hides it.
  if (property == style_property::display && (e.state & state::popup) && name_of(value) == "none")
    return "block";
  if (value) return name_of(value);
  if (property == style_property::display) return default_display(e.tag);
  return {};
}

namespace {

// A declared value as the computed style holds it: "inherit" and "initial"
// leave the property unspecified (atom 0).
atom specified_value(std::string_view value) {
  return value == "inherit" || value == "initial" ? atom(0) : intern(value);
}

}  // namespace

void style_resolver::clear() { *this = style_resolver(); }

void style_resolver::add_style_sheet(std::string_view css) {
  for (style_rule& parsed : parse_style_sheet(css, is_wanted)) {
    rule r;
    r.order = static_cast<uint32_t>(rules_.size());
    for (declaration& d : parsed.declarations) {
      style_property p;
      find_style_property(d.name, p);
      r.atoms.push_back(specified_value(d.value));
      r.values.emplace_back(p, std::move(d.value));
      r.important.push_back(d.important);
    }
    r.selector = std::move(parsed.selector);
    note_dependencies(r.selector);
    const compound_selector& subject = r.selector.subject();
    uint32_t index = r.order;
    if (const std::string* id = r.selector.subject_id())
      by_id_[*id].push_back(index);
    else if (!subject.classes.empty())
      by_class_[subject.classes.front()].push_back(index);
    else if (subject.tag)
      by_tag_[subject.tag].push_back(index);
    else
      universal_.push_back(index);
    rules_.push_back(std::move(r));
  }
}

void style_resolver::note_dependencies(const complex_selector& s) {
  for (size_t i = 0; i < s.compounds.size(); ++i) {
    const compound_selector& c = s.compounds[i];
    bool subject = i + 1 == s.compounds.size();
    std::vector<atom>& attributes = subject ? element_attributes_ : descendant_attributes_;
    (subject ? element_states_ : descendant_states_) |= c.states;
    if (c.id) {
      attributes.push_back(names::id);
      named_ids_.insert(*c.id);
    }
    if (!c.classes.empty()) attributes.push_back(names::class_);
    for (const attribute_test& t : c.attributes) {
      attributes.push_back(t.name);
      if (t.name == names::id) id_read_as_attribute_ = true;
      if (t.name != names::id && t.name != names::style) tested_attributes_.push_back(t.name);
    }
    if (!c.classes.empty()) tested_attributes_.push_back(names::class_);
  }
  for (std::vector<atom>* v : {&element_attributes_, &descendant_attributes_, &tested_attributes_}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
}

void style_resolver::append_tested_features(const element_node& e, std::string& key) const {
  auto append = [&key](std::string_view text) {
    const uint32_t size = static_cast<uint32_t>(text.size());
    key.append(reinterpret_cast<const char*>(&size), sizeof size);
    key.append(text);
  };
  const uint32_t states = e.state & (element_states_ | descendant_states_);
  key.append(reinterpret_cast<const char*>(&e.tag), sizeof e.tag);
  key.append(reinterpret_cast<const char*>(&states), sizeof states);
  // An id no selector names matches as no id does, unless a test reads it.
  const compact_string* id = e.find_attribute(names::id);
  const bool id_counts = id && (id_read_as_attribute_ || named_ids_.count(std::string_view(*id)));
  key += id_counts ? '#' : '-';
  if (id_counts) append(*id);
  for (atom name : tested_attributes_) {
    const compact_string* value = e.find_attribute(name);
    key += value ? '=' : '-';
    if (value) append(*value);
  }
  const compact_string* inline_style = e.find_attribute(names::style);
  key += inline_style ? '=' : '-';
  if (inline_style) append(*inline_style);
}

uint32_t style_batch::compute(const element_node& e) {
  while (!branch_.empty() && branch_.back().first != e.parent) branch_.pop_back();
  uint32_t parent_kind;
  if (!branch_.empty()) {
    parent_kind = branch_.back().second;
  } else {
    auto [found, added] = outside_.try_emplace(e.parent, 0);
    if (added) found->second = ++kinds_;
    parent_kind = found->second;
  }
  key_.assign(reinterpret_cast<const char*>(&parent_kind), sizeof parent_kind);
  resolver_.append_tested_features(e, key_);
  auto [found, added] = known_.try_emplace(key_);
  if (added) found->second = {++kinds_, resolver_.compute(e)};
  branch_.emplace_back(&e, found->second.first);
  return found->second.second;
}

bool style_resolver::attribute_affects_element(atom name) const {
  return name == names::style ||
         std::binary_search(element_attributes_.begin(), element_attributes_.end(), name);
}

bool style_resolver::attribute_affects_descendants(atom name) const {
  return std::binary_search(descendant_attributes_.begin(), descendant_attributes_.end(), name);
}

uint32_t style_resolver::compute(const element_node& e) const {
  std::array<uint64_t, style_property_count> best{};
  std::array<atom, style_property_count> chosen{};
  std::array<bool, style_property_count> set{};

  auto apply_rules = [&](const std::vector<uint32_t>& candidates) {
    for (uint32_t index : candidates) {
      const rule& r = rules_[index];
      if (!matches(r.selector, e)) continue;
      for (size_t k = 0; k < r.values.size(); ++k) {
        size_t p = static_cast<size_t>(r.values[k].first);
        uint64_t key = priority(r.important[k], false, r.selector.specificity, r.order);
        if (!set[p] || key >= best[p]) {
          best[p] = key;
          chosen[p] = r.atoms[k];
          set[p] = true;
        }
      }
    }
  };

  if (!rules_.empty()) {
    if (const compact_string* id = e.find_attribute(names::id)) {
      auto found = by_id_.find(std::string_view(*id));
      if (found != by_id_.end()) apply_rules(found->second);
    }
    if (const compact_string* classes = e.find_attribute(names::class_)) {
      std::string_view list = *classes;
      std::vector<std::string_view> seen;
      size_t i = 0;
      while (i < list.size()) {
        while (i < list.size() && space(list[i])) ++i;
        size_t start = i;
        while (i < list.size() && !space(list[i])) ++i;
        if (i == start) continue;
        std::string_view name = list.substr(start, i - start);
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        auto found = by_class_.find(name);
        if (found != by_class_.end()) apply_rules(found->second);
      }
    }
    auto found = by_tag_.find(e.tag);
    if (found != by_tag_.end()) apply_rules(found->second);
    apply_rules(universal_);
  }

  std::vector<declaration> inline_declarations;
  if (const compact_string* inline_style = e.find_attribute(names::style)) {
    inline_declarations = parse_declarations(*inline_style);
    for (const declaration& d : inline_declarations) {
      style_property property;
      if (!find_style_property(d.name, property)) continue;
      size_t p = static_cast<size_t>(property);
      uint64_t key = priority(d.important, true, 0, 0xFFFFFFFF);
      if (!set[p] || key >= best[p]) {
        best[p] = key;
        chosen[p] = specified_value(d.value);
        set[p] = true;
      }
    }
  }

  // "inherit" and "initial" (atom 0) leave the value unspecified: cursor
  // then comes from the ancestors, the others take their initial value.
  computed_style result;
  for (size_t p = 0; p < style_property_count; ++p)
    if (set[p]) result.values[p] = chosen[p];
  return intern_style(result);
}

}  // namespace htmlayout
