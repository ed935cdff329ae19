// What the controller's tests run on: the real model on a test collection, a program folder
// with the shipped DragMgr.xml, and a view recorder. program_window.h uses the folders alone.
#pragma once

#include <filesystem>

#include "model/model_instance.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "tinyfilesystem/app_dirs.h"

namespace controller_testing {

class program_folders {
 public:
  program_folders() {
    const std::filesystem::path program_dir = collection.root() / "program";
    std::filesystem::create_directories(program_dir);
    std::filesystem::copy_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "data" / "DragMgr.xml",
                               program_dir / "DragMgr.xml");
    tinyfilesystem::set_app_dir(L"ParvelaDir", program_dir.wstring());
  }

  model_testing::test_collection collection;
};

class controller_env : public program_folders {
 public:
  controller_env() { model->set_view(&recorder); }

  model_testing::view_recorder recorder;
  pvl::instance<pvl::pvlModel> model;
};

}  // namespace controller_testing
