// A set of element pointers, for the document's index of the elements in
// each state: open addressing in one array, so that checking 100,000 rows
// at once adds them without an allocation per row. Iteration visits the
// elements in no particular order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace htmlayout {

struct element_node;

class node_set {
 public:
  // Adds `e`; false when it was there already.
  bool insert(element_node* e);
  // Removes `e`; false when it was not there.
  bool erase(element_node* e);
  bool contains(const element_node* e) const;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Makes room for `count` elements in all without growing again.
  void reserve(size_t count);

  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = element_node*;
    using difference_type = std::ptrdiff_t;
    using pointer = element_node* const*;
    using reference = element_node*;

    iterator(element_node* const* at, element_node* const* end) : at_(at), end_(end) { skip(); }
    element_node* operator*() const { return *at_; }
    iterator& operator++() {
      ++at_;
      skip();
      return *this;
    }
    bool operator==(const iterator& other) const { return at_ == other.at_; }

   private:
    void skip() {
      while (at_ != end_ && (!*at_ || *at_ == tombstone())) ++at_;
    }
    element_node* const* at_;
    element_node* const* end_;
  };
  iterator begin() const { return {slots_.data(), slots_.data() + slots_.size()}; }
  iterator end() const { return {slots_.data() + slots_.size(), slots_.data() + slots_.size()}; }

 private:
  static element_node* tombstone() { return reinterpret_cast<element_node*>(uintptr_t{1}); }
  // The slot holding `e`, or the empty slot where the search for it ended.
  size_t find_slot(const element_node* e) const;
  void rehash(size_t capacity);

  std::vector<element_node*> slots_;  // null: empty; tombstone(): erased
  size_t size_ = 0;                   // elements
  size_t used_ = 0;                   // elements and tombstones
};

}  // namespace htmlayout
