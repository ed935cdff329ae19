// The allocator settings the front process hands on, and takes back.
#include "shell/heap_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace pvl {
namespace {

std::optional<std::string> tunables() {
  const char* value = std::getenv("GLIBC_TUNABLES");
  return value ? std::optional<std::string>(value) : std::nullopt;
}

TEST(HeapSettingsTest, OursComeAndGoAUsersOwnStay) {
  const std::optional<std::string> before = tunables();
  struct row {
    std::optional<std::string> users;
    std::optional<std::string> after_ask, after_forget;
  };
  const row rows[] = {
      {std::nullopt, kHeapTunables, std::nullopt},
      {"glibc.malloc.check=3", "glibc.malloc.check=3", "glibc.malloc.check=3"},
      {"", "", ""},
  };
  for (const row& r : rows) {
    if (r.users) {
      ::setenv("GLIBC_TUNABLES", r.users->c_str(), 1);
    } else {
      ::unsetenv("GLIBC_TUNABLES");
    }
    ask_for_large_heap_pages();
    EXPECT_EQ(tunables(), r.after_ask) << r.users.value_or("(unset)");
    forget_heap_settings();
    EXPECT_EQ(tunables(), r.after_forget) << r.users.value_or("(unset)");
  }
  if (before) {
    ::setenv("GLIBC_TUNABLES", before->c_str(), 1);
  } else {
    ::unsetenv("GLIBC_TUNABLES");
  }
}

}  // namespace
}  // namespace pvl
