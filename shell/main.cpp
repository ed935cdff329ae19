// Parvela's entry point: one instance per user, then the application.
#include <clocale>
#include <iostream>

#include "fml/memory.h"
#include "shell/application.h"
#include "shell/single_instance.h"

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");
  fml::map_large_buffers();
  std::string folder = pvl::runtime_folder();
  if (folder.empty()) {
    std::cerr << "parvela: no private runtime folder: set XDG_RUNTIME_DIR" << std::endl;
    return pvl::kExitFinished;
  }
  pvl::single_instance instance(folder);
  if (!instance.is_first()) {
    // A second start only brings the first instance's window forward.
    instance.ask_first_to_show();
    return pvl::kExitOtherInstance;
  }
  return pvl::run_application(argc, argv, instance);
}
