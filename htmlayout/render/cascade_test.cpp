#include "htmlayout/render/cascade.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/style_sheets.h"
#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {

// litehtml keeps a style's properties private; the test compares them whole.
template <litehtml::props_map litehtml::style::*Member>
struct style_properties {
  friend const litehtml::props_map& properties_of(const litehtml::style& s) { return s.*Member; }
};
template struct style_properties<&litehtml::style::m_properties>;
const litehtml::props_map& properties_of(const litehtml::style& s);

namespace {

using test_support::test_page;

void clear_styles(const litehtml::element::ptr& el) {
  if (litehtml::html_tag* tag = detail::as_tag(el)) {
    detail::tag_members::used_selectors(*tag).clear();
    if (*tag->get_tagName()) detail::tag_members::cascaded_style(*tag).clear();
    for (const auto& child : tag->children()) clear_styles(child);
  }
}

// Everything styling leaves on a subtree, with the rules named by their
// place in the sheets.
std::string dump(const litehtml::element::ptr& el, const style_sheets& sheets) {
  std::map<const litehtml::css_selector*, std::string> names;
  for (size_t i = 0; i < sheets.master->selectors().size(); ++i)
    names[sheets.master->selectors()[i].get()] = "m" + std::to_string(i);
  for (size_t i = 0; i < sheets.author.selectors().size(); ++i)
    names[sheets.author.selectors()[i].get()] = "a" + std::to_string(i);
  std::string out;
  auto walk = [&](auto& self, const litehtml::element::ptr& e, int depth) -> void {
    out += std::string(depth * 2, ' ') + "<" + e->get_tagName() + ">";
    if (litehtml::html_tag* tag = detail::as_tag(e)) {
      for (const auto& [name, value] : properties_of(detail::tag_members::cascaded_style(*tag)))
        out += " " + name + ":" + value.m_value + (value.m_important ? "!" : "");
      out += " |";
      for (const auto& used : detail::tag_members::used_selectors(*tag))
        out += " " + names[used->m_selector.get()] + (used->m_used ? "+" : "-");
      for (const std::string& pseudo : detail::tag_members::pseudo_classes(*tag))
        out += " :" + pseudo;
      out += "\n";
      for (const auto& child : tag->children()) self(self, child, depth + 1);
    } else {
      out += "\n";
    }
  };
  walk(walk, el, 0);
  return out;
}

// Random pages and sheets over a small vocabulary, so that rules match often:
// mixed-case classes and ids, attribute tests, states, combinators,
// ::before/::after, !important, shorthands (the background one appends to a
// position already there), var() and @media.
struct generator {
  std::mt19937 random;
  explicit generator(unsigned seed) : random(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
  template <size_t N>
  const char* one_of(const char* const (&items)[N]) {
    return items[pick(N)];
  }

  std::string element(int depth) {
    static const char* const kTags[] = {"div", "p", "span", "a", "b", "button", "ul", "table"};
    static const char* const kClasses[] = {"x", "X", "y", "qtable", "title", "x y"};
    std::string tag = one_of(kTags);
    std::string attrs;
    if (pick(2)) attrs += std::string(" class=\"") + one_of(kClasses) + "\"";
    if (!pick(4)) attrs += std::string(" id=\"") + (pick(2) ? "Main" : "side") + "\"";
    if (!pick(4)) attrs += " title=\"t\"";
    if (tag == "a" && pick(2)) attrs += " href=\"#\"";
    std::string inner = pick(2) ? "word " : "";
    if (tag == "table") {
      inner = "<tr><td" + std::string(pick(2) ? " class=\"x\"" : "") + ">cell</td></tr>";
    } else if (tag == "ul") {
      inner = "<li>item</li><li class=\"y\">two</li>";
    } else if (depth < 3) {
      for (int n = pick(4); n > 0; --n) inner += element(depth + 1);
    }
    return "<" + tag + attrs + ">" + inner + "</" + tag + ">";
  }

  std::string selector() {
    static const char* const kSubjects[] = {
        "div",     "p",      "span",           "a",      "*",          ".x",          ".X",
        ".y",      "#main",  "#side",          "td",     "li",         "div.x",       "p.y.x",
        "[title]", "a:link", "li:first-child", "button", ".qtable td", "span:checked"};
    static const char* const kCombinators[] = {" ", " > ", " + ", " ~ "};
    std::string s = one_of(kSubjects);
    if (!pick(3)) s = std::string(one_of(kSubjects)) + one_of(kCombinators) + s;
    if (!pick(8)) s += pick(2) ? "::before" : "::after";
    return s;
  }

  std::string declarations() {
    static const char* const kDeclarations[] = {"color: red",
                                                "color: blue !important",
                                                "margin: 1px 2px",
                                                "border: 1px solid",
                                                "font: bold 12px serif",
                                                "background: red 10px 5px",
                                                "background-color: #0f0",
                                                "padding: 3px",
                                                "white-space: nowrap",
                                                "white-space: wrong",
                                                "display: block",
                                                "display: none",
                                                "--gap: 4px",
                                                "margin-left: var(--gap)",
                                                "content: \"!\"",
                                                "font-size: 18px !important",
                                                "background-position: 1px 2px"};
    std::string out;
    for (int n = 1 + pick(3); n > 0; --n) out += std::string(one_of(kDeclarations)) + "; ";
    return out;
  }

  std::string sheet() {
    std::string css;
    for (int n = 6 + pick(20); n > 0; --n) {
      std::string rule = selector() + " { " + declarations() + "}\n";
      css += pick(10) ? rule : (pick(2) ? "@media screen { " : "@media print { ") + rule + "}\n";
    }
    return css;
  }
};

// Styling through a cascade leaves on every element what litehtml's own
// apply_stylesheet() leaves, on random pages and sheets. Each page is styled
// twice: from the page's sheets, then with a random master sheet in place of
// litehtml's (the author cascade reuses its lookups and merged runs, and
// styles now meet properties an earlier sheet set).
TEST(Cascade, StylesAsLitehtmlDoes) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    generator g(seed);
    std::string html = "<body>";
    for (int n = 2 + g.pick(5); n > 0; --n) html += g.element(0);
    html += "</body>";
    const std::string css = g.sheet();
    test_page fast(html, css), slow(html, css);
    style_sheets sheets = fast.sheets();
    litehtml::css random_master;
    random_master.parse_stylesheet(g.sheet().c_str(), "", fast.document(), nullptr);
    random_master.sort_selectors();
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) sheets.master = &random_master;
      if (litehtml::element::ptr span = fast.document()->root()->select_one("span")) {
        span->set_pseudo_class("checked", true);
        slow.document()->root()->select_one("span")->set_pseudo_class("checked", true);
      }
      clear_styles(fast.document()->root());
      clear_styles(slow.document()->root());
      style_subtree(fast.document()->root(), sheets);
      const litehtml::element::ptr& root = slow.document()->root();
      root->apply_stylesheet(*sheets.master);
      root->parse_attributes();
      root->apply_stylesheet(sheets.author);
      root->parse_styles();
      ASSERT_EQ(dump(fast.document()->root(), sheets), dump(root, sheets))
          << "seed " << seed << " pass " << pass << "\n"
          << html << "\n"
          << css;
    }
  }
}

// Rows differ by ids no rule names: the lookups kept do not grow with them.
TEST(Cascade, KeepsAsManyLookupsAsTheRulesNeed) {
  std::string rows;
  for (int i = 0; i < 300; ++i) rows += "<div id=q-" + std::to_string(i) + " class=quote>x</div>";
  test_page page("<body>" + rows + "</body>", ".quote { color: red } #q-7 { color: blue }");
  const size_t after_load = page.sheets().author_cascade.lookups_kept();
  EXPECT_LT(after_load, 12u);
  style_subtree(page.document()->root(), page.sheets());
  EXPECT_EQ(page.sheets().author_cascade.lookups_kept(), after_load);
}

}  // namespace
}  // namespace htmlayout::render
