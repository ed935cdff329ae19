// The program's main view without the model, for tests, tools and
// benchmarks that show the real main page: a temporary data folder with the
// logs, the source's "data" as program folder, the controller, the resource
// store of the source's "res", and the view, filled through its view events
// with the default collection (or any quotes).
#pragma once

#include <filesystem>
#include <optional>
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
  // The folders and logs, first made and last undone.
  struct folders {
    folders() {
      std::filesystem::create_directories(data.path() / "logs");
      tinyfilesystem::set_app_dir(L"DataDir", data.wstr());
      fml::set_log_folder(data.wstr());
      tinyfilesystem::set_app_dir(L"ParvelaDir", (source() / "data").wstring());
      for (const char* id : {"app", "debug", "cntrl", "model", "logic", "events", "profile"})
        fml::reglog(id, L"logs/" + std::wstring(id, id + std::char_traits<char>::length(id)) +
                            L".log");
    }
    ~folders() {
      fml::close_logs();
      tinyfilesystem::set_app_dir(L"DataDir", L"");
      tinyfilesystem::set_app_dir(L"ParvelaDir", L"");
    }
    testing_support::temp_dir data;
  } folders_;
  instance<pvcontroller> controller_;

 public:
  view_env() : resources((source() / "res").wstring()), view(*resources) {}
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
    shown = quotes;
    std::vector<int32_t> ids;
    for (const Quote& quote : quotes) ids.push_back(quote.m_id);
    view->on_view_event(view_events::vupdate_quotes{ids, read});
  }

  // The quotes last shown, which the view reads its cards from.
  std::vector<Quote> shown;
  const quote_reader read = [this](int32_t id) -> std::optional<Quote> {
    for (const Quote& quote : shown)
      if (quote.m_id == id) return quote;
    return std::nullopt;
  };

  std::vector<Tag> tags;
  instance<ResourceMgr> resources;
  instance<pvview> view;
};

}  // namespace pvl::testing
