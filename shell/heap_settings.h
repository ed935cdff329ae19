// The allocator settings the whole program starts with. Building the page at
// start-up allocates tens of megabytes in small pieces, and each 4 KB page
// the heap touches for the first time costs a trap into the kernel (on a
// virtual machine, many microseconds). Backing the heap with 2 MB pages
// spares about a third of a start's traps. glibc reads such settings only from the
// environment as a process starts, so the front process sets them before it
// becomes the whole program, and the whole program takes them out again so
// that the programs it starts do not inherit them.
#pragma once

namespace pvl {

// The value of GLIBC_TUNABLES the whole program starts with.
inline constexpr char kHeapTunables[] = "glibc.malloc.hugetlb=1";

// Sets GLIBC_TUNABLES to kHeapTunables unless the user has set it.
void ask_for_large_heap_pages();

// Removes GLIBC_TUNABLES when it holds kHeapTunables; a user's own value
// stays.
void forget_heap_settings();

}  // namespace pvl
