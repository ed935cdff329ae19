// The allocator settings the front process hands on, and takes back.
#include "shell/heap_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pvl {
namespace {

std::string tunables() {
  const char* value = std::getenv("GLIBC_TUNABLES");
  return value ? value : "(unset)";
}

TEST(HeapSettingsTest, OursComeAndGoAUsersOwnStay) {
  for (const char* users : {static_cast<const char*>(nullptr), "glibc.malloc.check=3", ""}) {
    users ? ::setenv("GLIBC_TUNABLES", users, 1) : ::unsetenv("GLIBC_TUNABLES");
    const std::string expected = users ? users : "(unset)";
    ask_for_large_heap_pages();
    EXPECT_EQ(tunables(), users ? users : kHeapTunables);
    forget_heap_settings();
    EXPECT_EQ(tunables(), expected);
  }
}

}  // namespace
}  // namespace pvl
