// Large blocks of zeroed memory that the kernel may back with huge pages
// (2 MB), for the structures a big document walks at random: the node pools
// and the id index. Fewer TLB misses make a random lookup among hundreds of
// thousands of elements noticeably faster. The bytes held are counted, so
// that a measurement of the engine's memory can include them.
#pragma once

#include <cstddef>

namespace htmlayout {

inline constexpr size_t huge_page_size = 2 << 20;

// Returns `bytes` of zeroed memory (throws std::bad_alloc when there is none).
void* allocate_large(size_t bytes);
void release_large(void* memory, size_t bytes);
// Bytes currently held through allocate_large.
size_t large_memory_in_use();

}  // namespace htmlayout
