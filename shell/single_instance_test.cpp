#include "shell/single_instance.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "shell/instance_client.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

// A first instance that never answers: a later one's request gives up.
TEST(SingleInstanceTest, AskingWithNobodyListeningGivesUp) {
  testing_support::temp_dir dir;
  single_instance first(dir.str());
  ASSERT_TRUE(first.is_first());
  EXPECT_FALSE(single_instance(dir.str()).is_first());
  EXPECT_FALSE(ask_instance_to_show(dir.str()));
}

TEST(SingleInstanceTest, RuntimeFolderIsPrivate) {
  testing_support::temp_dir dir;
  setenv("XDG_RUNTIME_DIR", dir.str().c_str(), 1);
  EXPECT_EQ(runtime_folder(), dir.str());
  unsetenv("XDG_RUNTIME_DIR");
  std::string fallback = runtime_folder();
  ASSERT_FALSE(fallback.empty());
  struct stat info;
  ASSERT_EQ(stat(fallback.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace pvl
