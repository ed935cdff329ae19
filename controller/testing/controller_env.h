// What the controller's tests run on: the real model (the process's model()
// while the object exists) on a collection in a temporary folder (three tags
// and four quotes, see model/testing), a program folder ("ParvelaDir")
// holding a DragMgr.xml, and a recorder of the view events the model sends.
// Nothing touches the real home folder. The folders alone (program_folders)
// serve the tests that run the whole program (view/testing/program_window.h).
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

// The configuration the program ships.
inline std::string shipped_drag_config() {
  return testing_support::read_file(std::filesystem::path(PARVELA_SOURCE_DIR) / "data" /
                                    "DragMgr.xml");
}

// One interaction of a configuration file.
inline std::string interaction(const std::string& source, const std::string& target,
                               const std::string& action) {
  return "<i><source " + source + "/><target " + target + "/><action>" + action + "</action></i>";
}

class program_folders {
 public:
  explicit program_folders(const std::string& drag_config = shipped_drag_config()) {
    std::filesystem::create_directories(program_dir());
    set_drag_config(drag_config);
    tinyfilesystem::set_app_dir(L"ParvelaDir", program_dir().wstring());
  }

  program_folders(const program_folders&) = delete;
  program_folders& operator=(const program_folders&) = delete;

  std::filesystem::path program_dir() const { return collection.root() / "program"; }
  void set_drag_config(const std::string& xml) const {
    testing_support::write_file(program_dir() / "DragMgr.xml", xml);
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
  explicit controller_env(const std::string& drag_config = shipped_drag_config())
      : program_folders(drag_config) {
    model->set_view(&recorder);
  }

  model_testing::view_recorder recorder;
  pvl::instance<pvl::pvlModel> model;
};

// Markup as the view builds it: the id and class scheme and the nesting of a
// quote (div.quote > table > rows; the tags in the first cell of the third
// row).
inline std::string quote_html(int id, const std::vector<int>& tags = {}) {
  std::string n = std::to_string(id);
  std::string html = "<div class=\"quote\" id=\"q-" + n +
                     "\"><table class=\"qtable\"><tr><td colspan=3><div class=\"title\"></div>"
                     "</td></tr><tr><td class=\"text\" colspan=3>text " +
                     n + "</td></tr><tr><td class=\"links\">";
  for (int tag : tags) {
    html += "<div class=\"qtag\" id=\"qt-" + n + "-" + std::to_string(tag) + "\">tag</div>";
  }
  html +=
      "</td><td class=\"managecell\"><button class=\"managetags\" menu=\"manage-tags\">"
      "Manage...</button></td><td class=\"timestamp\">2008-3-7  9:5:3</td></tr></table></div>";
  return html;
}

inline std::string vtag_html(int id) {
  return "<div class=\"vtag\" id=\"vt-" + std::to_string(id) + "\">tag</div>";
}

inline std::string row_html(const std::string& fragment) {
  return "<tr><td>" + fragment + "</td></tr>";
}

// A page like the main window showing the collection of controller_env:
// the search bar with tag 1 in it, the bin, the tag list with tags 1 to 3
// and the quote list with quotes 4 to 1 (quote 2 carries tags 3 and 1,
// quote 3 tag 2), then a div whose id has no "-" and a p without id.
// `quote_table_attributes` go into the quote list's table tag.
inline std::string window_page(const std::string& quote_table_attributes = "") {
  std::string tags, quotes;
  for (int id : {1, 2, 3}) tags += row_html(vtag_html(id));
  for (int id : {4, 3, 2, 1}) {
    std::vector<int> marks = id == 2   ? std::vector<int>{3, 1}
                             : id == 3 ? std::vector<int>{2}
                                       : std::vector<int>{};
    quotes += row_html(quote_html(id, marks));
  }
  return "<html><body><div class=\"searchbar\" id=\"p-searchbar\">"
         "<div class=\"stag\" id=\"st-1\">alpha</div></div>"
         "<div class=\"recycled\" id=\"bin\">bin</div>"
         "<table id=\"taglist\">" +
         tags + "</table><table id=\"thequotelist\" " + quote_table_attributes + ">" + quotes +
         "</table><div id=\"tag7\"></div><p>no id</p></body></html>";
}

}  // namespace controller_testing
