#include "shell/heap_settings.h"

#include <cstdlib>
#include <cstring>

namespace pvl {

void ask_for_large_heap_pages() { ::setenv("GLIBC_TUNABLES", kHeapTunables, /*overwrite=*/0); }

void forget_heap_settings() {
  const char* value = std::getenv("GLIBC_TUNABLES");
  if (value && std::strcmp(value, kHeapTunables) == 0) ::unsetenv("GLIBC_TUNABLES");
}

}  // namespace pvl
