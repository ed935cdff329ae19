#include "htmlayout/dom/html_writer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace htmlayout {
namespace {

bool is_raw_text(atom tag) {
  using namespace names;
  // Not noscript: the parser runs without scripting and reads its content
  // as markup.
  return tag == style || tag == script || tag == xmp || tag == iframe || tag == noembed ||
         tag == noframes || tag == plaintext;
}

// The code point of the UTF-8 sequence at `i` when a parser would not read
// it back from the raw bytes (it reads a control character other than tab,
// line feed and form feed, or a noncharacter, as U+FFFD); otherwise 0.
uint32_t unreadable_code_point(std::string_view text, size_t i, size_t* length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  *length = 1;
  if (lead < 0x80) {
    bool control = (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\f') || lead == 0x7F;
    return control && lead != 0 ? lead : 0;
  }
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  uint32_t code = lead & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) code = (code << 6) | (byte(i + k) & 0x3F);
  bool unreadable = (code >= 0x80 && code <= 0x9F) || (code >= 0xFDD0 && code <= 0xFDEF) ||
                    (code & 0xFFFE) == 0xFFFE;
  if (!unreadable) return 0;
  *length = n;
  return code;
}

// Escapes text for content or for a double-quoted attribute value. A
// carriage return, and a character a parser would not read back as it is,
// becomes a reference: a parser reads a raw CR as a line feed.
void escape(std::string_view text, bool attribute, std::string& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    size_t length;
    if (uint32_t code = unreadable_code_point(text, i, &length)) {
      out += "&#" + std::to_string(code) + ";";
      i += length - 1;
    } else if (c == '&') {
      out += "&amp;";
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
