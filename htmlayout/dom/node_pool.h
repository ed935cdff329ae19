// Memory for nodes: fixed-size blocks carved from large slabs and recycled
// through a free list, so that the millions of nodes of a big document cost
// neither a malloc call nor a malloc header each. Once the pool is big, its
// slabs are 2 MB that the kernel may back with huge pages, which makes
// walking a large document cost fewer TLB misses. Under AddressSanitizer
// nodes come from the ordinary heap, so that misuse is still caught.
#pragma once

#include <cstddef>
#include <new>

#include "htmlayout/dom/large_memory.h"

namespace htmlayout {

template <size_t block_size>
class node_pool {
 public:
  static void* allocate() {
#ifdef __SANITIZE_ADDRESS__
    return ::operator new(block_size);
#else
    node_pool& p = instance();
    if (!p.free_) p.add_slab();
    free_block* b = p.free_;
    p.free_ = b->next;
    --p.free_count_;
    return b;
#endif
  }

  static void release(void* memory) {
#ifdef __SANITIZE_ADDRESS__
    ::operator delete(memory);
#else
    node_pool& p = instance();
    auto* b = static_cast<free_block*>(memory);
    b->next = p.free_;
    p.free_ = b;
    ++p.free_count_;
#endif
  }

  // Bytes the pool holds for reuse (allocated from the heap, not in use).
  static size_t idle_bytes() {
#ifdef __SANITIZE_ADDRESS__
    return 0;
#else
    return instance().free_count_ * block_size;
#endif
  }

 private:
  struct free_block {
    free_block* next;
  };
  static_assert(block_size >= sizeof(free_block) && block_size % alignof(std::max_align_t) == 0);
  static constexpr size_t small_slab_blocks = 1024;
  static constexpr size_t small_slabs = 8;  // before slabs become huge

  static node_pool& instance() {
    // Never destroyed: nodes may be released by static handles at exit.
    static node_pool* pool = new node_pool;
    return *pool;
  }

  void add_slab() {
    char* slab = nullptr;
    size_t blocks = small_slab_blocks;
    if (slabs_ >= small_slabs) {
      slab = static_cast<char*>(allocate_large(huge_page_size));
      blocks = huge_page_size / block_size;
    } else {
      slab = static_cast<char*>(::operator new(block_size* blocks));
    }
    ++slabs_;
    for (size_t i = blocks; i > 0; --i) {
      auto* b = reinterpret_cast<free_block*>(slab + (i - 1) * block_size);
      b->next = free_;
      free_ = b;
    }
    free_count_ += blocks;
  }

  free_block* free_ = nullptr;
  size_t free_count_ = 0;
  size_t slabs_ = 0;
};

}  // namespace htmlayout
