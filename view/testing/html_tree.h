// Reading HTML in the view's tests: a page or a fragment parsed with gumbo
// the way a browser would, and small queries over the element tree.
#pragma once

#include <gumbo.h>

#include <functional>
#include <string>
#include <vector>

namespace view_testing {

class html_tree {
 public:
  // Parses a whole page.
  explicit html_tree(const std::string& html) : html_(html) {
    output_ = gumbo_parse_with_options(&kGumboDefaultOptions, html_.data(), html_.size());
  }
  // Parses a fragment as the content of an element `context` (a "div", a
  // "tr" for a row, a "table" for rows).
  html_tree(const std::string& html, GumboTag context) : html_(html) {
    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = context;
    output_ = gumbo_parse_with_options(&options, html_.data(), html_.size());
  }
  ~html_tree() { gumbo_destroy_output(&kGumboDefaultOptions, output_); }
  html_tree(const html_tree&) = delete;
  html_tree& operator=(const html_tree&) = delete;

  const GumboNode* root() const { return output_->root; }
  bool has_errors() const { return output_->errors.length != 0; }

  // Every element, in document order.
  std::vector<const GumboNode*> elements() const {
    std::vector<const GumboNode*> found;
    walk(root(), [&](const GumboNode* node) { found.push_back(node); });
    return found;
  }

  // The first element whose attribute `name` has the value `value`, or null.
  const GumboNode* find(const char* name, const std::string& value) const {
    for (const GumboNode* node : elements())
      if (has_attribute(node, name) && attribute(node, name) == value) return node;
    return nullptr;
  }
  const GumboNode* by_id(const std::string& id) const { return find("id", id); }

  static void walk(const GumboNode* node, const std::function<void(const GumboNode*)>& visit) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) return;
    visit(node);
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
      walk(static_cast<const GumboNode*>(children.data[i]), visit);
  }

  static std::string tag(const GumboNode* node) {
    return gumbo_normalized_tagname(node->v.element.tag);
  }
  static bool has_attribute(const GumboNode* node, const char* name) {
    return gumbo_get_attribute(&node->v.element.attributes, name) != nullptr;
  }
  static std::string attribute(const GumboNode* node, const char* name) {
    const GumboAttribute* found = gumbo_get_attribute(&node->v.element.attributes, name);
    return found ? found->value : "";
  }
  static bool has_class(const GumboNode* node, const std::string& css_class) {
    const std::string classes = " " + attribute(node, "class") + " ";
    return classes.find(" " + css_class + " ") != std::string::npos;
  }

  // The element children, in order.
  static std::vector<const GumboNode*> children(const GumboNode* node) {
    std::vector<const GumboNode*> found;
    const GumboVector& all = node->v.element.children;
    for (unsigned i = 0; i < all.length; ++i) {
      auto* child = static_cast<const GumboNode*>(all.data[i]);
      if (child->type == GUMBO_NODE_ELEMENT) found.push_back(child);
    }
    return found;
  }

  // The text of the node and its descendants, entities decoded.
  static std::string text(const GumboNode* node) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE)
      return node->v.text.text;
    if (node->type != GUMBO_NODE_ELEMENT) return "";
    std::string all;
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
      all += text(static_cast<const GumboNode*>(children.data[i]));
    return all;
  }

 private:
  std::string html_;
  GumboOutput* output_;
};

}  // namespace view_testing
