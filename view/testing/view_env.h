// The main page's view without the model, for tests, tools and benchmarks: a temporary collection's
// folders and logs, the source's "data" as program folder and "res" as resource store.
#pragma once

#include <tinyxml.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_instance.h"
#include "fml/text.h"
#include "model/records.h"
#include "model/testing/test_collection.h"
#include "model/view_event.h"
#include "tinyfilesystem/app_dirs.h"
#include "view/pvview.h"
#include "view/resource_mgr.h"

namespace pvl::testing {

inline std::vector<Tag> default_tags(const std::string& data_folder) {
  std::vector<Tag> tags;
  TiXmlDocument xml(data_folder + "/defaulttags.xml");
  for (auto* e = xml.LoadFile() ? xml.RootElement()->FirstChildElement() : nullptr; e;
       e = e->NextSiblingElement())
    tags.push_back({std::atoi(e->Attribute("id")), e->Attribute("name")});
  return tags;
}

class view_env {
  // Undoes the folders it names, so that no later test in the binary meets them.
  struct folders : model_testing::test_collection {
    folders() { tinyfilesystem::set_app_dir(L"ParvelaDir", (source() / "data").wstring()); }
    ~folders() {
      tinyfilesystem::set_app_dir(L"ParvelaDir", L"");
      tinyfilesystem::set_app_dir(L"DataDir", L"");
    }
  } folders_;
  instance<pvcontroller> controller_;

 public:
  view_env() : resources((source() / "res").wstring()), view(*resources) {}
  view_env(const view_env&) = delete;
  static std::filesystem::path source() { return PARVELA_SOURCE_DIR; }

  // Shows data/defaulttags.xml and data/defaultquotes.xml, every quote with one stamp.
  void show_default_collection() {
    const std::string data = (source() / "data").string();
    const std::vector<Tag> tags = default_tags(data);
    std::vector<Quote> quotes;
    TiXmlDocument xml(data + "/defaultquotes.xml");
    if (!xml.LoadFile()) return;
    for (auto* e = xml.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
      quotes.push_back({std::atoi(e->Attribute("id")), e->Attribute("text"), 1717750000, {}});
      for (auto* t = e->FirstChildElement(); t; t = t->NextSiblingElement())
        quotes.back().m_tags.push_back(tags.at(std::atoi(t->Attribute("id")) - 1));
    }
    show(tags, quotes);
  }
  void show(const std::vector<Tag>& all_tags, const std::vector<Quote>& quotes) {
    view->on_view_event(view_events::vupdate_tags{all_tags});
    shown = quotes;
    std::vector<int32_t> ids;
    for (const Quote& quote : quotes) ids.push_back(quote.m_id);
    view->on_view_event(view_events::vupdate_quotes{ids, read});
  }

  std::vector<Quote> shown;  // what `read` answers the view's cards from
  const quote_reader read = [this](int32_t id) -> std::optional<Quote> {
    for (const Quote& quote : shown)
      if (quote.m_id == id) return quote;
    return std::nullopt;
  };
  instance<ResourceMgr> resources;
  instance<pvview> view;
};

}  // namespace pvl::testing
