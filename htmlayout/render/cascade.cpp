#include "htmlayout/render/cascade.h"

#include <litehtml/el_anchor.h>
#include <litehtml/el_before_after.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "htmlayout/render/litehtml_access.h"

namespace htmlayout::render {

namespace {

// Distinct runs of matched rules kept merged; past this the kept ones go.
constexpr size_t kMergedRuns = 4096;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// litehtml compares classes and ids without regard to ASCII case, and tags
// as they are.
std::string tag_key(std::string_view tag) { return "t" + std::string(tag); }
std::string class_key(std::string_view name) { return "." + lower(name); }
std::string id_key(std::string_view id) { return "#" + lower(id); }

// The key a rule's subject cannot match without; empty when it has none.
std::string required_key(const litehtml::css_element_selector& subject) {
  for (const litehtml::css_attribute_selector& a : subject.m_attrs) {
    if (a.condition != litehtml::select_equal) continue;
    if (a.attribute == "id") return id_key(a.val);
    if (a.attribute == "class" && !a.class_val.empty()) return class_key(a.class_val.front());
  }
  if (!subject.m_tag.empty() && subject.m_tag != "*") return tag_key(subject.m_tag);
  return {};
}

// Declarations whose parsing depends on the element (var() substitution) or
// on the style they are added to (the background shorthand appends to a
// background-position already there) cannot be merged ahead.
bool applies_alone(const std::string& declarations) {
  if (declarations.find("var(") != std::string::npos) return true;
  for (size_t at = declarations.find("background"); at != std::string::npos;
       at = declarations.find("background", at + 1)) {
    const size_t next = at + 10;
    if (next >= declarations.size() || declarations[next] != '-') return true;
  }
  return false;
}

}  // namespace

void cascade::apply(const litehtml::element::ptr& el, const litehtml::css& sheet) {
  follow(sheet);
  apply_to(el);
}

void cascade::follow(const litehtml::css& sheet) {
  if (sheet.selectors() == rules_) return;
  *this = cascade();
  rules_ = sheet.selectors();
  alone_.reserve(rules_.size());
  for (uint32_t i = 0; i < rules_.size(); ++i) {
    alone_.push_back(applies_alone(rules_[i]->m_style));
    const std::string key = required_key(rules_[i]->m_right);
    (key.empty() ? universal_ : by_key_[key]).push_back(i);
  }
}

const cascade::rule_list& cascade::candidates(litehtml::html_tag& tag) {
  // Only the keys some rule requires: the lists stay as few as the
  // combinations of those (rows' ids, which no rule names, add none).
  std::vector<std::string> keys;
  auto add = [&](std::string key) {
    if (by_key_.count(key)) keys.push_back(std::move(key));
  };
  add(tag_key(tag.get_tagName()));
  if (const char* id = tag.get_attr("id")) add(id_key(id));
  for (const std::string& name : detail::tag_members::class_values(tag)) add(class_key(name));
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  std::string joined;
  for (const std::string& key : keys) (joined += key) += '\0';
  auto [found, added] = candidates_.try_emplace(std::move(joined));
  if (!added) return found->second;
  rule_list& list = found->second;
  list = universal_;
  for (const std::string& key : keys) {
    const rule_list& rules = by_key_.at(key);
    list.insert(list.end(), rules.begin(), rules.end());
  }
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  return list;
}

const litehtml::style* cascade::merged(const rule_list& rules) {
  for (uint32_t i : rules)
    if (alone_[i]) return nullptr;
  if (auto found = merged_.find(rules); found != merged_.end()) return &found->second;
  if (merged_.size() >= kMergedRuns) merged_.clear();
  litehtml::style& style = merged_[rules];
  for (uint32_t i : rules)
    style.add(rules_[i]->m_style.c_str(), rules_[i]->m_baseurl.c_str(), nullptr);
  return &style;
}

void cascade::apply_to(const litehtml::element::ptr& el) {
  if (dynamic_cast<litehtml::el_before_after_base*>(el.get())) return;  // styled by its owner
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) return;  // text, comments and scripts take no rules
  if (dynamic_cast<litehtml::el_anchor*>(tag) && tag->get_attr("href"))
    detail::tag_members::pseudo_classes(*tag).push_back("link");
  detail::tag_members::drop_before_after(*tag);
  auto& used = detail::tag_members::used_selectors(*tag);
  rule_list own;
  for (uint32_t i : candidates(*tag)) {
    const litehtml::css_selector::ptr& rule = rules_[i];
    const int match = tag->select(*rule, false);
    if (match == litehtml::select_no_match) continue;
    auto use = std::make_unique<litehtml::used_selector>(rule, false);
    if (rule->is_media_valid() &&
        (!(match & litehtml::select_match_pseudo_class) || tag->select(*rule, true))) {
      litehtml::element::ptr target;
      if (match & litehtml::select_match_with_after) {
        if ((target = detail::tag_members::after_box(*tag)))
          target->add_style(rule->m_style, rule->m_baseurl);
      } else if (match & litehtml::select_match_with_before) {
        if ((target = detail::tag_members::before_box(*tag)))
          target->add_style(rule->m_style, rule->m_baseurl);
      } else {
        own.push_back(i);
        use->m_used = true;
      }
    }
    used.push_back(std::move(use));
  }
  if (!own.empty()) {
    if (const litehtml::style* style = merged(own)) {
      detail::tag_members::cascaded_style(*tag).combine(*style);
    } else {
      for (uint32_t i : own) tag->add_style(rules_[i]->m_style, rules_[i]->m_baseurl);
    }
  }
  for (const litehtml::element::ptr& child : tag->children())
    if (child->get_display() != litehtml::display_inline_text) apply_to(child);
}

}  // namespace htmlayout::render
