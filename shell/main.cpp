// Parvela's entry point: a command of the command line is carried out on
// the terminal; without one, one instance per user, then the application.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "fml/memory.h"
#include "shell/application.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "shell/heap_settings.h"
#include "shell/instance_client.h"
#include "shell/single_instance.h"

int main(int argc, char* argv[]) {
  pvl::forget_heap_settings();
  std::setlocale(LC_ALL, "");
  pvl::command_line line = pvl::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  if (line.what != pvl::command_line::action::start || !line.error.empty()) {
    return pvl::run_command(line, std::cin, std::cout, std::cerr);
  }
  fml::map_large_buffers();
  std::string folder = pvl::runtime_folder();
  if (folder.empty()) {
    return pvl::report_start_failure(argc, argv, "no private runtime folder: set XDG_RUNTIME_DIR",
                                     pvl::kExitError);
  }
  pvl::single_instance instance(folder);
  if (instance.another_runs()) {
    // A second start only brings the first instance's window forward.
    pvl::ask_instance_to_show(folder);
    return pvl::kExitOtherInstance;
  }
  if (!instance.is_first()) {
    return pvl::report_start_failure(argc, argv, instance.failure(), pvl::kExitError);
  }
  return pvl::run_application(argc, argv, instance);
}
