// The owner of the program's objects: their order, the accessors that show
// them and the connections it makes.
#include "view/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "controller/testing/controller_env.h"
#include "fml/app_errors.h"
#include "model/model_instance.h"
#include "tests/support/temp_dir.h"
#include "view/resource_mgr.h"
#include "view/view_instance.h"

namespace pvl {
namespace {

using Lines = std::vector<std::string>;

// A program over the source's user-interface files comes up in order and
// goes down in reverse; one whose view cannot load its page deletes what it
// had created, in reverse, and raises.
TEST(ProgramObjectsTest, CreatesInOrderAndDeletesInReverse) {
  const testing_support::temp_dir empty;
  const struct {
    std::filesystem::path resources;
    Lines lines;
  } cases[] = {
      {std::filesystem::path(PARVELA_SOURCE_DIR) / "res",
       {"Singleton: model - created.", "Singleton: controller - created.",
        "Singleton: ResourceMgr - created.", "Singleton: view - created.",
        "Singleton: view - deleted.", "Singleton: ResourceMgr - deleted.",
        "Singleton: controller - deleted.", "Singleton: model - deleted."}},
      {empty.path(),
       {"Singleton: model - created.", "Singleton: controller - created.",
        "Singleton: ResourceMgr - created.", "Singleton: ResourceMgr - deleted.",
        "Singleton: controller - deleted.", "Singleton: model - deleted."}},
  };
  for (const auto& c : cases) {
    controller_testing::program_folders env;
    try {
      program objects(nullptr, c.resources.wstring());
      EXPECT_EQ(&model(), &objects.model());
      EXPECT_EQ(&controller(), &objects.controller());
      EXPECT_EQ(&resource_mgr(), &objects.resources());
      EXPECT_EQ(&view(), &objects.view());
      // The model's events reach the page.
      model().on_model_event(model_event{model_events::initial_load, nullptr});
      EXPECT_TRUE(view().document().root().select_first("[id='q-2']"));
    } catch (const resource_not_found_error&) {
      EXPECT_EQ(c.resources, empty.path());
    }
    EXPECT_THROW(model(), fml::exception);
    EXPECT_THROW(controller(), fml::exception);
    EXPECT_THROW(resource_mgr(), fml::exception);
    EXPECT_THROW(view(), fml::exception);
    Lines singletons;
    for (const std::string& line : env.collection.new_lines("app"))
      if (line.rfind("Singleton: ", 0) == 0) singletons.push_back(line);
    EXPECT_EQ(singletons, c.lines) << c.resources;
  }
}

}  // namespace
}  // namespace pvl
