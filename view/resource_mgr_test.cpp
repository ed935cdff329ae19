// The store of user-interface files: what it reads, exact-name lookup, its
// error and its log lines.
#include "view/resource_mgr.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/text.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace pvl {
namespace {

using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::write_file;

class ResourceMgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(data_.path() / "logs");
    tinyfilesystem::set_app_dir(L"DataDir", data_.wstr());
    fml::set_log_folder(data_.wstr());
    tinyfilesystem::set_app_dir(L"ParvelaDir", program_.wstr());
    fml::reglog("app", L"logs/application.log");
    fml::reglog("debug", L"logs/debug.log");
    std::filesystem::create_directory(res());
  }
  void TearDown() override {
    fml::close_logs();
    tinyfilesystem::set_app_dir(L"DataDir", L"");
    tinyfilesystem::set_app_dir(L"ParvelaDir", L"");
  }
  std::filesystem::path res() const { return program_.path() / "res"; }
  std::string log(const char* file) const { return read_file(data_.path() / "logs" / file); }

  temp_dir data_;
  temp_dir program_;
};

TEST_F(ResourceMgrTest, HoldsEveryEntryByItsExactName) {
  write_file(res() / "mainform.htm", "<html></html>");
  write_file(res() / "mainform.css", "body { margin: 0 }");
  std::filesystem::create_directory(res() / "images");
  ResourceMgr store(resource_folder());
  EXPECT_EQ(store.size(), 3u);
  EXPECT_EQ(store.get(L"mainform.htm"), "<html></html>");
  EXPECT_EQ(store.get(L"mainform.css"), "body { margin: 0 }");
  EXPECT_TRUE(store.exists(L"images"));
  EXPECT_EQ(store.get(L"images"), "");
  // Letter case counts, and no folder part is looked at.
  EXPECT_FALSE(store.exists(L"MainForm.htm"));
  EXPECT_FALSE(store.exists(L"res/mainform.htm"));
  EXPECT_FALSE(store.exists(L""));
  EXPECT_FALSE(store.exists(L"."));
  EXPECT_FALSE(store.exists(L".."));
}

TEST_F(ResourceMgrTest, AMissingNameRaisesWithTheNameAndTheFolder) {
  write_file(res() / "mainform.htm", "x");
  ResourceMgr store(resource_folder());
  try {
    store.get(L"Mainform.htm");
    FAIL() << "no error raised";
  } catch (const resource_not_found_error& error) {
    EXPECT_EQ(error.what(), "Mainform.htm: no such file in " + fml::wchar2utf8(resource_folder()));
  }
  try {
    store.get(L"\u00e9t\u00e9.png");
    FAIL() << "no error raised";
  } catch (const resource_not_found_error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("\xc3\xa9t\xc3\xa9.png: no such file in ", 0), 0u);
  }
}

TEST_F(ResourceMgrTest, BinaryFilesLargerThanAReadAreKeptWhole) {
  std::string image;
  for (int i = 0; i < 200000; ++i) image += static_cast<char>((i * 7919) % 256);
  write_file(res() / "dragquote.cur", image);
  write_file(res() / "empty.css", "");
  write_file(res() / "\u00e9t\u00e9 2.png", "png");
  ResourceMgr store(resource_folder());
  EXPECT_EQ(store.get(L"dragquote.cur"), image);
  EXPECT_TRUE(store.exists(L"empty.css"));
  EXPECT_EQ(store.get(L"empty.css"), "");
  EXPECT_EQ(store.get(L"\u00e9t\u00e9 2.png"), "png");
}

TEST_F(ResourceMgrTest, UnreadableFilesAreHeldEmptyAndAMissingFolderGivesAnEmptyStore) {
  // A link whose target is gone is listed but cannot be opened.
  std::filesystem::create_symlink(program_.path() / "gone.css", res() / "broken.css");
  write_file(res() / "fine.css", "fine");
  ResourceMgr store(resource_folder());
  ASSERT_TRUE(store.exists(L"broken.css"));
  EXPECT_EQ(store.get(L"broken.css"), "");
  EXPECT_EQ(store.get(L"fine.css"), "fine");

  std::filesystem::remove_all(res());
  ResourceMgr nothing(resource_folder());
  EXPECT_EQ(nothing.size(), 0u);
  EXPECT_THROW(nothing.get(L"mainform.htm"), resource_not_found_error);
}

TEST_F(ResourceMgrTest, TheStoreIsFilledOnce) {
  write_file(res() / "mainform.htm", "page");
  const ResourceMgr store(resource_folder());
  write_file(res() / "late.css", "late");
  EXPECT_EQ(store.get(L"mainform.htm"), "page");
  EXPECT_FALSE(store.exists(L"late.css"));
  EXPECT_EQ(log("debug.log"), "ResourceMgr init\n");
}

}  // namespace
}  // namespace pvl
