#include "shell/single_instance.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

TEST(SingleInstanceTest, OnlyTheFirstHoldsTheLockAndAnswers) {
  testing_support::temp_dir dir;
  single_instance first(dir.str());
  ASSERT_TRUE(first.is_first());
  single_instance second(dir.str());
  EXPECT_FALSE(second.is_first());

  std::thread answering([&first] {
    for (int i = 0; i < 100 && !first.answer_one(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  EXPECT_TRUE(second.ask_first_to_show());
  answering.join();

  struct stat info;
  ASSERT_EQ(stat((dir.path() / "parvela.sock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u) << "the socket must be private";
}

TEST(SingleInstanceTest, ALockLeftByADeadProcessDoesNotBlock) {
  testing_support::temp_dir dir;
  pid_t child = fork();
  if (child == 0) {
    single_instance crashed(dir.str());
    _exit(crashed.is_first() ? 0 : 1);  // dies without cleaning up
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(std::filesystem::exists(dir.path() / "parvela.sock"));

  single_instance next(dir.str());
  EXPECT_TRUE(next.is_first());
}

TEST(SingleInstanceTest, AskingWithNobodyListeningGivesUp) {
  testing_support::temp_dir dir;
  single_instance first(dir.str());
  ASSERT_TRUE(first.is_first());
  single_instance second(dir.str());
  // The first never answers: the request fails within about a second.
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(second.ask_first_to_show());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
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
