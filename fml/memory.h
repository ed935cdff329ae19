// Giving memory back to the system after very large texts. A captured text
// of many megabytes passes through several buffers on its way into the
// collection (the clipboard's bytes, the wide text, the UTF-8 text, SQLite's
// copy); once they are freed the process should shrink again rather than
// keep their pages in its heap.
#pragma once

#include <cstddef>

namespace fml {

// A buffer of this many bytes or more gets a memory map of its own, which
// goes back to the system the moment the buffer is freed.
inline constexpr size_t kOwnMapBytes = size_t{1} << 20;

// Fixes the C library's bound for buffers with a map of their own at
// kOwnMapBytes. (glibc raises its bound after each large buffer freed, up to
// 32 MB, so that later large buffers stay in the heap when freed.) Call once
// at start, before other threads run.
void map_large_buffers();

// Returns the free pages of the heap to the system. Costs a walk over the
// heap's free lists: call it after freeing something large, not routinely.
void release_free_memory();

}  // namespace fml
