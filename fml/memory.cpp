#include "fml/memory.h"

#include <malloc.h>

namespace fml {

void map_large_buffers() { mallopt(M_MMAP_THRESHOLD, static_cast<int>(kOwnMapBytes)); }

void release_free_memory() { malloc_trim(0); }

}  // namespace fml
