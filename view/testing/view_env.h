// The program's main view without the rest of the program, for tests, tools
// and benchmarks that show the real main page: a temporary data folder with
// the seven logs, the program folder pointed at the source's "data" folder
// (its DragMgr.xml), the resource store read from the source's "res", and a
// pvview filled through its view events with the default collection (or
// with any quotes). Nothing touches the real home folder. Needs
// PARVELA_SOURCE_DIR.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "fml/log.h"
#include "model/view_event.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/pvview.h"
#include "view/resource_mgr.h"
#include "view/testing/default_collection.h"

namespace pvl::testing {

class view_env {
 public:
  view_env() {
    std::filesystem::create_directories(data_.path() / "logs");
    tinyfilesystem::set_app_dir(L"DataDir", data_.wstr());
    fml::set_log_folder(data_.wstr());
    tinyfilesystem::set_app_dir(L"ParvelaDir", (source() / "data").wstring());
    for (const char* id : {"app", "debug", "cntrl", "model", "logic", "events", "profile"})
      fml::reglog(id,
                  L"logs/" + std::wstring(id, id + std::char_traits<char>::length(id)) + L".log");
    resources = std::make_unique<ResourceMgr>((source() / "res").wstring());
    view = std::make_unique<pvview>(*resources);
  }
  ~view_env() {
    delete_controller();  // behaviours create it when the pointer moves over the lists
    view.reset();
    resources.reset();
    fml::close_logs();
    tinyfilesystem::set_app_dir(L"DataDir", L"");
    tinyfilesystem::set_app_dir(L"ParvelaDir", L"");
  }
  view_env(const view_env&) = delete;
  view_env& operator=(const view_env&) = delete;

  static std::filesystem::path source() { return PARVELA_SOURCE_DIR; }

  // Shows the default collection: all its tags and all its quotes.
  void show_default_collection() {
    tags = default_tags((source() / "data").string());
    show(tags, default_quotes((source() / "data").string(), tags));
  }
  void show(const std::vector<Tag>& all_tags, const std::vector<Quote>& quotes) {
    view->on_view_event(view_events::vupdate_tags{all_tags});
    view->on_view_event(view_events::vupdate_quotes{quotes});
  }

  std::vector<Tag> tags;
  std::unique_ptr<ResourceMgr> resources;
  std::unique_ptr<pvview> view;

 private:
  testing_support::temp_dir data_;
};

}  // namespace pvl::testing
