// htmlayout::dom::element: the program's handle to an element of a document.
// A handle keeps its element's memory alive (reference counting), never the
// element's place in the tree: once the element is deleted every operation
// on the handle does nothing and answers empty (null handles, zero counts,
// empty strings, no attribute). A null handle behaves the same way.
//
// Texts cross this interface as wide strings (the user interface's text);
// HTML crosses it as UTF-8. Attribute names and tag names are narrow ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/events.h"
#include "htmlayout/dom/node.h"

namespace htmlayout {

struct method_params;

namespace dom {

class element {
 public:
  // Orders the children for sort(): negative when a comes first, positive
  // when b does, 0 when they are equal.
  class comparator {
   public:
    virtual ~comparator() = default;
    virtual int compare(const element& a, const element& b) = 0;
  };

  element() = default;
  // Takes a reference on `n` (which may be null).
  explicit element(element_node* n);
  element(const element& other);
  element(element&& other) noexcept;
  element& operator=(const element& other);
  element& operator=(element&& other) noexcept;
  ~element();

  // Creates an element that belongs to no document yet; `text` becomes its
  // content. It lives while handles refer to it or once it is inserted.
  static element create(std::string_view tag, std::wstring_view text = {});

  // True when the handle refers to an element that has not been deleted.
  bool is_valid() const { return node_ && !node_->is_dead(); }
  explicit operator bool() const { return is_valid(); }
  bool operator==(const element& other) const { return node_ == other.node_; }
  // The node behind the handle (for the renderer); null when not valid.
  element_node* node() const { return is_valid() ? node_ : nullptr; }
  // False while the element's content waits for the document's content
  // builder (document::set_content_builder): it has no children yet.
  bool content_built() const { return !node_ || !(node_->flags & element_node::unbuilt); }

  // ---- Tree ----
  // The root element of the element's document; null outside a document.
  element root() const;
  element parent() const;
  // Element children only: text is content, not a child.
  size_t children_count() const;
  element child(size_t index) const;
  // Position among the parent's element children (0 without a parent).
  size_t index() const;
  // Lower-case tag name ("div"); empty for an invalid handle.
  std::string tag_name() const;
  // Selection among the descendants (not the element itself), in document
  // order. A selector that cannot be parsed selects nothing.
  element select_first(std::string_view selector) const;
  std::vector<element> select_all(std::string_view selector) const;
  // Calls `callback` for each match until it answers true; returns the number
  // of calls. The matches are collected first, so the callback may change
  // the document.
  size_t select_all(std::string_view selector,
                    const std::function<bool(const element&)>& callback) const;
  // The nearest of the element itself and its ancestors that matches;
  // `depth` limits how many are tried (1: the element only, 0: no limit).
  element select_parent(std::string_view selector, unsigned depth = 0) const;
  // The element children that have every bit of `bits` (at least one), in
  // order. Cheap whichever few or many have them: for the states selectors
  // often ask for (state bits the document indexes) the children are found
  // from the index while it holds fewer elements than there are children.
  std::vector<element> children_with_state(uint32_t bits) const;
  // How many element children have every bit of `bits`, counted up to
  // `up_to` at most (e.g. 2: "are several checked?"), as cheaply.
  size_t count_children_with_state(uint32_t bits, size_t up_to) const;
  // Calls `callback` for every descendant in document order until it answers
  // true (collected first, like select_all).
  void visit(const std::function<bool(const element&)>& callback) const;
  // Inserts `child` as the element child at `index` (clamped to the end),
  // taking it from wherever it was. Inserting an element into itself or its
  // own descendant does nothing.
  void insert(const element& child, size_t index) const;
  void append(const element& child) const;
  // Removes the element from the tree and destroys it with its descendants;
  // their handlers are detached and all handles to them become invalid.
  void delete_element() const;
  // Removes the element from the tree but keeps it (and its handlers) alive
  // for as long as handles refer to it, so it can be inserted again.
  void detach() const;
  // Exchanges the children of this element, which must be in the tree, with
  // those of `shelf` (document::create_shelf, of the same document): at the
  // cost of one pass over them, since none leaves the document's indexes or
  // loses its handlers. The children put on the shelf keep their styles and
  // states (the focus excepted), and come back as they left. Returns false,
  // having done nothing, when either is not as described.
  bool exchange_children(const element& shelf) const;
  // Sorts the element children with index in [first, last) (last clamped).
  void sort(comparator& order, size_t first = 0, size_t last = SIZE_MAX) const;

