// The store of user-interface files: what it reads, exact-name lookup, its error and log.
#include "view/resource_mgr.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "model/testing/raised.h"
#include "model/testing/test_collection.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace pvl {
namespace {

using testing_support::write_file;

// Unreadable entries (a link whose target is gone, a folder) are held with no bytes.
TEST(ResourceMgrTest, HoldsEveryEntryByItsExactNameReadOnce) {
  const model_testing::test_collection logs;
  const testing_support::temp_dir program;
  tinyfilesystem::set_app_dir(L"ParvelaDir", program.wstr());
  const std::filesystem::path res = program.path() / "res";
  std::filesystem::create_directory(res);
  std::string image;
  for (int i = 0; i < 200000; ++i) image += static_cast<char>((i * 7919) % 256);
  write_file(res / "dragquote.cur", image);
  write_file(res / "empty.css", "");
  write_file(res / "\u00e9t\u00e9 2.png", "png");
  std::filesystem::create_directory(res / "images");
  std::filesystem::create_symlink(program.path() / "gone.css", res / "broken.css");
  const ResourceMgr store(resource_folder());
  write_file(res / "late.css", "late");
  EXPECT_EQ(store.size(), 5u);
  EXPECT_EQ(store.get(L"dragquote.cur"), image);
  EXPECT_EQ(store.get(L"\u00e9t\u00e9 2.png"), "png");
  for (const wchar_t* empty : {L"empty.css", L"images", L"broken.css"})
    EXPECT_TRUE(store.exists(empty) && store.get(empty).empty()) << fml::wchar2utf8(empty);
  for (const wchar_t* absent : {L"Dragquote.cur", L"res/empty.css", L"", L".", L"..", L"late.css"})
    EXPECT_FALSE(store.exists(absent)) << fml::wchar2utf8(absent);
  EXPECT_EQ(logs.new_lines("debug"), std::vector<std::string>{"ResourceMgr init"});
  for (const auto& [name, message] : {std::pair{L"Mainform.htm", "Mainform.htm"},
                                      {L"\u00e9t\u00e9.png", "\xc3\xa9t\xc3\xa9.png"}}) {
    EXPECT_EQ(model_testing::raised<resource_not_found_error>([&] { store.get(name); }),
              std::string(message) + ": no such file in " + fml::wchar2utf8(resource_folder()));
  }
  std::filesystem::remove_all(res);
  ResourceMgr nothing(resource_folder());
  EXPECT_EQ(nothing.size(), 0u);
  EXPECT_THROW(nothing.get(L"mainform.htm"), resource_not_found_error);
  tinyfilesystem::set_app_dir(L"ParvelaDir", L"");
}

}  // namespace
}  // namespace pvl
