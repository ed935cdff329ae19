// The command line against a running Parvela holding 10,000 quotes: the
// real program started as the instance (offscreen), and commands run as a
// script runs them, each a new process (`parvela add TEXT`,
// `parvela list --limit 20`), timed from the spawn to the exit. The
// in-process rows time the request alone (connect, send, the instance's
// work, the answer), which tells what the process start costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/data_folder.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "shell/instance_client.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

extern char** environ;

namespace {

// Runs `args` with standard output to /dev/null; returns its exit code.
int run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class running_instance {
 public:
  running_instance() {
    std::filesystem::path data = folder_.path() / "Parvela";
    std::filesystem::path runtime = folder_.path() / "run";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_DATA_HOME", folder_.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("PARVELA_NO_ERROR_BOX", "1", 1);
    runtime_ = runtime.string();
    bench_support::make_data_folder(data, 10000, 100);

    char* argv[] = {const_cast<char*>(PARVELA_EXE), nullptr};
    posix_spawn(&pid_, PARVELA_EXE, nullptr, nullptr, argv, environ);
    for (int i = 0; i < 400 && !answers(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~running_instance() {
    run({PARVELA_EXE, "quit"});
    ::waitpid(pid_, nullptr, 0);
  }

  bool answers() const {
    int fd = pvl::connect_to_instance(runtime_);
    return fd >= 0 && pvl::ask_instance(fd, {{"list", "--limit", "1"}, {}}, 10000).how ==
                          pvl::instance_reply::outcome::answered;
  }
  const std::string& runtime() const { return runtime_; }

 private:
  testing_support::temp_dir folder_;
  std::string runtime_;
  pid_t pid_ = -1;
};

running_instance& instance() {
  static running_instance running;
  return running;
}

void BM_AddProcess(benchmark::State& state) {
  instance();
  int n = 0;
  for (auto _ : state) {
    if (run({PARVELA_EXE, "add", "bench quote " + std::to_string(++n)}) != 0) {
      state.SkipWithError("add failed");
    }
  }
}
BENCHMARK(BM_AddProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListLimit20Process(benchmark::State& state) {
  instance();
  for (auto _ : state) {
    if (run({PARVELA_EXE, "list", "--limit", "20"}) != 0) state.SkipWithError("list failed");
  }
}
BENCHMARK(BM_ListLimit20Process)->Unit(benchmark::kMillisecond)->UseRealTime();

// `--version` touches neither the instance nor the collection: the cost of
// starting the program's process alone.
void BM_VersionProcess(benchmark::State& state) {
  for (auto _ : state) run({PARVELA_EXE, "--version"});
}
BENCHMARK(BM_VersionProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AddRequest(benchmark::State& state) {
  const std::string& runtime = instance().runtime();
  int n = 0;
  for (auto _ : state) {
    int fd = pvl::connect_to_instance(runtime);
    pvl::instance_reply reply =
        pvl::ask_instance(fd, {{"add", "--", "bench request " + std::to_string(++n)}, {}}, 10000);
    if (reply.how != pvl::instance_reply::outcome::answered || reply.answer.exit_code != 0) {
      state.SkipWithError("add failed");
    }
  }
}
BENCHMARK(BM_AddRequest)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListLimit20Request(benchmark::State& state) {
  const std::string& runtime = instance().runtime();
  for (auto _ : state) {
    int fd = pvl::connect_to_instance(runtime);
    pvl::instance_reply reply = pvl::ask_instance(fd, {{"list", "--limit", "20"}, {}}, 10000);
    benchmark::DoNotOptimize(reply.answer.out.size());
  }
}
BENCHMARK(BM_ListLimit20Request)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
