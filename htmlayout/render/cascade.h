// Applies a parsed style sheet to litehtml elements with the outcome of
// litehtml's own html_tag::apply_stylesheet(), in a fraction of its time.
// litehtml 0.6 tests every rule of a sheet on every element, and parses the
// declarations of a rule again for each element it matches. A cascade looks
// the rules up by the tag or class their subject requires, and parses the
// declarations of each distinct run of matched rules once: an element then
// takes them as one merged style. Rules whose declarations read the element
// (var()) or the style already there (the background shorthand) are applied
// one by one, as litehtml does.
#pragma once

#include <litehtml/litehtml.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace htmlayout::render {

class cascade {
 public:
  // Applies `sheet` to `el` and its descendants: afterwards they hold the
  // same cascaded style, matched selectors and ::before/::after boxes as
  // after el->apply_stylesheet(sheet). The cascade follows the sheet it is
  // given: its lookups are rebuilt when the sheet's rules are other ones.
  void apply(const litehtml::element::ptr& el, const litehtml::css& sheet);
  // How many lookups it keeps: bounded by the rules, not by the elements.
  size_t lookups_kept() const { return candidates_.size() + merged_.size(); }

 private:
  using rule_list = std::vector<uint32_t>;  // indexes into rules_, ascending

  void follow(const litehtml::css& sheet);
  void apply_to(const litehtml::element::ptr& el);
  const rule_list& candidates(litehtml::html_tag& tag);
  // The merged declarations of `rules`; nullptr when one of them must be
  // applied on its own.
  const litehtml::style* merged(const rule_list& rules);

  // The sheet's rules, held so that their addresses identify the sheet.
  litehtml::css_selector::vector rules_;
  std::vector<bool> alone_;  // rules applied one by one
  // The rules whose subject requires a tag ("t" + tag), a class ("." +
  // class) or an id ("#" + id), and those that require none.
  std::unordered_map<std::string, rule_list> by_key_;
  rule_list universal_;
  // The candidate rules by the keys of by_key_ an element has.
  std::unordered_map<std::string, rule_list> candidates_;
  std::map<rule_list, litehtml::style> merged_;
};

}  // namespace htmlayout::render