  // ---- Content ----
  // nullopt when the attribute is absent (an empty value is present).
  std::optional<std::wstring> get_attribute(std::string_view name) const;
  std::optional<std::string> get_attribute_utf8(std::string_view name) const;
  bool has_attribute(std::string_view name) const;
  void set_attribute(std::string_view name, std::wstring_view value) const;
  void set_attribute_utf8(std::string_view name, std::string_view value) const;
  void remove_attribute(std::string_view name) const;
  size_t attribute_count() const;
  std::string attribute_name(size_t index) const;
  std::wstring attribute_value(size_t index) const;
  // For behavior, context-menu, cursor, flow, display and overflow: the
  // computed value (cursor is inherited). For any other property: the value
  // in the element's own style attribute, or empty.
  std::wstring get_style_attribute(std::string_view name) const;
  // Sets (or with an empty value removes) a property in the element's style
  // attribute.
  void set_style_attribute(std::string_view name, std::wstring_view value) const;
  // The text of the element and its descendants, concatenated.
  std::wstring text() const;
  // Replaces the content by the text (an empty text clears it).
  void set_text(std::wstring_view text) const;
  // Inner HTML (the content) or outer HTML (the element itself), as UTF-8.
  std::string html(bool outer) const;
  // Parses `html` in the context of the element and places it; `where` is one
  // of htmlayout::position (0 replace the content, 1 before the first child,
  // 2 after the last child, 3 replace the element, 4 before it, 5 after it).
  // An empty fragment at 0 clears the content.
  void set_html(std::string_view html, int where = position::replace_content) const;

  // ---- State ----
  uint32_t get_state() const;
  // Sets then clears state bits. Setting the focus bit takes it from the
  // element that had it. `update` asks the renderer to redraw.
  void set_state(uint32_t to_set, uint32_t to_clear = 0, bool update = true) const;
  // set_state(to_set, to_clear, false) on each element child from index
  // `from` on (with `shown_only`, those whose display is not "none"), as one
  // change: one update of the document's state index and one notice to its
  // observers, which is what makes checking a list of 100,000 rows cheap.
  // Leaves the focus bit alone.
  void set_children_state(size_t from, uint32_t to_set, uint32_t to_clear,
                          bool shown_only = false) const;
  // False when the element or an ancestor is disabled (state or attribute).
  bool is_enabled() const;
  // False when the element or an ancestor has display: none.
  bool is_visible() const;
  // Tells the renderer the element needs redrawing; `render_now` asks for it
  // before control returns to the event loop.
  void update(bool render_now = false) const;

  // ---- Events ----
  // Adds a handler: `proc` is called with `tag` for the groups in
  // `subscription`; it is told at once that it is attached. Attaching the
  // same proc and tag twice does nothing.
  void attach_event_handler(element_event_proc proc, void* tag, uint32_t subscription) const;
  void detach_event_handler(element_event_proc proc, void* tag) const;
  // Sends a behaviour event now: to the element's handlers, then to each
  // ancestor's, until one answers true. `source` is the element the event is
  // about (the element itself when null). Returns whether it was handled.
  bool send_event(uint32_t code, const element& source, uintptr_t reason = 0) const;
  bool send_event(uint32_t code) const { return send_event(code, *this, 0); }
  // Queues the event; it is sent after the current event has been handled,
  // after the events posted before it.
  void post_event(uint32_t code, const element& source, uintptr_t reason = 0) const;
  void post_event(uint32_t code) const { post_event(code, *this, 0); }
  // Calls a behaviour method on the element's own handlers; true when one
  // handled it.
  bool call_behavior_method(method_params& params) const;

 private:
  element_node* node_ = nullptr;
};

}  // namespace dom
}  // namespace htmlayout
