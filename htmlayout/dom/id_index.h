// The elements of a document by their id attribute: an open-addressing hash
// table of element pointers, so that "#id" and "[id='...']" are found in
// constant time among hundreds of thousands of elements. Several elements
// may share an id. The table reads the ids from the elements themselves:
// an element must be erased before its id changes and inserted again after.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "htmlayout/dom/node.h"

namespace htmlayout {

class id_index {
 public:
  // Adds an element that has an id attribute.
  void insert(element_node* e);
  // Removes an element (with the id it had when it was inserted).
  void erase(element_node* e);
  // The elements whose id equals `id`, in no particular order.
  std::vector<element_node*> find(std::string_view id) const;
  // Calls `visit` with each of them.
  template <typename Visit>
  void for_each(std::string_view id, Visit&& visit) const {
    if (!capacity_) return;
    uint32_t h = hash(id);
    size_t mask = capacity_ - 1;
    for (size_t i = h & mask; slots_[i].element; i = (i + 1) & mask) {
      const slot& s = slots_[i];
      if (s.element != tombstone() && s.hash == h && id_of(s.element) == id) visit(s.element);
    }
  }
  size_t size() const { return size_; }

 private:
  struct slot {
    element_node* element;  // null: empty; tombstone(): erased
    uint32_t hash;
  };
  static element_node* tombstone() { return reinterpret_cast<element_node*>(uintptr_t{1}); }
  static std::string_view id_of(const element_node* e);
  static uint32_t hash(std::string_view id);
  void rehash(size_t capacity);

  // The slots, in memory the kernel may back with huge pages when the
  // table is large (a random lookup then costs fewer TLB misses).
  struct slots_deleter {
    size_t bytes;
    void operator()(slot* p) const;
  };
  using slot_array = std::unique_ptr<slot[], slots_deleter>;
  static slot_array allocate(size_t capacity);

  slot_array slots_{nullptr, slots_deleter{0}};
  size_t capacity_ = 0;
  size_t size_ = 0;  // elements
  size_t used_ = 0;  // elements and tombstones
};

}  // namespace htmlayout
