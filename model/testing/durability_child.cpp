// Helper of the durability test: adds quotes "addition <n>" to the collection in the data folder
// argv[1] until killed, appending "<id> <n>\n" to the report file argv[2] once each has returned.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "tinyfilesystem/app_dirs.h"

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  tinyfilesystem::set_app_dir(L"DataDir", fml::utf82wchar(argv[1]));
  fml::set_log_folder(fml::utf82wchar(argv[1]));
  fml::reglog("debug", L"logs/child-debug.log");
  fml::reglog("logic", L"logs/child-logic.log");
  int report = ::open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (report < 0) return 2;
  pvl::logic store;
  for (long n = 0;; ++n) {
    int32_t id = store.addQuote(L"addition " + std::to_wstring(n));
    std::string line = std::to_string(id) + " " + std::to_string(n) + "\n";
    if (::write(report, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 2;
  }
}
