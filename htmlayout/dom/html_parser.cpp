#include "htmlayout/dom/html_parser.h"

#include <gumbo.h>

#include <cctype>
#include <string>

#include "htmlayout/dom/simple_fragment_parser.h"

namespace htmlayout {
namespace {

bool is_whitespace_only(std::string_view text) {
  return text.find_first_not_of(" \t\n\r\f") == std::string_view::npos;
}

// Parents in which text that is only white space is dropped: it would only
// separate table parts (or the document's head and body).
bool drops_whitespace(atom parent) {
  using namespace names;
  return parent == table || parent == tbody || parent == thead || parent == tfoot || parent == tr ||
         parent == colgroup || parent == html || parent == head;
}

atom tag_atom(const GumboElement& e) {
  if (e.tag != GUMBO_TAG_UNKNOWN) return intern(gumbo_normalized_tagname(e.tag));
  GumboStringPiece piece = e.original_tag;
  gumbo_tag_from_original_text(&piece);
  std::string name(piece.data ? piece.data : "", piece.length);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return intern(name);
}

std::vector<attribute> convert_attributes(const GumboVector& source) {
  std::vector<attribute> out;
  out.reserve(source.length);
  for (unsigned i = 0; i < source.length; ++i) {
    auto* a = static_cast<const GumboAttribute*>(source.data[i]);
    out.push_back({intern(a->name), std::string_view(a->value)});
  }
  return out;
}

element_node* new_element(const GumboElement& source) {
  auto* e = new element_node(tag_atom(source));
  e->attributes.assign(convert_attributes(source.attributes));
  return e;
}

bool invented_by_parser(const GumboNode* n) {
  return (n->parse_flags & GUMBO_INSERTION_BY_PARSER) && n->v.element.tag == GUMBO_TAG_TBODY;
}

// Appends the converted children of `source` to `target`, without recursion.
void convert_children(const GumboNode* source, element_node* target) {
  struct frame {
    const GumboVector* children;
    unsigned next;
    element_node* target;
  };
  std::vector<frame> stack{{&source->v.element.children, 0, target}};
  while (!stack.empty()) {
    frame& f = stack.back();
    if (f.next == f.children->length) {
      stack.pop_back();
      continue;
    }
    auto* child = static_cast<const GumboNode*>(f.children->data[f.next++]);
    element_node* parent = f.target;
    switch (child->type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_CDATA:
      case GUMBO_NODE_WHITESPACE: {
        std::string_view text = child->v.text.text;
        if (text.empty() || (drops_whitespace(parent->tag) && is_whitespace_only(text))) break;
        // Adjacent text (from a dropped comment) joins the previous node.
        if (!parent->children.empty()) {
          if (text_node* last = as_text(parent->children[parent->children.size() - 1])) {
            last->text = compact_string(last->text.str() + std::string(text));
            break;
          }
        }
        auto* t = new text_node(std::string(text));
        t->parent = parent;
        parent->children.insert(parent->children.size(), t);
        break;
      }
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE: {
        if (invented_by_parser(child)) {
          stack.push_back({&child->v.element.children, 0, parent});
          break;
        }
        element_node* e = new_element(child->v.element);
        e->parent = parent;
        parent->children.insert(parent->children.size(), e);
        if (child->v.element.children.length) {
          e->children.reserve(child->v.element.children.length);
          stack.push_back({&child->v.element.children, 0, e});
        }
        break;
      }
      default:
        break;  // comments and the document node
    }
  }
}

GumboTag context_tag(atom context) {
  if (context == 0) return GUMBO_TAG_DIV;
  GumboTag tag = gumbo_tag_enum(std::string(name_of(context)).c_str());
  return tag == GUMBO_TAG_UNKNOWN ? GUMBO_TAG_DIV : tag;
}

bool implicitly_closed(std::string_view tag) {
  static constexpr std::string_view list[] = {"p",  "li", "dt", "dd",    "option",   "optgroup",
                                              "tr", "td", "th", "thead", "tbody",    "tfoot",
                                              "rb", "rt", "rp", "rtc",   "colgroup", "caption"};
  for (std::string_view t : list)
    if (t == tag) return true;
  return false;
}

bool is_void(std::string_view tag) {
  static constexpr std::string_view list[] = {"area",     "base",    "br",     "col",    "embed",
                                              "hr",       "img",     "input",  "keygen", "link",
                                              "meta",     "param",   "source", "track",  "wbr",
                                              "basefont", "bgsound", "frame",  "image",  "isindex"};
  for (std::string_view t : list)
    if (t == tag) return true;
  return false;
}

}  // namespace

size_t estimate_nesting_depth(std::string_view html) {
  size_t depth = 0, deepest = 0;
  size_t i = 0;
  std::string name;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    ++i;
    if (html.substr(i, 3) == "!--") {
      size_t end = html.find("-->", i + 3);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    bool closing = i < html.size() && html[i] == '/';
    if (closing) ++i;
    name.clear();
    while (i < html.size() && (std::isalnum(static_cast<unsigned char>(html[i])) || html[i] == '-'))
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[i++])));
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) continue;
    // Skip to the end of the tag, over quoted attribute values.
    char quote = 0;
    bool self_closing = false;
    for (; i < html.size(); ++i) {
      char c = html[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        self_closing = i > 0 && html[i - 1] == '/';
        break;
      }
    }
    if (closing) {
      if (depth > 0 && !implicitly_closed(name)) --depth;
      continue;
    }
    if (is_void(name) || implicitly_closed(name) || self_closing) continue;
    deepest = std::max(deepest, ++depth);
    if (name == "script" || name == "style" || name == "textarea" || name == "title" ||
        name == "xmp" || name == "plaintext") {
      size_t end = html.find("</", i);  // raw text: no tags inside
      if (end == std::string_view::npos) break;
      i = end;
    }
  }
  return deepest;
}

element_node* parse_document(std::string_view html) {
  if (estimate_nesting_depth(html) > max_nesting_depth) return nullptr;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  auto* root = new element_node(names::html);
  const GumboNode* source = output->root;
  root->attributes.assign(convert_attributes(source->v.element.attributes));
  convert_children(source, root);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return root;
}

std::optional<std::vector<node*>> parse_fragment(std::string_view html, atom context) {
  if (auto simple = parse_simple_fragment(html, context)) return simple;
  return parse_fragment_fully(html, context);
}

std::optional<std::vector<node*>> parse_fragment_fully(std::string_view html, atom context) {
  std::vector<node*> nodes;
  if (html.empty()) return nodes;
  if (estimate_nesting_depth(html) > max_nesting_depth) return std::nullopt;
  GumboOptions options = kGumboDefaultOptions;
  options.fragment_context = context_tag(context);
  GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
  element_node holder(context ? context : names::div);
  convert_children(output->root, &holder);
  gumbo_destroy_output(&options, output);
  nodes.assign(holder.children.begin(), holder.children.end());
  holder.children.clear();
  for (node* n : nodes) n->parent = nullptr;
  return nodes;
}

void free_tree(node* top) {
  std::vector<node*> pending{top};
  while (!pending.empty()) {
    node* n = pending.back();
    pending.pop_back();
    if (element_node* e = as_element(n)) {
      for (node* child : e->children) pending.push_back(child);
      e->children.clear();
    }
    free_node(n);
  }
}

}  // namespace htmlayout
