// The program's data folder for a benchmark that runs the model in process or
// starts the program on it: logs, empty seed files, and a collection file
// filled with `quotes` quotes and `tags` tags (see collection_file.h).
#pragma once

#include <filesystem>

#include "bench/collection_file.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace bench_support {

inline void make_data_folder(const std::filesystem::path& data, int quotes, int tags) {
  std::filesystem::create_directories(data / "logs");
  tinyfilesystem::set_app_dir(L"DataDir", data.wstring());
  fml::set_log_folder(data.wstring());
  for (const char* id : {"debug", "logic"}) fml::reglog(id, L"logs/" + fml::utf82wchar(id) + L".log");
  testing_support::write_file(data / "defaulttags.xml", "<tags/>");
  testing_support::write_file(data / "defaultquotes.xml", "<quotes/>");
  { pvl::logic schema_only; }
  fill_collection((data / "parvela.fdb").string(), quotes, tags);
}

}  // namespace bench_support
