#include "htmlayout/dom/large_memory.h"

#include <sys/mman.h>

#include <new>

namespace htmlayout {
namespace {

size_t in_use = 0;

}  // namespace

void* allocate_large(size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  if (bytes >= huge_page_size) madvise(memory, bytes, MADV_HUGEPAGE);
  in_use += bytes;
  return memory;
}

void release_large(void* memory, size_t bytes) {
  munmap(memory, bytes);
  in_use -= bytes;
}

size_t large_memory_in_use() { return in_use; }

}  // namespace htmlayout
