#include "htmlayout/render/tree_edit.h"

#include <gumbo.h>
#include <litehtml/el_space.h>
#include <litehtml/el_text.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "htmlayout/render/litehtml_access.h"

namespace htmlayout::render {

namespace {

bool is_pseudo_node(const litehtml::element::ptr& el, const char* which) {
  return !std::strcmp(el->get_tagName(), which);
}

std::string tag_name_of(const GumboElement& element) {
  std::string name = gumbo_normalized_tagname(element.tag);
  if (name.empty() && element.original_tag.data && element.original_tag.length) {
    GumboStringPiece original = element.original_tag;
    gumbo_tag_from_original_text(&original);
    name.assign(original.data, original.length);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

void build_nodes(const litehtml::document::ptr& doc, const GumboNode& node, bool split_text,
                 litehtml::elements_vector& out) {
  switch (node.type) {
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE: {
      const GumboElement& element = node.v.element;
      litehtml::string_map attributes;
      for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        attributes[attribute->name] = attribute->value;
      }
      const std::string name = tag_name_of(element);
      if (name.empty()) return;
      litehtml::element::ptr el = doc->create_element(name.c_str(), attributes);
      // Script text is one node, as litehtml keeps it.
      const bool split_children = split_text && name != "script";
      for (unsigned i = 0; i < element.children.length; ++i) {
        litehtml::elements_vector children;
        build_nodes(doc, *static_cast<const GumboNode*>(element.children.data[i]), split_children,
                    children);
        for (const auto& child : children) el->appendChild(child);
      }
      out.push_back(el);
      return;
    }
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_CDATA:
      if (split_text) {
        litehtml::elements_vector words = make_text_nodes(doc, node.v.text.text);
        out.insert(out.end(), words.begin(), words.end());
      } else {
        out.push_back(std::make_shared<litehtml::el_text>(node.v.text.text, doc));
      }
      return;
    case GUMBO_NODE_WHITESPACE:
      for (const char* c = node.v.text.text; *c; ++c) {
        const char space[2] = {*c, 0};
        out.push_back(std::make_shared<litehtml::el_space>(space, doc));
      }
      return;
    default:  // comments and the document node
      return;
  }
}

// Styles freshly attached nodes the way litehtml styles a new document.
void style_new_node(const litehtml::element::ptr& node, const style_sheets& sheets) {
  if (sheets.master) node->apply_stylesheet(*sheets.master);
  node->parse_attributes();
  node->apply_stylesheet(sheets.author);
  node->parse_styles();
}

}  // namespace

litehtml::elements_vector parse_fragment(const litehtml::document::ptr& doc,
                                         const std::string& context_tag, const std::string& html) {
  GumboOptions options = kGumboDefaultOptions;
  options.fragment_context = gumbo_tag_enum(context_tag.c_str());
  if (options.fragment_context == GUMBO_TAG_UNKNOWN) options.fragment_context = GUMBO_TAG_DIV;
  std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> output(
      gumbo_parse_with_options(&options, html.data(), html.size()),
      [](GumboOutput* parsed) { gumbo_destroy_output(&kGumboDefaultOptions, parsed); });
  litehtml::elements_vector nodes;
  const GumboVector& top = output->root->v.element.children;
  for (unsigned i = 0; i < top.length; ++i)
    build_nodes(doc, *static_cast<const GumboNode*>(top.data[i]), true, nodes);
  return nodes;
}

litehtml::elements_vector make_text_nodes(const litehtml::document::ptr& doc,
                                          const std::string& text) {
  litehtml::elements_vector nodes;
  doc->container()->split_text(
      text.c_str(),
      [&](const char* word) { nodes.push_back(std::make_shared<litehtml::el_text>(word, doc)); },
      [&](const char* space) {
        nodes.push_back(std::make_shared<litehtml::el_space>(space, doc));
      });
  return nodes;
}

void insert_children(const litehtml::element::ptr& parent, std::size_t index,
                     const litehtml::elements_vector& nodes, const style_sheets& sheets) {
  litehtml::html_tag* tag = detail::as_tag(parent);
  if (!tag || nodes.empty()) return;
  litehtml::elements_vector& children = tag->children();
  std::size_t first = 0;
  std::size_t last = children.size();
  if (!children.empty() && is_pseudo_node(children.front(), "::before")) first = 1;
  if (last > first && is_pseudo_node(children.back(), "::after")) --last;
  const std::size_t at = std::clamp(index, first, last);
  children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), nodes.begin(), nodes.end());

  bool table_parts = false;
  for (const auto& node : nodes) {
    node->parent(parent);
    style_new_node(node, sheets);
    node->init();
    table_parts = table_parts || is_table_part(node->get_display());
  }
  if (table_parts) rebuild_enclosing_table(parent);
  if (auto doc = parent->get_document()) detail::release_table_parts(*doc);
}

litehtml::elements_vector insert_html(const litehtml::element::ptr& parent, std::size_t index,
                                      const std::string& html, const style_sheets& sheets) {
  litehtml::elements_vector nodes =
      parse_fragment(parent->get_document(), parent->get_tagName(), html);
  insert_children(parent, index, nodes, sheets);
  return nodes;
}

void remove_node(const litehtml::element::ptr& node) {
  litehtml::element::ptr parent = node->parent();
  if (!parent) return;
  parent->removeChild(node);
  if (is_table_part(node->get_display())) rebuild_enclosing_table(parent);
  if (auto doc = parent->get_document()) detail::release_table_parts(*doc);
}

void set_inner_text(const litehtml::element::ptr& el, const std::string& text) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) return;
  litehtml::elements_vector& children = tag->children();
  litehtml::element::ptr before, after;
  for (const auto& child : children) {
    if (is_pseudo_node(child, "::before")) {
      before = child;
    } else if (is_pseudo_node(child, "::after")) {
      after = child;
    } else {
      child->parent(nullptr);
    }
  }
  children.clear();
  if (before) children.push_back(before);
  for (const auto& node : make_text_nodes(el->get_document(), text)) {
    node->parent(el);
    children.push_back(node);
    node->parse_styles();  // a text node measures itself in its parent's font here
  }
  if (after) children.push_back(after);
}

bool remove_attribute(const litehtml::element::ptr& el, const std::string& name) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) return false;
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (detail::tag_members::attributes(*tag).erase(key) == 0) return false;
  if (key == "class") detail::tag_members::class_values(*tag).clear();
  return true;
}

bool is_table_part(litehtml::style_display display) {
  switch (display) {
    case litehtml::display_table_caption:
    case litehtml::display_table_cell:
    case litehtml::display_table_column:
    case litehtml::display_table_column_group:
    case litehtml::display_table_footer_group:
    case litehtml::display_table_header_group:
    case litehtml::display_table_row:
    case litehtml::display_table_row_group:
      return true;
    default:
      return false;
  }
}

void rebuild_enclosing_table(const litehtml::element::ptr& el) {
  for (litehtml::element::ptr at = el; at; at = at->parent()) {
    const litehtml::style_display display = at->get_display();
    if (display == litehtml::display_table || display == litehtml::display_inline_table) {
      at->init();
      return;
    }
  }
}

}  // namespace htmlayout::render
