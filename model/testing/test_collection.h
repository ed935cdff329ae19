// A collection in a temporary folder for the model's tests: $XDG_DATA_HOME, "DataDir" and the
// logs point into it, so nothing touches the real home folder. Removed with the object.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fml/log.h"
#include "tests/support/temp_dir.h"
#include "tinyfilesystem/app_dirs.h"

namespace model_testing {

// Default files with three tags and four quotes; quote 2 carries tags 3, 1.
inline const char kTagsXml[] =
    R"(<tags><tag id="1" name="alpha"/><tag id="2" name="beta"/><tag id="3" name="gamma"/></tags>)";
inline const char kQuotesXml[] =
    R"(<quotes><quote id="1" text="one"/><quote id="2" text="two"><tag id="3"/><tag id="1"/></quote>)"
    R"(<quote id="3" text="three"><tag id="2"/></quote><quote id="4" text="four"/></quotes>)";

class test_collection {
 public:
  test_collection() {
    std::filesystem::create_directories(data_dir() / "logs");
    setenv("XDG_DATA_HOME", (root_.path() / "data").c_str(), 1);
    tinyfilesystem::set_app_dir(L"DataDir", data_dir().wstring());
    fml::set_log_folder(data_dir().wstring());
    for (auto& [id, file] : kLogs) fml::reglog(id, L"logs/" + std::wstring(file.begin(), file.end()));
    write_defaults(kTagsXml, kQuotesXml);
  }
  ~test_collection() { fml::close_logs(); }
  test_collection(const test_collection&) = delete;

  std::filesystem::path data_dir() const { return root_.path() / "data" / "Parvela"; }
  std::filesystem::path db_file() const { return data_dir() / "parvela.fdb"; }
  std::filesystem::path root() const { return root_.path(); }

  void write_defaults(const std::string& tags_xml, const std::string& quotes_xml) const {
    testing_support::write_file(data_dir() / "defaulttags.xml", tags_xml);
    testing_support::write_file(data_dir() / "defaultquotes.xml", quotes_xml);
  }

  void mark_logs() {
    for (auto& [id, file] : kLogs) marks_[id] = log_text(id).size();
  }
  // The lines written to the log `id` ("debug", "logic", ...) since the last mark_logs().
  std::vector<std::string> new_lines(const std::string& id) const {
    std::istringstream text(log_text(id).substr(marks_.contains(id) ? marks_.at(id) : 0));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string log_text(const std::string& id) const {
    return testing_support::read_file(data_dir() / "logs" / kLogs.at(id));
  }

  inline static const std::map<std::string, std::string> kLogs = {
      {"app", "application.log"},  {"profile", "profile.log"},  {"debug", "debug.log"},
      {"events", "events.log"},    {"cntrl", "controller.log"}, {"model", "model.log"},
      {"logic", "logicevents.log"}};

  testing_support::temp_dir root_;
  std::map<std::string, size_t> marks_;
};

}  // namespace model_testing
