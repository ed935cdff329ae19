// What the controller's tests run on: the real model (the process's model()
// while the object exists) on a collection in a temporary folder (three tags
// and four quotes, see model/testing), a program folder ("ParvelaDir")
// holding the shipped DragMgr.xml, and a recorder of the view events the
// model sends. The folders alone (program_folders) serve the tests that run
// the whole program (view/testing/program_window.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/model_instance.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace controller_testing {

// One interaction of a configuration file.
inline std::string interaction(const std::string& source, const std::string& target,
                               const std::string& action) {
  return "<i><source " + source + "/><target " + target + "/><action>" + action + "</action></i>";
}

class program_folders {
 public:
  program_folders() {
    const std::filesystem::path program_dir = collection.root() / "program";
    std::filesystem::create_directories(program_dir);
    std::filesystem::copy_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "data" / "DragMgr.xml",
                               program_dir / "DragMgr.xml");
    tinyfilesystem::set_app_dir(L"ParvelaDir", program_dir.wstring());
  }

  // The ids of the model events handled since the last mark_logs(), from
  // the model's "model event N" lines in "debug".
  std::vector<int> model_events() const {
    std::vector<int> ids;
    for (const std::string& line : collection.new_lines("debug")) {
      if (line.rfind("model event ", 0) == 0) ids.push_back(std::stoi(line.substr(12)));
    }
    return ids;
  }

  model_testing::test_collection collection;
};

class controller_env : public program_folders {
 public:
  controller_env() { model->set_view(&recorder); }

  model_testing::view_recorder recorder;
  pvl::instance<pvl::pvlModel> model;
};

// A page like the main window showing the collection of controller_env, with
// the view's ids and classes: the search bar with tag 1 in it, the bin, the
// tag list with tags 1 to 3 and the quote list with quotes 4 to 1 (quote 2
// carries tags 3 and 1, quote 3 tag 2), then a div whose id has no "-" and a
// p without id.
inline std::string window_page() {
  std::string tags, quotes;
  for (int id : {1, 2, 3})
    tags += "<tr><td><div class=vtag id=vt-" + std::to_string(id) + ">tag</div></td></tr>";
  for (int id : {4, 3, 2, 1}) {
    const std::string n = std::to_string(id);
    quotes += "<tr><td><div class=quote id=q-" + n + "><table><tr><td>";
    for (int tag : id == 2 ? std::vector<int>{3, 1} : id == 3 ? std::vector<int>{2} : std::vector<int>{})
      quotes += "<div class=qtag id=qt-" + n + "-" + std::to_string(tag) + ">tag</div>";
    quotes += "</td></tr></table></div></td></tr>";
  }
  return "<html><body><div class=searchbar id=p-searchbar><div class=stag id=st-1>alpha</div></div>"
         "<div class=recycled id=bin>bin</div><table id=taglist>" + tags +
         "</table><table id=thequotelist>" + quotes + "</table><div id=tag7></div><p>no id</p></body></html>";
}

}  // namespace controller_testing
