// Parvela's entry point: one instance per user, then the application.
#include <clocale>

#include "fml/memory.h"
#include "shell/application.h"
#include "shell/single_instance.h"

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");
  fml::map_large_buffers();
  std::string folder = pvl::runtime_folder();
  if (folder.empty()) {
    return pvl::report_start_failure(argc, argv, "no private runtime folder: set XDG_RUNTIME_DIR",
                                     pvl::kExitError);
  }
  pvl::single_instance instance(folder);
  if (instance.another_runs()) {
    // A second start only brings the first instance's window forward.
    instance.ask_first_to_show();
    return pvl::kExitOtherInstance;
  }
  if (!instance.is_first()) {
    return pvl::report_start_failure(argc, argv, instance.failure(), pvl::kExitError);
  }
  return pvl::run_application(argc, argv, instance);
}
