#include "shell/commands.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "fml/log.h"
#include "fml/text.h"
#include "model/collection_file.h"
#include "model/export_texts.h"
#include "model/json_export.h"
#include "model/json_import.h"
#include "model/transaction.h"
#include "shell/app_data.h"
#include "shell/single_instance.h"
#include "shell/text_to_capture.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

using A = command_line::action;

// True when a Parvela instance listens on its socket in `folder`. Connecting
// and closing at once costs the instance nothing: it reads the end at once.
bool instance_listening(const std::string& folder) {
  std::string path = folder + "/parvela.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool listening = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return listening;
}

bool changes_collection(A what) { return what == A::add || what == A::import_quotes; }

// The user's data folder as the program sets it up at start, with logs of
// the command's own, so that a command never empties the program's logs.
std::wstring prepare_data_folder() {
  prepare_app_data();
  using tinyfilesystem::join_path;
  std::wstring folder = join_path(tinyfilesystem::user_app_data_folder(), L"Parvela");
  tinyfilesystem::set_app_dir(L"DataDir", folder);
  fml::set_log_folder(folder);
  std::string logs = fml::wchar2utf8(join_path(folder, L"logs"));
  ::mkdir(logs.c_str(), 0700);
  fml::reglog("debug", L"logs/command_debug.log");
  fml::reglog("logic", L"logs/command_logic.log");
  return folder;
}

// The id of the tag named `name`, or nullopt.
std::optional<int32_t> tag_named(const std::vector<Tag>& tags, const std::string& name) {
  for (const Tag& tag : tags) {
    if (tag.m_utfname == name) return tag.m_id;
  }
  return std::nullopt;
}

// Sets the store's tag search to `line`'s tags; false (reported) when one
// is not stored.
bool set_search(logic& store, const command_line& line, std::ostream& err) {
  store.clearSearchTags();
  store.setSearchMode(line.any ? logic::kSearchOr : logic::kSearchAnd);
  std::vector<Tag> tags = store.tags();
  for (const std::string& name : line.tags) {
    std::optional<int32_t> id = tag_named(tags, name);
    if (!id) {
      err << "parvela: no tag named \"" << name << "\"\n";
      return false;
    }
    store.addSearchTag(*id);
  }
  return true;
}

bool refuse_search(const command_line& line, std::ostream& err) {
  if (!line.search) return false;
  err << "parvela: word search is not available yet\n";
  return true;
}

std::string one_line(const std::string& text) {
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  return line;
}

std::string text_list(const std::vector<Quote>& quotes) {
  std::string out;
  for (const Quote& quote : quotes) {
    out += std::to_string(quote.m_id) + "\t" + one_line(quote.m_utftext);
    if (!quote.m_tags.empty()) {
      out += "\t[";
      for (size_t i = 0; i < quote.m_tags.size(); ++i) {
        out += (i > 0 ? ", " : "") + quote.m_tags[i].m_utfname;
      }
      out += "]";
    }
    out += "\n";
  }
  return out;
}

int written(std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return kCommandDone;
  err << "parvela: cannot write the output\n";
  return kCommandFailed;
}

int import_command(const std::wstring& folder, const command_line& line, std::ostream& out,
                   std::ostream& err) {
  std::ifstream file(line.file, std::ios::binary);
  if (!file) {
    err << "parvela: " << line.file << ": " << std::strerror(errno) << "\n";
    return kCommandFailed;
  }
  std::string json((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The file is opened without the program's open sequence, which would
  // fill an empty collection with the default quotes before the import.
  std::string path = fml::wchar2utf8(tinyfilesystem::join_path(folder, L"parvela.fdb"));
  std::unique_ptr<SQLite::Database> db = open_collection(path);
  import_counts counts = import_json(*db, json, line.merge);
  out << "imported " << counts.quotes_added << " quotes, " << counts.tags_added << " new tags";
  if (line.merge) out << ", skipped " << counts.quotes_skipped << " quotes already stored";
  out << "\n";
  return written(out, err);
}

}  // namespace

int add_command(logic& store, const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err) {
  std::string bytes;
  if (!line.text || *line.text == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    bytes = *line.text;
  }
  std::string text = text_to_capture(bytes, false);
  if (text.empty()) {
    err << "parvela: nothing to add: the text is empty or only white space\n";
    return kCommandFailed;
  }
  // The quote and its tags are stored together or not at all.
  transaction adding(store.database());
  int32_t id = store.storeQuote(text, current_stamp(), kCollectionLockWaitMs);
  for (const std::string& name : line.tags) {
    std::optional<int32_t> tag = tag_named(store.tags(), name);
    if (!tag) tag = store.addTag(fml::utf82wchar(name));
    store.markQuote(id, *tag);
  }
  adding.commit();
  out << id << "\n";
  return written(out, err);
}

int list_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err) {
  if (refuse_search(line, err)) return kCommandFailed;
  if (!set_search(store, line, err)) return kCommandFailed;
  std::vector<Quote> quotes;
  if (line.limit < 0) {
    quotes = store.search();
    std::reverse(quotes.begin(), quotes.end());
  } else {
    // Only the records shown are read: the ids come from the indexes alone,
    // and without tags only the newest `limit` of them.
    std::vector<int32_t> ids;
    if (line.tags.empty()) {
      SQLite::Statement newest(store.database(),
                               "SELECT m_id FROM quote ORDER BY rowid DESC LIMIT ?");
      newest.bind(1, static_cast<int64_t>(line.limit));
      while (newest.executeStep()) ids.insert(ids.begin(), newest.getColumn(0).getInt());
    } else {
      ids = store.searchIds();
    }
    for (auto id = ids.rbegin(); id != ids.rend() && static_cast<int64_t>(quotes.size()) < line.limit;
         ++id) {
      if (std::optional<Quote> quote = store.getQuote(*id)) quotes.push_back(std::move(*quote));
    }
  }
  if (line.format == "json") {
    out << export_json(store.tags(), quotes);
  } else if (line.format == "markdown") {
    out << export_markdown(quotes);
  } else {
    out << text_list(quotes);
  }
  return written(out, err);
}

