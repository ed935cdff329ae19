// The command line's commands on a collection of 100,000 quotes and 1,000
// tags: `parvela list --limit 20` (the newest 20, as text) and
// `parvela export --format json -`, each from an open collection (the time
// a command takes after its process started and opened the file).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <sstream>

#include "bench/data_folder.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace {

class large_collection {
 public:
  large_collection() {
    setenv("XDG_DATA_HOME", folder_.path().c_str(), 1);
    bench_support::make_data_folder(folder_.path() / "Parvela", 100000, 1000);
  }

 private:
  testing_support::temp_dir folder_;
};

void open_collection_once() { static large_collection instance; }

void BM_ListLimit20(benchmark::State& state) {
  open_collection_once();
  pvl::logic store;
  pvl::command_line line = pvl::parse_command_line({"list", "--limit", "20"});
  std::ostringstream err;
  for (auto _ : state) {
    std::ostringstream out;
    if (pvl::list_command(store, line, out, err) != 0) state.SkipWithError("list failed");
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_ListLimit20)->Unit(benchmark::kMillisecond);

// Opening the collection as a command does (the open sequence of the model)
// and listing the newest 20: the in-process part of a whole command.
void BM_OpenAndListLimit20(benchmark::State& state) {
  open_collection_once();
  pvl::command_line line = pvl::parse_command_line({"list", "--limit", "20"});
  std::ostringstream err;
  for (auto _ : state) {
    pvl::logic store;
    std::ostringstream out;
    if (pvl::list_command(store, line, out, err) != 0) state.SkipWithError("list failed");
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_OpenAndListLimit20)->Unit(benchmark::kMillisecond);

void BM_ExportJson(benchmark::State& state) {
  open_collection_once();
  pvl::logic store;
  pvl::command_line line = pvl::parse_command_line({"export", "--format", "json", "-"});
  std::ostringstream err;
  for (auto _ : state) {
    std::ostringstream out;
    if (pvl::export_command(store, line, out, err) != 0) state.SkipWithError("export failed");
    state.counters["bytes"] = static_cast<double>(out.str().size());
  }
}
BENCHMARK(BM_ExportJson)->Unit(benchmark::kMillisecond);

}  // namespace
