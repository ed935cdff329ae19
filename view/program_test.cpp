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
    std::filesystem::path res;
    Lines app, debug;
  } cases[] = {
      {std::filesystem::path(PARVELA_SOURCE_DIR) / "res",
       {"model - created.", "controller - created.", "ResourceMgr - created.", "view - created.",
        "view - deleted.", "ResourceMgr - deleted.", "controller - deleted.", "model - deleted."},
       {"Model init", "Controller init", "ResourceMgr init", "view init", "veiw destruct",
        "ResourceMgr destruct", "Controller destruct", "Model destruct"}},
      {empty.path(),
       {"model - created.", "controller - created.", "ResourceMgr - created.",
        "ResourceMgr - deleted.", "controller - deleted.", "model - deleted."},
       {"Model init", "Controller init", "ResourceMgr init", "ResourceMgr destruct",
        "Controller destruct", "Model destruct"}},
  };
  for (const auto& c : cases) {
    controller_testing::program_folders env;
    try {
      program objects(nullptr, c.res.wstring());
      EXPECT_EQ(&model(), &objects.model());
      EXPECT_EQ(&controller(), &objects.controller());
      EXPECT_EQ(&resource_mgr(), &objects.resources());
      EXPECT_EQ(&view(), &objects.view());
      model().on_model_event(model_events::initial_load{});
      EXPECT_TRUE(view().document().root().select_first("[id='q-2']"));  // the page shows it
    } catch (const resource_not_found_error&) {
      EXPECT_EQ(c.res, empty.path());
    }
    EXPECT_THROW(model(), fml::exception);
    EXPECT_THROW(view(), fml::exception);
    Lines app, debug;
    for (const std::string& line : env.collection.new_lines("app"))
      if (line.rfind("Singleton: ", 0) == 0) app.push_back(line.substr(11));
    for (const std::string& line : env.collection.new_lines("debug"))
      if (line.ends_with(" init") || line.ends_with(" destruct")) debug.push_back(line);
    EXPECT_EQ(app, c.app) << c.res;
    EXPECT_EQ(debug, c.debug) << c.res;
  }
}

}  // namespace
}  // namespace pvl
