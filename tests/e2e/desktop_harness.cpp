// The main window alone, as the program builds it, for the end-to-end tests:
//   desktop_harness FOLDER [--busy-after-text MS]
// appends each captured text to FOLDER/captured as "<byte count>\n<UTF-8 text>\n" (then keeps
// the window's thread busy for MS), logs to FOLDER, creates FOLDER/ready once the loop runs;
// SIGTERM ends it through the Exit command.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "fml/log.h"
#include "fml/text.h"
#include "shell/main_window.h"
#include "shell/termination_signals.h"
#include "tinyfilesystem/app_dirs.h"

namespace {

std::string g_folder;
std::chrono::milliseconds g_busy_after_text{0};

void append(const std::string& name, const std::string& content) {
  std::ofstream(g_folder + "/" + name, std::ios::app | std::ios::binary) << content;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) return 2;
  g_folder = argv[1];
  if (argc >= 4 && std::string(argv[2]) == "--busy-after-text")
    g_busy_after_text = std::chrono::milliseconds(std::atoi(argv[3]));
  int failed = 0;
  try {
    tinyfilesystem::set_app_dir(L"DataDir", fml::utf82wchar(g_folder));
    fml::set_log_folder(fml::utf82wchar(g_folder));
    fml::reglog("app", L"application.log");
    fml::reglog("debug", L"debug.log");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    pvl::main_window window([](const std::string& utf8) {
      append("captured", std::to_string(utf8.size()) + "\n" + utf8 + "\n");
      std::this_thread::sleep_for(g_busy_after_text);
    });
    pvl::termination_signals on_termination([&window] { window.exit_command(); });
    QTimer::singleShot(0, [] { append("ready", "ready\n"); });
    int code = pvl::run_main_window(window);
    append("harness.log", "loop ended: " + std::to_string(code) + "\n");
  } catch (const std::exception& error) {
    append("harness.log", std::string("Error: ") + error.what() + "\n");
    failed = 1;
  }
  fml::close_logs();
  return failed;
}
