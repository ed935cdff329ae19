// Reaches the state of litehtml 0.6 elements and documents that its public
// interface hides but that correct tree edits need: an element's attribute
// map, class list, matched selectors, cascaded style and ::before/::after
// boxes, and the document's list of table parts. Internal to the renderer.
#pragma once

#include <litehtml/litehtml.h>

#include <string>
#include <vector>

namespace htmlayout::render::detail {

// Protected members of html_tag. A pointer to member formed through a class
// derived from html_tag has the type `T html_tag::*` and applies to any
// html_tag, so no element needs to be of a derived type. Never instantiated.
struct tag_members : litehtml::html_tag {
  static litehtml::string_map& attributes(litehtml::html_tag& tag) {
    return tag.*(&tag_members::m_attrs);
  }
  static litehtml::string_vector& class_values(litehtml::html_tag& tag) {
    return tag.*(&tag_members::m_class_values);
  }
  static litehtml::used_selector::vector& used_selectors(litehtml::html_tag& tag) {
    return tag.*(&tag_members::m_used_styles);
  }
  static litehtml::style& cascaded_style(litehtml::html_tag& tag) {
    return tag.*(&tag_members::m_style);
  }
  static litehtml::string_vector& pseudo_classes(litehtml::html_tag& tag) {
    return tag.*(&tag_members::m_pseudo_classes);
  }
  static void drop_before_after(litehtml::html_tag& tag) {
    (tag.*(&tag_members::remove_before_after))();
  }
  // The ::before and ::after boxes, made when missing.
  static litehtml::element::ptr before_box(litehtml::html_tag& tag) {
    return (tag.*(&tag_members::get_element_before))();
  }
  static litehtml::element::ptr after_box(litehtml::html_tag& tag) {
    return (tag.*(&tag_members::get_element_after))();
  }
};

// The element as an html_tag, or nullptr for text, space and comment nodes.
inline litehtml::html_tag* as_tag(const litehtml::element::ptr& el) {
  return dynamic_cast<litehtml::html_tag*>(el.get());
}

// Empties the document's list of table parts. litehtml appends every element
// styled as a table part to it on each parse_styles() and reads it only while
// a document is created, so it only keeps removed subtrees alive after that.
void release_table_parts(litehtml::document& doc);

}  // namespace htmlayout::render::detail
