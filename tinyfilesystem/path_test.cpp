#include "tinyfilesystem/path.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "fml/text.h"
#include "tests/support/temp_dir.h"

namespace tinyfilesystem {
namespace {

TEST(PathTest, JoinsAndTellsFilesFromDirectories) {
  EXPECT_EQ(join_path(L"/data/Parvela", L"defaulttags.xml"), L"/data/Parvela/defaulttags.xml");
  EXPECT_EQ(join_path(L"/data/Parvela/", L"defaulttags.xml"), L"/data/Parvela/defaulttags.xml");
  EXPECT_EQ(join_path(L"", L"defaulttags.xml"), L"defaulttags.xml");
  EXPECT_EQ(parent_path(L"/usr/bin/parvela"), L"/usr/bin");
  EXPECT_EQ(parent_path(L"/parvela"), L"/");
  EXPECT_EQ(parent_path(L"parvela"), L"");

  testing_support::temp_dir dir;
  std::wstring file = join_path(dir.wstr(), L"f\u00FCr.txt");
  testing_support::write_file(std::filesystem::path(fml::wchar2utf8(file)), "x");
  EXPECT_TRUE(file_exists(file) && !dir_exists(file));
  EXPECT_TRUE(dir_exists(dir.wstr()) && !file_exists(dir.wstr()));
  EXPECT_FALSE(file_exists(join_path(dir.wstr(), L"absent")));
  EXPECT_FALSE(dir_exists(join_path(dir.wstr(), L"absent")));
  EXPECT_FALSE(file_exists(L""));
}

}  // namespace
}  // namespace tinyfilesystem
