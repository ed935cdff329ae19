#include "fml/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ext/stdio_filebuf.h>
#include <map>
#include <memory>
#include <set>

#include "fml/exception.h"
#include "fml/message.h"
#include "fml/text.h"

namespace fml {

namespace {

int& held_flushes() {
  static int count = 0;
  return count;
}

// A file buffer whose flush waits while flushes are held.
class log_buffer : public __gnu_cxx::stdio_filebuf<char> {
 public:
  using stdio_filebuf::stdio_filebuf;
  // Writes out what waits, held or not.
  void write_out() { stdio_filebuf::sync(); }

 protected:
  int sync() override { return held_flushes() > 0 ? 0 : stdio_filebuf::sync(); }
};

struct log_file {
  explicit log_file(int fd) : buffer(fd, std::ios::out), stream(&buffer) {}
  log_buffer buffer;  // owns and closes the descriptor
  std::ostream stream;
};

using registry = std::map<std::string, std::unique_ptr<log_file>>;

std::unique_ptr<registry>& registry_instance() {
  static std::unique_ptr<registry> instance;
  return instance;
}

// The ids close_logs() closed (until they are registered again): code that
// runs late in the program's end, destructors among it, still writes to
// them, and what it writes is dropped.
std::set<std::string>& closed_ids() {
  static std::set<std::string> ids;
  return ids;
}

std::wstring& log_folder() {
  static std::wstring folder;
  return folder;
}

registry& logs() {
  auto& instance = registry_instance();
  if (!instance) instance = std::make_unique<registry>();
  return *instance;
}

}  // namespace

void set_log_folder(const std::wstring& folder) { log_folder() = folder; }

void reglog(const std::string& id, const std::wstring& file) {
  registry& table = logs();
  closed_ids().erase(id);
  if (table.count(id)) throw reglog_error("log with id=" + id + ", is always register");

  const std::wstring& folder = log_folder();
  const bool separated = folder.empty() || folder.back() == L'/';
  std::string path = wchar2utf8(separated ? folder + file : folder + L"/" + file);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw cannot_open_log_error("cannot_open_log " + path + system_error_text());
  // A file left by an older run keeps its mode; quotes are private text.
  ::fchmod(fd, 0600);
  table[id] = std::make_unique<log_file>(fd);
}

std::ostream& getlog(const std::string& id) {
  registry& table = logs();
  auto it = table.find(id);
  if (it == table.end() && closed_ids().count(id)) {
    // No buffer: every write fails quietly.
    static std::ostream discarded(nullptr);
    return discarded;
  }
  if (it == table.end()) throw getlog_error("log with id=" + id + ", is not register");
  return it->second->stream;
}

held_log_flushes::held_log_flushes() { ++held_flushes(); }

held_log_flushes::~held_log_flushes() {
  if (--held_flushes() > 0 || !registry_instance()) return;
  for (auto& [id, file] : *registry_instance()) file->buffer.write_out();
}

void close_logs() {
  auto& instance = registry_instance();
  if (!instance) return;
  for (auto& [id, file] : *instance) {
    file->buffer.write_out();
    closed_ids().insert(id);
  }
  instance.reset();
}

}  // namespace fml