int tags_command(logic& store, const command_line& line, std::ostream& out) {
  SQLite::Statement counted(store.database(),
                            "SELECT t.m_utfname, (SELECT count(*) FROM quote_tag l WHERE l.tag = t.m_id) "
                            "FROM tag t ORDER BY t.rowid");
  std::string text = line.format == "json" ? "[" : "";
  bool first = true;
  while (counted.executeStep()) {
    std::string name = counted.getColumn(0).getString();
    std::string count = std::to_string(counted.getColumn(1).getInt64());
    if (line.format == "json") {
      text += first ? "\n{\"name\": " : ",\n{\"name\": ";
      append_json_string(text, name);
      text += ", \"count\": " + count + "}";
    } else if (line.format == "markdown") {
      text += "- " + name + " (" + count + ")\n";
    } else {
      text += name + "\t" + count + "\n";
    }
    first = false;
  }
  if (line.format == "json") text += "]\n";
  out << text;
  return out.flush() ? kCommandDone : kCommandFailed;
}

int export_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err) {
  if (refuse_search(line, err)) return kCommandFailed;
  if (!set_search(store, line, err)) return kCommandFailed;
  // Table order, as the window exports, so that an import keeps the order.
  std::vector<Quote> quotes = store.search();
  std::string content;
  if (line.format == "html") {
    content = export_html(quotes);
  } else if (line.format == "markdown") {
    content = export_markdown(quotes);
  } else {
    content = export_json(store.tags(), quotes);
  }
  if (line.file == "-") {
    out << content;
    return written(out, err);
  }
  if (!write_file_replacing(fml::utf82wchar(line.file), content)) {
    err << "parvela: " << line.file << " could not be written (" << std::strerror(errno) << ")\n";
    return kCommandFailed;
  }
  return kCommandDone;
}

int run_command(const command_line& line, std::istream& in, std::ostream& out,
                std::ostream& err) {
  if (!line.error.empty()) {
    err << "parvela: " << line.error << "\n" << usage_text();
    return kCommandUsage;
  }
  if (line.what == A::help) {
    out << usage_text();
    return written(out, err);
  }
  if (line.what == A::version) {
    out << version_text() << "\n";
    return written(out, err);
  }
  if (changes_collection(line.what)) {
    // The seam for handing the command to the running instance.
    std::string folder = runtime_folder();
    if (!folder.empty() && instance_listening(folder)) {
      err << "parvela is running: quit it first (Exit in its tray menu); changing the "
             "collection through the running program is not available yet\n";
      return kCommandFailed;
    }
  }
  try {
    std::wstring folder = prepare_data_folder();
    if (line.what == A::import_quotes) return import_command(folder, line, out, err);
    logic store;
    switch (line.what) {
      case A::add:
        return add_command(store, line, in, out, err);
      case A::list:
        return list_command(store, line, out, err);
      case A::tags:
        return tags_command(store, line, out);
      case A::export_quotes:
        return export_command(store, line, out, err);
      default:
        return kCommandUsage;
    }
  } catch (const std::exception& error) {
    err << "parvela: " << error.what() << "\n";
    return kCommandFailed;
  }
}

}  // namespace pvl
