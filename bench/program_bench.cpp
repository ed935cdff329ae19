// The whole program on a large collection (10,000 and 100,000 quotes with
// 1,000 tags, in a collection file of its own data folder):
// - BM_StartToFirstPaint: from starting the executable to the first paint of
//   its window on a private Xvfb display (the moment the program writes its
//   "First paint" line to the profile log), and the process's resident
//   memory then (counter rss_mb). The program is ended after each run.
// - BM_CaptureToDrawn: in one process on Qt's offscreen platform, with the
//   program's model, controller and view showing the collection in the
//   engine's widget: a captured text handed to the controller, stored (with
//   its commit) and drawn at the top of the window.
#include <benchmark/benchmark.h>
#include <signal.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "bench/collection_file.h"
#include "controller/controller_instance.h"
#include "controller/vcaction.h"
#include "fml/log.h"
#include "fml/text.h"
#include "htmlayout/qt/document_widget.h"
#include "model/logic.h"
#include "model/model_instance.h"
#include "tests/e2e/x_session.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/resource_mgr.h"
#include "view/view_instance.h"

namespace {

using clock_type = std::chrono::steady_clock;
using testing_support::child_process;
using testing_support::x_session;
constexpr int kTags = 1000;

const char* const kLogs[] = {"app", "profile", "debug", "events", "cntrl", "model", "logic"};

// A user data folder ("<root>/data/Parvela") whose collection file holds
// `quotes` quotes. The logs are registered while the schema is made and
// closed again.
class data_folder {
 public:
  explicit data_folder(int quotes) {
    const std::filesystem::path data = data_home() / "Parvela";
    std::filesystem::create_directories(data / "logs");
    std::filesystem::create_directories(runtime());
    std::filesystem::permissions(runtime(), std::filesystem::perms::owner_all);
    tinyfilesystem::set_app_dir(L"DataDir", data.wstring());
    setenv("XDG_DATA_HOME", data_home().c_str(), 1);
    for (const char* id : kLogs) fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
    testing_support::write_file(data / "defaulttags.xml", "<tags/>");
    testing_support::write_file(data / "defaultquotes.xml", "<quotes/>");
    { pvl::logic schema_only; }
    fml::close_logs();
    bench_support::fill_collection((data / "parvela.fdb").string(), quotes, kTags);
  }
  std::filesystem::path data_home() const { return root_.path() / "data"; }
  std::filesystem::path runtime() const { return root_.path() / "run"; }
  std::filesystem::path profile_log() const { return data_home() / "Parvela/logs/profile.log"; }

 private:
  testing_support::temp_dir root_;
};

bool has_first_paint(const std::filesystem::path& log) {
  std::ifstream in(log);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.find("First paint") != std::string::npos;
}

long resident_kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void BM_StartToFirstPaint(benchmark::State& state) {
  static x_session display;
  data_folder folder(static_cast<int>(state.range(0)));
  const std::map<std::string, std::string> env = {
      {"XDG_DATA_HOME", folder.data_home().string()},
      {"XDG_RUNTIME_DIR", folder.runtime().string()},
      {"HOME", folder.data_home().string()}};
  double rss_mb = 0;
  for (auto _ : state) {
    std::filesystem::remove(folder.profile_log());
    const auto start = clock_type::now();
    child_process& program = display.start(PARVELA_EXE, {}, env);
    bool painted = false;
    while (!painted && clock_type::now() - start < std::chrono::seconds(30)) {
      painted = has_first_paint(folder.profile_log());
      if (!painted) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const auto took = clock_type::now() - start;
    if (!painted) {
      state.SkipWithError("the window was never painted");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(took).count());
    rss_mb = static_cast<double>(resident_kb(program.pid())) / 1024.0;
    program.signal(SIGTERM);
    program.wait();
  }
  state.counters["rss_mb"] = rss_mb;
}
BENCHMARK(BM_StartToFirstPaint)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_CaptureToDrawn(benchmark::State& state) {
  data_folder folder(static_cast<int>(state.range(0)));
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  tinyfilesystem::set_app_dir(L"ParvelaDir", (std::filesystem::path(PARVELA_BUILD_DIR)).wstring());
  for (const char* id : kLogs) fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
  static int argc = 1;
  static char name[] = "program_bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  {
    pvl::model();
    pvl::controller();
    pvl::resource_mgr();
    pvl::model().set_view(&pvl::view());
    pvl::controller().set_view(&pvl::view());
    pvl::model().on_model_event(pvl::model_event{pvl::model_events::initial_load, nullptr});
    htmlayout::qt::document_widget window(pvl::view().document());
    window.resize(1000, 700);
    QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    window.render(&image);
    int n = 0;
    for (auto _ : state) {
      const std::wstring text = L"Captured while measuring, number " + std::to_wstring(++n);
      pvl::vcaction message;
      message.type = pvl::vcaction_types::captured_text;
      message.data = text.c_str();
      pvl::controller().send(message);
      window.update_view();
      window.render(&image);
    }
  }
  pvl::delete_view();
  pvl::delete_resource_mgr();
  pvl::delete_controller();
  pvl::delete_model();
  fml::close_logs();
}
BENCHMARK(BM_CaptureToDrawn)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
