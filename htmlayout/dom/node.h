// The nodes of a document: elements (tag, attributes, states, children) and
// text. These are the engine's own storage; the program reaches elements
// through htmlayout::dom::element handles, the renderer reads nodes directly
// (read only) to mirror them. Nodes are kept small because a document holds
// every entry of the collection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "htmlayout/dom/compact_string.h"
#include "htmlayout/dom/names.h"
#include "htmlayout/dom/node_pool.h"

namespace htmlayout {

class document;
struct element_node;
namespace dom {
class element;
}

// The procedure the engine calls for every event of an element's handler:
// `tag` is the handler's own pointer, `group` the event group (see events.h)
// and `params` the group's parameter record. Answers whether it handled the
// event.
using element_event_proc = bool (*)(void* tag, const dom::element& he, uint32_t group,
                                    void* params);

enum class node_kind : uint8_t { element, text };

struct node {
  element_node* parent = nullptr;
  // Position in the parent's child storage; see child_list::index_of.
  uint32_t slot = 0;
  node_kind kind;
  uint8_t flags = 0;  // element_node::flag bits

  explicit node(node_kind k) : kind(k) {}
  bool is_element() const { return kind == node_kind::element; }
};

struct text_node : node {
  compact_string text;  // UTF-8, character references already decoded

  explicit text_node(std::string_view t) : node(node_kind::text), text(t) {}

  static void* operator new(size_t) { return node_pool<pool_block>::allocate(); }
  static void operator delete(void* p) { node_pool<pool_block>::release(p); }
  static constexpr size_t pool_block = 32;
};

// The children of an element: an array with free room at both ends, so that
// inserting at the front (the newest entry of a list) or at the back costs no
// more than a pointer store. Each child remembers its slot in the array, so
// its index is found without a search.
class child_list {
 public:
  child_list() = default;
  child_list(const child_list&) = delete;
  child_list& operator=(const child_list&) = delete;
  ~child_list() { release(); }

  size_t size() const { return end_ - begin_; }
  bool empty() const { return end_ == begin_; }
  node* operator[](size_t i) const { return storage()[begin_ + i]; }
  node* const* begin() const { return storage() + begin_; }
  node* const* end() const { return storage() + end_; }
  size_t index_of(const node* n) const { return n->slot - begin_; }
  // Number of text nodes among the children (0 makes element lookups O(1)).
  uint32_t text_count() const { return text_count_; }

  // Inserts `n` before position `index` (0 <= index <= size()).
  void insert(size_t index, node* n);
  // Removes the child at `index` (its memory is not touched).
  void erase(size_t index);
  // Drops every child pointer (the nodes themselves are not touched).
  void clear();
  // Makes room for `n` children appended to an empty list.
  void reserve(size_t n);
  // Places `nodes` as the children in this order (used after sorting).
  void assign(const std::vector<node*>& nodes);
  // Exchanges the children of the two lists (their parent pointers are the
  // caller's to set).
  void swap(child_list& other);

 private:
  void grow();
  void release();
  // A single child is kept in place of the array pointer.
  node** storage() { return capacity_ <= 1 ? &single_ : data_; }
  node* const* storage() const { return capacity_ <= 1 ? &single_ : data_; }

  union {
    node** data_;
    node* single_ = nullptr;
  };
  uint32_t begin_ = 0;
  uint32_t end_ = 0;
  uint32_t capacity_ = 0;
  uint32_t text_count_ = 0;
};

struct attribute {
  atom name;
  compact_string value;  // UTF-8
};

// An element's attributes in source order. Up to two (most elements) are
// kept inside the element, where a lookup finds them without another cache
// miss; more go to one exactly sized array.
class attribute_list {
 public:
  attribute_list() = default;
  attribute_list(const attribute_list&) = delete;
  attribute_list& operator=(const attribute_list&) = delete;
  ~attribute_list() { clear(); }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const attribute& operator[](size_t i) const { return data()[i]; }
  attribute* begin() { return data(); }
  attribute* end() { return data() + size_; }
  const attribute* begin() const { return data(); }
  const attribute* end() const { return data() + size_; }

  void push_back(attribute a);
  // Replaces the attributes by `attributes` (which is left empty).
  void assign(std::vector<attribute>&& attributes);
  void erase(const attribute* position);
  void clear();

 private:
  static constexpr uint32_t inline_capacity = 2;

