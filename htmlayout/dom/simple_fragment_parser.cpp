#include "htmlayout/dom/simple_fragment_parser.h"

#include <gumbo.h>

#include <string>

#include "htmlayout/dom/html_parser.h"

namespace htmlayout {
namespace {

// What the parser accepts inside the current element.
enum class mode { table, table_body, row, flow };

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool one_of(std::string_view name, std::initializer_list<std::string_view> list) {
  for (std::string_view item : list)
    if (item == name) return true;
  return false;
}

// Known tags whose start tag needs nothing but an insertion here.
bool is_plain_flow_tag(std::string_view name) {
  return one_of(name, {"div", "span", "label", "sub", "sup", "ul", "ol", "menu", "table"});
}
// Formatting elements: safe as long as the same tag is not already open.
bool is_formatting_tag(std::string_view name) {
  return one_of(name, {"a", "b", "i", "u", "em", "strong", "small", "code", "s"});
}
bool is_void_tag(std::string_view name) { return one_of(name, {"br", "img", "input", "hr"}); }
bool is_custom_tag(const std::string& name) {
  return gumbo_tag_enum(name.c_str()) == GUMBO_TAG_UNKNOWN;
}

// Text the full parser reads as it stands: well-formed UTF-8 without
// control characters (but tab, line feed, form feed, carriage return and
// NUL, which the parser below handles) and without noncharacters. The full
// parser reads each of those, and each malformed sequence, as U+FFFD.
bool reads_as_is(std::string_view html) {
  const auto* p = reinterpret_cast<const unsigned char*>(html.data());
  const auto* end = p + html.size();
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      if ((lead < 0x20 && lead != 0 && lead != '\t' && lead != '\n' && lead != '\f' &&
           lead != '\r') ||
          lead == 0x7F)
        return false;
      ++p;
      continue;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || size_t(end - p) < length) return false;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[k] & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF) || code <= 0x9F || (code >= 0xFDD0 && code <= 0xFDEF) ||
        (code & 0xFFFE) == 0xFFFE)
      return false;
    p += length;
  }
  return true;
}

// Elements that stop the search for an open li (the "special" ones of the
// HTML rules, among those this parser builds; div does not stop it).
bool stops_li_search(atom tag) {
  using namespace names;
  return tag == button || tag == li || tag == ul || tag == ol || tag == menu || tag == table ||
         tag == tbody || tag == thead || tag == tfoot || tag == tr || tag == td || tag == th;
}

void append_utf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Numeric references to characters the HTML rules take as they are.
bool plain_code_point(uint32_t c) {
  if (c == 0x09 || c == 0x0A || (c >= 0x20 && c <= 0x7E)) return true;
  if (c < 0xA0 || c > 0x10FFFF) return false;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  if (c >= 0xFDD0 && c <= 0xFDEF) return false;
  return (c & 0xFFFE) != 0xFFFE;
}

class parser {
 public:
  parser(std::string_view html, element_node* holder) : s_(html), stack_{holder} {}

