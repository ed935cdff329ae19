// The whole program on a temporary collection, set up and taken down by one
// object: the folders of the controller's tests (three tags, four quotes;
// quote 2 carries tags 3 and 1, quote 3 tag 2; the shipped DragMgr.xml), the
// program's objects (view/program.h) over the source's "res", the
// collection loaded into the page, and `clipboard` (UTF-8) as the model's
// clipboard. The logs are marked after the load. Needs PARVELA_SOURCE_DIR.
#pragma once

#include <filesystem>
#include <string>

#include "controller/testing/controller_env.h"
#include "fml/text.h"
#include "model/model_event.h"
#include "view/program.h"

namespace pvl::testing {

class test_program {
 public:
  test_program()
      : objects(
            [this](const std::wstring& text) {
              clipboard = fml::wchar2utf8(text);
              return true;
            },
            (std::filesystem::path(PARVELA_SOURCE_DIR) / "res").wstring()) {
    objects.model().on_model_event(model_events::initial_load{});
    env.collection.mark_logs();
  }

  controller_testing::program_folders env;
  std::string clipboard;
  program objects;
};

}  // namespace pvl::testing
