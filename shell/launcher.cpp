// The program as users run it: a small front process that loads no window
// system, so that a command for the running Parvela costs little more than
// the running program's work. Such a command is handed to it from here;
// anything else (the window, --help, a command on the collection file when
// no Parvela runs) is the whole program, "parvela-app" in this program's
// folder, which this process becomes: same process id, same arguments.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fml/text.h"
#include "shell/command_client.h"
#include "shell/command_line.h"
#include "shell/heap_settings.h"
#include "shell/instance_client.h"
#include "shell/single_instance.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

int main(int argc, char* argv[]) {
  pvl::command_line line = pvl::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  using A = pvl::command_line::action;
  bool command = line.error.empty() && line.what != A::start && line.what != A::help &&
                 line.what != A::version;
  if (command) {
    std::string folder = pvl::runtime_folder();
    int instance = folder.empty() ? -1 : pvl::connect_to_instance(folder);
    if (instance >= 0) return pvl::ask_running_instance(instance, line, std::cin, std::cout, std::cerr);
  }
  std::string whole = fml::wchar2utf8(
      tinyfilesystem::join_path(tinyfilesystem::program_folder(), L"parvela-app"));
  pvl::ask_for_large_heap_pages();
  ::execv(whole.c_str(), argv);
  std::cerr << "parvela: cannot start " << whole << ": " << std::strerror(errno) << std::endl;
  return pvl::kCommandFailed;
}