  bool run() {
    std::string text;
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '<') {
        if (!flush_text(text) || !tag()) return false;
      } else if (c == '&') {
        if (!reference(text)) return false;
      } else if (c == '\0') {
        return false;
      } else if (c == '\r') {
        text += '\n';
        ++i_;
        if (i_ < s_.size() && s_[i_] == '\n') ++i_;
      } else {
        size_t end = s_.find_first_of(std::string_view("<&\0\r", 4), i_);
        if (end == std::string_view::npos) end = s_.size();
        text.append(s_.substr(i_, end - i_));
        i_ = end;
      }
    }
    return flush_text(text) && stack_.size() == 1;
  }

 private:
  element_node* current() const { return stack_.back(); }

  mode mode_of(atom tag) const {
    using namespace names;
    if (tag == table) return mode::table;
    if (tag == tbody || tag == thead || tag == tfoot) return mode::table_body;
    if (tag == tr) return mode::row;
    return mode::flow;
  }

  bool is_open(atom tag) const {
    for (size_t k = 1; k < stack_.size(); ++k)
      if (stack_[k]->tag == tag) return true;
    return false;
  }

  bool flush_text(std::string& text) {
    if (text.empty()) return true;
    if (mode_of(current()->tag) != mode::flow) {
      // Only white space may stand between table parts; it is dropped.
      for (char c : text)
        if (!is_space(c)) return false;
      text.clear();
      return true;
    }
    auto* t = new text_node(std::move(text));
    text.clear();
    t->parent = current();
    current()->children.insert(current()->children.size(), t);
    return true;
  }

  // At '&': decodes a reference, or takes a lone '&' as itself.
  bool reference(std::string& out) {
    size_t start = i_ + 1;
    if (start >= s_.size() || !(is_alpha(s_[start]) || is_digit(s_[start]) || s_[start] == '#')) {
      out += '&';
      ++i_;
      return true;
    }
    size_t semicolon = s_.find(';', start);
    if (semicolon == std::string_view::npos || semicolon - start > 10) return false;
    std::string_view name = s_.substr(start, semicolon - start);
    i_ = semicolon + 1;
    if (name[0] == '#') {
      bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
      std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty() || digits.size() > 7) return false;
      uint32_t code = 0;
      for (char d : digits) {
        uint32_t v;
        if (is_digit(d))
          v = d - '0';
        else if (hex && lower(d) >= 'a' && lower(d) <= 'f')
          v = lower(d) - 'a' + 10;
        else
          return false;
        code = code * (hex ? 16 : 10) + v;
      }
      if (!plain_code_point(code)) return false;
      append_utf8(code, out);
      return true;
    }
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "quot")
      out += '"';
    else if (name == "apos")
      out += '\'';
    else if (name == "nbsp")
      out += "\xC2\xA0";
    else
      return false;
    return true;
  }

  bool read_name(std::string& name) {
    name.clear();
    if (i_ >= s_.size() || !is_alpha(s_[i_])) return false;
    while (i_ < s_.size() && (is_alpha(s_[i_]) || is_digit(s_[i_]) || s_[i_] == '-'))
      name += lower(s_[i_++]);
    return i_ < s_.size() && (is_space(s_[i_]) || s_[i_] == '>' || s_[i_] == '/');
  }

  void skip_space() {
    while (i_ < s_.size() && is_space(s_[i_])) ++i_;
  }

  bool attribute_value(std::string& value) {
    if (i_ >= s_.size()) return false;
    char quote = s_[i_];
    if (quote == '"' || quote == '\'') {
      ++i_;
      while (true) {
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == quote) {
          ++i_;
          break;
        }
        if (c == '&') {
          if (!reference(value)) return false;
        } else if (c == '\0') {
          return false;
        } else if (c == '\r') {
          value += '\n';
          ++i_;
          if (i_ < s_.size() && s_[i_] == '\n') ++i_;
        } else {
          size_t end = s_.find_first_of(
              quote == '"' ? std::string_view("\"&\0\r", 4) : std::string_view("'&\0\r", 4), i_);
          if (end == std::string_view::npos) return false;
          value.append(s_.substr(i_, end - i_));
          i_ = end;
        }
      }
      // The next attribute must be separated by white space.
      return i_ < s_.size() && (is_space(s_[i_]) || s_[i_] == '>' || s_[i_] == '/');
    }
    while (i_ < s_.size() && !is_space(s_[i_]) && s_[i_] != '>') {
      char c = s_[i_];
      if (c == '"' || c == '\'' || c == '<' || c == '=' || c == '`' || c == '\0') return false;
      if (c == '&') {
        if (!reference(value)) return false;
      } else {
        value += c;
        ++i_;
      }
    }
    return !value.empty();
  }

  // At '<'.
  bool tag() {
    ++i_;
    if (i_ < s_.size() && s_[i_] == '/') {
      ++i_;
      std::string name;
      if (!read_name(name)) return false;
      skip_space();
      if (i_ >= s_.size() || s_[i_] != '>') return false;
      ++i_;
      return end_tag(name);
    }
    std::string name;
    if (!read_name(name)) return false;
    std::vector<attribute>& attributes = attributes_;
    attributes.clear();
    std::string& attribute_name = attribute_name_;
    std::string& value = value_;
    bool self_closing = false;
    while (true) {
      skip_space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == '>') {
        ++i_;
        break;
      }
      if (s_[i_] == '/') {
        if (i_ + 1 >= s_.size() || s_[i_ + 1] != '>') return false;
        self_closing = true;
        i_ += 2;
        break;
      }
      attribute_name.clear();
      while (i_ < s_.size() && !is_space(s_[i_]) && s_[i_] != '/' && s_[i_] != '>' &&
             s_[i_] != '=') {
        char c = s_[i_++];
        if (c == '"' || c == '\'' || c == '<' || c == '\0') return false;
        attribute_name += lower(c);
      }
      if (attribute_name.empty()) return false;
      value.clear();
      skip_space();
      if (i_ < s_.size() && s_[i_] == '=') {
        ++i_;
        skip_space();
        if (!attribute_value(value)) return false;
      }
      atom a = intern(attribute_name);
      bool repeated = false;  // the first one counts
      for (const attribute& earlier : attributes) repeated |= earlier.name == a;
      if (!repeated) attributes.push_back({a, compact_string(value)});
    }
    if (self_closing && !is_void_tag(name)) return false;
    atom tag = intern(name);
    if (!start_tag_allowed(name, tag)) return false;
    auto* e = new element_node(tag);
    e->attributes.assign(std::move(attributes));
    e->parent = current();
    current()->children.insert(current()->children.size(), e);
    if (is_void_tag(name)) return true;
    stack_.push_back(e);
    return stack_.size() <= max_nesting_depth + 1;  // deeper: the full parser refuses it
  }

  bool start_tag_allowed(const std::string& name, atom tag) const {
    using namespace names;
    switch (mode_of(current()->tag)) {
      case mode::table:
        return tag == tr ||
               (current()->tag == table && (tag == tbody || tag == thead || tag == tfoot));
      case mode::table_body:
        return tag == tr;
      case mode::row:
        return tag == td || tag == th;
      case mode::flow:
        break;
    }
    if (is_formatting_tag(name)) return !is_open(tag);
    if (tag == button) return !is_open(button);
    if (tag == li) {
      for (size_t k = stack_.size() - 1; k > 0; --k) {
        if (stack_[k]->tag == li) return false;  // it would close the open item
        if (stops_li_search(stack_[k]->tag)) break;
      }
      return true;
    }
    return is_plain_flow_tag(name) || is_void_tag(name) || is_custom_tag(name);
  }

  bool end_tag(const std::string& name) {
    if (stack_.size() < 2 || name_of(current()->tag) != name) return false;
    stack_.pop_back();
    return true;
  }

  std::string_view s_;
  size_t i_ = 0;
  std::vector<element_node*> stack_;
  // Reused from tag to tag.
  std::vector<attribute> attributes_;
  std::string attribute_name_, value_;
};

// The mode of the context, or false for contexts the parser leaves to gumbo.
bool context_allowed(atom context) {
  std::string_view name = name_of(context);
  return !one_of(name,
                 {"html",      "head",     "select", "option",  "optgroup", "textarea", "title",
                  "style",     "script",   "xmp",    "iframe",  "noembed",  "noframes", "noscript",
                  "plaintext", "colgroup", "col",    "caption", "frameset", "frame",    "template",
                  "svg",       "math",     "pre",    "listing"});
}

}  // namespace

std::optional<std::vector<node*>> parse_simple_fragment(std::string_view html, atom context) {
  if (!context || !context_allowed(context) || !reads_as_is(html)) return std::nullopt;
  element_node holder(context);
  parser p(html, &holder);
  bool accepted = p.run();
  std::vector<node*> nodes(holder.children.begin(), holder.children.end());
  holder.children.clear();
  if (!accepted) {
    for (node* n : nodes) free_tree(n);
    return std::nullopt;
  }
  for (node* n : nodes) n->parent = nullptr;
  return nodes;
}

}  // namespace htmlayout
