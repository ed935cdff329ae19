// The process-wide registry of named log files. Start-up names the folder
// the logs live in, then registers each log under a short id; any code then
// writes lines to getlog(id) and ends each with std::endl, which flushes it.
// Files are recreated empty at each start and are readable by the user alone.
#pragma once

#include <ostream>
#include <string>

namespace fml {

// The folder that the names given to reglog() are relative to (the program's
// data folder). Until it is set, names are relative to the working folder.
void set_log_folder(const std::wstring& folder);

// Creates (truncating) the file `file`, relative to the log folder, and
// registers its stream under `id`. Raises reglog_error when the id is
// registered already and cannot_open_log_error when the file cannot be
// created.
void reglog(const std::string& id, const std::wstring& file);

// The stream registered under `id`. Raises getlog_error when there is none;
// an id that close_logs() closed is no error: it gives a stream that drops
// what is written, so that code running late in the program's end (after
// the logs are closed) never fails for want of its log.
std::ostream& getlog(const std::string& id);

// Flushes and closes every log and empties the registry.
void close_logs();

// While one exists, std::endl on a log does not write it out: the lines wait
// in the log's buffer (which writes itself out when full) until the last
// one ends, which writes every log. For a burst of many short lines, such as
// the deletion of 100,000 quotes, where a write per line would cost more
// than the work itself.
class held_log_flushes {
 public:
  held_log_flushes();
  ~held_log_flushes();
  held_log_flushes(const held_log_flushes&) = delete;
  held_log_flushes& operator=(const held_log_flushes&) = delete;
};

}  // namespace fml