  attribute* data() { return size_ <= inline_capacity ? in_place() : heap(); }
  const attribute* data() const { return size_ <= inline_capacity ? in_place() : heap(); }
  attribute* heap() const {
    attribute* p;
    std::memcpy(&p, heap_, sizeof p);
    return p;
  }
  void set_heap(attribute* p) { std::memcpy(heap_, &p, sizeof p); }
  attribute* in_place() { return std::launder(reinterpret_cast<attribute*>(in_place_)); }
  const attribute* in_place() const {
    return std::launder(reinterpret_cast<const attribute*>(in_place_));
  }

  // The count first and the pointer (to more than two) last, as bytes, so
  // that the list aligns like its attributes and packs against the fields
  // before it.
  uint32_t size_ = 0;
  alignas(attribute) unsigned char in_place_[inline_capacity * sizeof(attribute)];
  unsigned char heap_[sizeof(attribute*)] = {};
};

// One event handler attached to an element.
struct handler_binding {
  element_event_proc proc;
  void* tag;
  uint32_t subscription;
  bool from_style;  // attached because the element's `behavior` named it
};

struct element_node : node {
  enum flag : uint8_t {
    dead = 1,              // deleted: operations on it do nothing
    control_notified = 2,  // the control-creation notification was sent
    unbuilt = 4,           // content not built yet (see document::set_content_builder)
  };

  // The parent pointer, the handle count and the first two attributes share
  // the first cache line: an id lookup and a walk up the ancestors touch
  // only that line.
  uint32_t refs = 0;  // handles that refer to this element
  attribute_list attributes;
  atom tag;
  uint32_t state = 0;       // state bits, see events.h
  uint32_t style = 0;       // computed style, an index into the style table
  document* doc = nullptr;  // null while the element is outside any document
  child_list children;
  std::unique_ptr<std::vector<handler_binding>> handlers;

  explicit element_node(atom t) : node(node_kind::element), tag(t) {}

  static void* operator new(size_t) { return node_pool<pool_block>::allocate(); }
  static void operator delete(void* p) { node_pool<pool_block>::release(p); }
  static constexpr size_t pool_block = 128;

  bool is_dead() const { return flags & dead; }
  // The attribute's value, or null when the element has no such attribute.
  const compact_string* find_attribute(atom name) const;
  // Number of element children, and the n-th element child (null when out of
  // range). Constant time when the element has no text children.
  size_t element_count() const;
  element_node* element_child(size_t n) const;
  // Position among the parent's element children.
  size_t element_index() const;
};

inline text_node* as_text(node* n) {
  return n->kind == node_kind::text ? static_cast<text_node*>(n) : nullptr;
}
inline element_node* as_element(node* n) {
  return n->kind == node_kind::element ? static_cast<element_node*>(n) : nullptr;
}
inline const element_node* as_element(const node* n) {
  return n->kind == node_kind::element ? static_cast<const element_node*>(n) : nullptr;
}
inline const text_node* as_text(const node* n) {
  return n->kind == node_kind::text ? static_cast<const text_node*>(n) : nullptr;
}

// Frees one node (not its children).
void free_node(node* n);

// Heap memory that freed nodes left for reuse by new ones: what a measure
// of the memory in use (malloc's count) must subtract.
size_t idle_node_memory();

// Calls `visit` for `top` and every node below it in document order, without
// recursion (documents may nest arbitrarily deep). `visit` must not change
// the tree.
template <typename Visit>
void for_each_in_subtree(node* top, Visit&& visit) {
  std::vector<std::pair<element_node*, size_t>> stack;
  visit(top);
  element_node* e = as_element(top);
  if (!e || e->children.empty()) return;
  stack.emplace_back(e, 0);
  while (!stack.empty()) {
    auto& [parent, next] = stack.back();
    if (next == parent->children.size()) {
      stack.pop_back();
      continue;
    }
    node* child = parent->children[next++];
    visit(child);
    element_node* ce = as_element(child);
    if (ce && !ce->children.empty()) stack.emplace_back(ce, 0);
  }
}

}  // namespace htmlayout

namespace htmlayout {
static_assert(sizeof(text_node) <= text_node::pool_block);
static_assert(sizeof(element_node) <= element_node::pool_block);
}  // namespace htmlayout

namespace htmlayout {
static_assert(sizeof(attribute) == 20 && alignof(attribute_list) == 4);
}  // namespace htmlayout
