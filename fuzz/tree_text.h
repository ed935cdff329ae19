// A node tree written out in a form that shows every difference between two
// trees (kinds, tags, attributes in order, texts byte for byte), for the fuzz
// targets that compare the trees two parses give.
#pragma once

#include <algorithm>
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

// Start tags that close an open p element.
inline bool closes_p(std::string_view tag) {
  static constexpr std::string_view kTags[] = {
      "address", "article", "aside",  "blockquote", "center", "details", "dialog", "dir",
      "div",     "dl",      "dd",     "dt",         "fieldset", "figcaption", "figure",
      "footer",  "h1",      "h2",     "h3",         "h4",     "h5",      "h6",     "header",
      "hgroup",  "hr",      "li",     "listing",    "main",   "menu",    "nav",    "ol",
      "p",       "pre",     "search", "section",    "summary", "table",  "ul",     "xmp"};
  return std::find(std::begin(kTags), std::end(kTags), tag) != std::end(kTags);
}

// An attribute name that HTML text can carry.
inline bool writable_name(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\t\n\f\r /=>\"'<\0", 12)) ==
                              std::string_view::npos;
}
inline bool writable_tag(std::string_view tag) {
  return !tag.empty() && ((tag[0] >= 'a' && tag[0] <= 'z') || (tag[0] >= 'A' && tag[0] <= 'Z')) &&
         tag.find_first_of(std::string_view("\t\n\f\r />\0", 8)) == std::string_view::npos;
}

// The formatting elements, which the parser reopens after a block that
// closed them.
inline bool is_formatting(std::string_view tag) {
  static constexpr std::string_view kTags[] = {"a", "b", "big", "code", "em", "font", "i",
                                               "nobr", "s", "small", "strike", "strong", "tt", "u"};
  return std::find(std::begin(kTags), std::end(kTags), tag) != std::end(kTags);
}

// Elements whose text the writer writes as it stands: it cannot hold
// "</" (the start of their end tag, in the parser's eyes).
inline bool is_raw_text(std::string_view tag) {
  return tag == "style" || tag == "script" || tag == "xmp" || tag == "iframe" ||
         tag == "noembed" || tag == "noframes" || tag == "textarea" || tag == "title";
}

// A table part (td, tr, ...) outside its place in a table (`p`, its
// parent's tag), which the parser never builds from its tags there.
inline bool misplaced_table_part(std::string_view tag, std::string_view p) {
  if (p.empty()) return false;
  if (tag == "td" || tag == "th") return p != "tr";
  if (tag == "tr") return p != "table" && p != "tbody" && p != "thead" && p != "tfoot";
  if (tag == "tbody" || tag == "thead" || tag == "tfoot" || tag == "caption" || tag == "colgroup")
    return p != "table";
  if (tag == "col") return p != "colgroup" && p != "table";
  return false;
}

// False for the trees that no HTML text gives reliably, which a writer
// therefore cannot reproduce: an a in an a, a button in a button (a table
// between lets the parser put it there), an li in an li of the same list; a
// start tag that closes a p inside a p or inside a formatting element (the
// parser closes, or closes and reopens, around it); a formatting element in
// three of its kind (the parser keeps three open); a form (its end depends on
// the document's other form tags); svg and math (the tree keeps no
// namespaces); anything after plaintext (its text runs to the end); a void
// element with content; a tag or attribute name that cannot be written; a
// misplaced table part; raw text holding "</"; and text that is not UTF-8
// (gumbo gives a stray byte for an overlong numeric character reference).
// `context`: the tag of the element a fragment was parsed into ("" for a
// document).
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
    // Text in a table's structure is moved out of it by the parser.
    bool in_table_structure = parent == "table" || parent == "tbody" || parent == "thead" ||
                              parent == "tfoot" || parent == "tr";
    return is_utf8(text) && (!is_raw_text(parent) || text.find("</") == std::string_view::npos) &&
           (!in_table_structure || text.find_first_not_of(" \t\n\f\r") == std::string_view::npos);
  }
  std::string_view tag = htmlayout::name_of(e->tag);
  if (tag == "plaintext" || tag == "form" || tag == "svg" || tag == "math" ||
      (tag == "a" && in_a) || (tag == "button" && in_button) || (tag == "li" && in_li) ||
      misplaced_table_part(tag, parent) || ((in_p || in_formatting) && closes_p(tag)) ||
      !writable_tag(tag) || (htmlayout::is_void_element(e->tag) && !e->children.empty()))
    return false;
  for (const htmlayout::attribute& a : e->attributes)
    if (!writable_name(htmlayout::name_of(a.name))) return false;
  if (is_formatting(tag)) {
    if (std::count(open->begin(), open->end(), tag) >= 3) return false;
    open->push_back(tag);
  }
  bool all = true;
  for (const htmlayout::node* child : e->children)
    all = all && representable(*child, context, in_a || tag == "a", in_p || tag == "p",
                               in_formatting || is_formatting(tag), open,
                               tag == "li" || (in_li && tag != "ul" && tag != "ol" && tag != "menu"),
                               in_button || tag == "button");
  if (is_formatting(tag)) open->pop_back();
  return all;
}

inline std::string tree_text(const std::vector<htmlayout::node*>& top) {
  std::string out;
  for (const htmlayout::node* n : top) append_tree_text(*n, 0, out);
  return out;
}

}  // namespace fuzz
