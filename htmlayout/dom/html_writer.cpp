#include "htmlayout/dom/html_writer.h"

#include <string_view>
#include <vector>

namespace htmlayout {
namespace {

bool is_raw_text(atom tag) {
  using namespace names;
  return tag == style || tag == script || tag == xmp || tag == iframe || tag == noembed ||
         tag == noframes || tag == plaintext || tag == noscript;
}

// Escapes text for content or for a double-quoted attribute value. A
// carriage return becomes a reference: a parser reads a raw one as a line
// feed.
void escape(std::string_view text, bool attribute, std::string& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      out += "&amp;";
    } else if (c == '\r') {
      out += "&#13;";
    } else if (c == '"' && attribute) {
      out += "&quot;";
    } else if (c == '<' && !attribute) {
      out += "&lt;";
    } else if (c == '>' && !attribute) {
      out += "&gt;";
    } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
      out += "&nbsp;";
      ++i;
    } else {
      out += c;
    }
  }
}

void write_text(const text_node& t, std::string& out) {
  const element_node* parent = t.parent;
  if (parent && is_raw_text(parent->tag))
    out += t.text;
  else
    escape(t.text, false, out);
}

void write_start_tag(const element_node& e, std::string& out) {
  out += '<';
  out += name_of(e.tag);
  for (const attribute& a : e.attributes) {
    out += ' ';
    out += name_of(a.name);
    out += "=\"";
    escape(a.value, true, out);
    out += '"';
  }
  out += '>';
  // The parser drops one line feed right after these start tags.
  if (e.tag == names::pre || e.tag == names::textarea || e.tag == names::listing) {
    if (!e.children.empty()) {
      const text_node* first = as_text(e.children[0]);
      if (first && !first->text.empty() && first->text.view()[0] == '\n') out += '\n';
    }
  }
}

void write_end_tag(const element_node& e, std::string& out) {
  out += "</";
  out += name_of(e.tag);
  out += '>';
}

// Writes the children of `top` (and, with `outer`, `top` itself) without
// recursion.
void write(const element_node& top, bool outer, std::string& out, const unbuilt_content* hooks) {
  if (outer) {
    write_start_tag(top, out);
    if (is_void_element(top.tag)) return;
  }
  struct level {
    const element_node* e;
    size_t next;
    bool built_here;
  };
  std::vector<level> stack{{&top, 0, false}};
  while (!stack.empty()) {
    auto& [e, next, built_here] = stack.back();
    if (next == e->children.size()) {
      const element_node* done = e;
      const bool drop = built_here;
      stack.pop_back();
      if (outer || !stack.empty()) write_end_tag(*done, out);
      if (drop) hooks->drop(*done);
      continue;
    }
    const node* child = e->children[next++];
    if (const text_node* t = as_text(child)) {
      write_text(*t, out);
      continue;
    }
    const element_node* ce = as_element(child);
    write_start_tag(*ce, out);
    if (is_void_element(ce->tag)) continue;
    const bool build = hooks && (ce->flags & element_node::unbuilt) && hooks->build(*ce);
    stack.push_back({ce, 0, build});
  }
}

}  // namespace

bool is_void_element(atom tag) {
  using namespace names;
  return tag == area || tag == base || tag == br || tag == col || tag == embed || tag == hr ||
         tag == img || tag == input || tag == keygen || tag == link || tag == meta ||
         tag == param || tag == source || tag == track || tag == wbr;
}

void write_html(const node& n, std::string& out, const unbuilt_content* hooks) {
  if (const text_node* t = as_text(&n)) {
    write_text(*t, out);
    return;
  }
  write(*as_element(&n), true, out, hooks);
}

void write_inner_html(const element_node& e, std::string& out, const unbuilt_content* hooks) {
  if (is_void_element(e.tag)) return;
  write(e, false, out, hooks);
}

}  // namespace htmlayout
