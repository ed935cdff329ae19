#include "fml/log.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "fml/exception.h"
#include "tests/support/temp_dir.h"

namespace fml {
namespace {

using testing_support::read_file;
using testing_support::temp_dir;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.path() / "logs");
    set_log_folder(dir_.wstr());
  }
  void TearDown() override {
    close_logs();
    set_log_folder(L"");
  }
  temp_dir dir_;
};

TEST_F(LogTest, LinesAreFlushedAtOnceAndTheFileIsPrivate) {
  reglog("app", L"logs/application.log");
  getlog("app") << "Application started" << std::endl;
  getlog("app") << "SetDataDir: " << 42 << std::endl;
  EXPECT_EQ(read_file(dir_.path() / "logs/application.log"), "Application started\nSetDataDir: 42\n");
  struct stat info;
  ASSERT_EQ(stat((dir_.path() / "logs/application.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(LogTest, RegistrationTruncatesTheFileOfAnEarlierRun) {
  testing_support::write_file(dir_.path() / "logs/debug.log", "old run\n");
  chmod((dir_.path() / "logs/debug.log").c_str(), 0644);
  reglog("debug", L"logs/debug.log");
  EXPECT_EQ(read_file(dir_.path() / "logs/debug.log"), "");
  getlog("debug") << "new run" << std::endl;
  EXPECT_EQ(read_file(dir_.path() / "logs/debug.log"), "new run\n");
  struct stat info;
  ASSERT_EQ(stat((dir_.path() / "logs/debug.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(LogTest, RegisteringAnIdTwiceIsRefused) {
  reglog("app", L"logs/application.log");
  try {
    reglog("app", L"logs/other.log");
    FAIL() << "no error raised";
  } catch (const reglog_error& error) {
    EXPECT_STREQ(error.what(), "log with id=app, is always register");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "logs/other.log"));
}

TEST_F(LogTest, AnUnregisteredIdIsAnError) {
  try {
    getlog("model");
    FAIL() << "no error raised";
  } catch (const getlog_error& error) {
    EXPECT_STREQ(error.what(), "log with id=model, is not register");
  }
}

TEST_F(LogTest, AFileThatCannotBeCreatedNamesItsPathAndTheSystemError) {
  try {
    reglog("app", L"missing-folder/application.log");
    FAIL() << "no error raised";
  } catch (const cannot_open_log_error& error) {
    std::string expected = "cannot_open_log " + dir_.str() + "/missing-folder/application.logError code: 2 ";
    EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << error.what();
  }
  // The failed id stays free.
  reglog("app", L"logs/application.log");
}

TEST_F(LogTest, ClosingEmptiesTheRegistry) {
  reglog("app", L"logs/application.log");
  getlog("app") << "last" << std::endl;
  close_logs();
  // What is written after the end is dropped, never raised.
  EXPECT_NO_THROW(getlog("app") << "dropped" << std::endl);
  EXPECT_THROW(getlog("never registered"), getlog_error);
  EXPECT_EQ(read_file(dir_.path() / "logs/application.log"), "last\n");
  reglog("app", L"logs/application.log");
  EXPECT_EQ(read_file(dir_.path() / "logs/application.log"), "");
}

}  // namespace
}  // namespace fml
