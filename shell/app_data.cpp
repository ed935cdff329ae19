#include "shell/app_data.h"

#include <sys/stat.h>

#include <filesystem>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

void prepare_app_data() {
  using namespace tinyfilesystem;
  std::wstring user_folder = join_path(user_app_data_folder(), L"Parvela");
  std::wstring common_folder = join_path(common_app_data_folder(), L"Parvela");
  if (dir_exists(user_folder)) return;
  if (!dir_exists(common_folder)) throw data_error("Application data not exists");

  // Failures here are not fatal: a missing logs folder is reported when the
  // logs are opened, and a seed file that did not copy leaves an empty
  // collection rather than no program.
  std::error_code ignored;
  std::filesystem::path user = fml::wchar2utf8(user_folder);
  std::filesystem::create_directories(user.parent_path(), ignored);
  ::mkdir(user.c_str(), 0700);
  ::mkdir((user / "logs").c_str(), 0700);
  for (const wchar_t* name : {L"defaultquotes.xml", L"defaulttags.xml", L"parvela.fdb"}) {
    std::wstring source = join_path(common_folder, name);
    std::wstring target = join_path(user_folder, name);
    if (file_exists(target) || !file_exists(source)) continue;
    std::filesystem::path target_path = fml::wchar2utf8(target);
    std::filesystem::copy_file(fml::wchar2utf8(source), target_path, ignored);
    std::filesystem::permissions(target_path, std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_write,
                                 ignored);
  }
}

}  // namespace pvl
