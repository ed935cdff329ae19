// A node tree written out so that every difference between two trees shows (kinds, tags,
// attributes in order, texts byte for byte), and which trees HTML text can give at all, for the
// fuzz targets that compare the trees two parses give.
#pragma once

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "htmlayout/dom/html_writer.h"
#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node.h"

namespace fuzz {

inline void append_tree_text(const htmlayout::node& n, int depth, std::string& out) {
  out.append(depth * 2, ' ');
  if (const htmlayout::text_node* text = htmlayout::as_text(&n)) {
    out += "\"" + std::string(text->text.view()) + "\"\n";
    return;
  }
  const htmlayout::element_node& e = *htmlayout::as_element(&n);
  out += "<" + std::string(htmlayout::name_of(e.tag));
  for (const htmlayout::attribute& a : e.attributes)
    out += " " + std::string(htmlayout::name_of(a.name)) + "=\"" + std::string(a.value.view()) + "\"";
  out += ">\n";
  for (const htmlayout::node* child : e.children) append_tree_text(*child, depth + 1, out);
}

inline std::string tree_text(const std::vector<htmlayout::node*>& top) {
  std::string out;
  for (const htmlayout::node* n : top) append_tree_text(*n, 0, out);
  return out;
}

inline bool one_of(std::string_view tag, std::initializer_list<std::string_view> tags) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

inline bool closes_p(std::string_view tag) {
  return one_of(tag, {"address", "article", "aside", "blockquote", "center", "details", "dialog",
                      "dir", "div", "dl", "dd", "dt", "fieldset", "figcaption", "figure", "footer",
                      "h1", "h2", "h3", "h4", "h5", "h6", "header", "hgroup", "hr", "li", "listing",
                      "main", "menu", "nav", "ol", "p", "pre", "search", "section", "summary",
                      "table", "ul", "xmp"});
}

// The formatting elements, which the parser reopens after a block that closed them.
inline bool is_formatting(std::string_view tag) {
  return one_of(tag, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike",
                      "strong", "tt", "u"});
}

// A tag (letter first) or attribute name that HTML text can carry.
inline bool writable_name(std::string_view name, bool tag) {
  return !name.empty() && (!tag || std::isalpha(static_cast<unsigned char>(name[0]))) &&
         name.find_first_of(tag ? std::string_view("\t\n\f\r />\0", 8)
                                : std::string_view("\t\n\f\r /=>\"'<\0", 12)) == std::string_view::npos;
}

// A table part outside its place (`p`, its parent's tag), which the parser never builds there.
inline bool misplaced_table_part(std::string_view tag, std::string_view p) {
  if (p.empty()) return false;
  if (tag == "td" || tag == "th") return p != "tr";
  if (tag == "tr") return !one_of(p, {"table", "tbody", "thead", "tfoot"});
  if (one_of(tag, {"tbody", "thead", "tfoot", "caption", "colgroup"})) return p != "table";
  return tag == "col" && p != "colgroup" && p != "table";
}

// False for the trees no HTML text gives reliably, which a writer cannot reproduce: an a in an a,
// a button in a button, an li in an li of the same list; a start tag that closes a p inside a p or
// a formatting element; a fourth formatting element of a kind; form (its end depends on the other
// form tags), svg and math (no namespaces kept), plaintext; a void element with content; a name
// that cannot be written; a misplaced table part; text in a table's structure; raw text (style,
// script, ...) holding "</"; text that is not UTF-8. `context`: the tag a fragment was parsed into.
inline bool representable(const htmlayout::node& n, std::string_view context = "",
                          bool in_a = false, bool in_p = false, bool in_formatting = false,
                          std::vector<std::string_view>* open = nullptr, bool in_li = false,
                          bool in_button = false) {
  std::vector<std::string_view> formatting;
  if (!open) open = &formatting;
  const std::string_view parent = n.parent ? htmlayout::name_of(n.parent->tag) : context;
  const htmlayout::element_node* e = htmlayout::as_element(&n);
  if (!e) {
    std::string_view text = htmlayout::as_text(&n)->text.view();
    bool raw = one_of(parent, {"style", "script", "xmp", "iframe", "noembed", "noframes", "textarea",
                               "title"});
    return is_utf8(text) && (!raw || text.find("</") == std::string_view::npos) &&
           (!one_of(parent, {"table", "tbody", "thead", "tfoot", "tr"}) ||
            text.find_first_not_of(" \t\n\f\r") == std::string_view::npos);
  }
  std::string_view tag = htmlayout::name_of(e->tag);
  if (one_of(tag, {"plaintext", "form", "svg", "math"}) || (tag == "a" && in_a) ||
      (tag == "button" && in_button) || (tag == "li" && in_li) || misplaced_table_part(tag, parent) ||
      ((in_p || in_formatting) && closes_p(tag)) || !writable_name(tag, true) ||
      (htmlayout::is_void_element(e->tag) && !e->children.empty()))
    return false;
  for (const htmlayout::attribute& a : e->attributes)
    if (!writable_name(htmlayout::name_of(a.name), false)) return false;
  if (is_formatting(tag)) {
    if (std::count(open->begin(), open->end(), tag) >= 3) return false;
    open->push_back(tag);
  }
  bool all = true;
  for (const htmlayout::node* child : e->children)
    all = all && representable(*child, context, in_a || tag == "a", in_p || tag == "p",
                               in_formatting || is_formatting(tag), open,
                               tag == "li" || (in_li && !one_of(tag, {"ul", "ol", "menu"})),
                               in_button || tag == "button");
  if (is_formatting(tag)) open->pop_back();
  return all;
}

}  // namespace fuzz
