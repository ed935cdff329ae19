#include "shell/app_data.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "fml/app_errors.h"
#include "fml/text.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

// Copies `source` to `target` under a temporary name beside it and renames
// the copy into place only when it is complete and as long as the source:
// a start killed halfway, or a disk that fills up, leaves no partial file
// under the seed's name. Failures leave nothing behind.
void copy_seed(const std::filesystem::path& source, const std::filesystem::path& target) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path part = target;
  part += ".part";
  fs::remove(part, error);
  bool copied = fs::copy_file(source, part, error) &&
                fs::file_size(part, error) == fs::file_size(source, error) && !error;
  if (copied) {
    fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, error);
    fs::rename(part, target, error);
  }
  if (!copied || error) fs::remove(part, error);
}

}  // namespace

void prepare_app_data() {
  using namespace tinyfilesystem;
  std::wstring user_folder = join_path(user_app_data_folder(), L"Parvela");
  std::wstring common_folder = common_parvela_folder();
  if (dir_exists(user_folder)) return;
  if (!dir_exists(common_folder)) throw data_error("Application data not exists");

  // Failures here are not fatal: a missing logs folder is reported when the
  // logs are opened, and a seed file that did not copy is read from the
  // all-users folder when the collection is made.
  std::error_code ignored;
  std::filesystem::path user = fml::wchar2utf8(user_folder);
  std::filesystem::create_directories(user.parent_path(), ignored);
  ::mkdir(user.c_str(), 0700);
  ::mkdir((user / "logs").c_str(), 0700);
  for (const wchar_t* name : {L"defaultquotes.xml", L"defaulttags.xml", L"parvela.fdb"}) {
    std::wstring source = join_path(common_folder, name);
    std::wstring target = join_path(user_folder, name);
    if (file_exists(target) || !file_exists(source)) continue;
    copy_seed(fml::wchar2utf8(source), fml::wchar2utf8(target));
  }
}

}  // namespace pvl
