#include "shell/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "shell/instance_client.h"
#include "tests/support/temp_dir.h"

namespace pvl {
namespace {

TEST(SingleInstanceTest, OnlyTheFirstHoldsTheLockAndAnswers) {
  testing_support::temp_dir dir;
  single_instance first(dir.str());
  ASSERT_TRUE(first.is_first());
  single_instance second(dir.str());
  EXPECT_FALSE(second.is_first());

  // The first answers one request, as the running program's server does.
  std::string asked;
  std::thread answering([&first, &asked] {
    int fd = ::accept(first.listen_fd(), nullptr, nullptr);
    char buffer[256];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    parsed_request request = parse_request(std::string_view(buffer, n > 0 ? size_t(n) : 0));
    if (request.request) asked = request.request->words.at(0);
    std::string answer = encode_answer({});
    ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    ::close(fd);
  });
  EXPECT_TRUE(ask_instance_to_show(dir.str()));
  answering.join();
  EXPECT_EQ(asked, "show");

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
  // The first never answers: the request fails within about a second.
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ask_instance_to_show(dir.str()));
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
