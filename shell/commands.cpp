#include "shell/commands.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "fml/log.h"
#include "fml/text.h"
#include "model/collection_file.h"
#include "model/export_texts.h"
#include "model/json_export.h"
#include "model/json_import.h"
#include "model/transaction.h"
#include "shell/app_data.h"
#include "shell/clipboard_keeper.h"
#include "shell/clipboard_reader.h"
#include "shell/command_client.h"
#include "shell/instance_client.h"
#include "shell/single_instance.h"
#include "shell/text_to_capture.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

using A = command_line::action;

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

// Keeps the store's search (the window's, in the running program) and puts
// it back when the command is done with the store.
class search_kept {
 public:
  explicit search_kept(logic& store)
      : store_(store), tags_(store.searchTags()), mode_(store.searchMode()),
        words_(store.searchWords()) {}
  ~search_kept() {
    try {
      store_.clearSearchTags();
      for (int32_t tag : tags_) store_.addSearchTag(tag);
      store_.setSearchMode(mode_);
      store_.setSearchWords(words_);
    } catch (const std::exception&) {
      // A search tag removed meanwhile stays out of the search.
    }
  }
  search_kept(const search_kept&) = delete;
  search_kept& operator=(const search_kept&) = delete;

 private:
  logic& store_;
  std::vector<int32_t> tags_;
  int32_t mode_;
  std::string words_;
};

// Sets the store's search to `line`'s tags and words; false (reported) when
// a tag is not stored.
bool set_search(logic& store, const command_line& line, std::ostream& err) {
  store.clearSearchTags();
  store.setSearchMode(line.any ? logic::kSearchOr : logic::kSearchAnd);
  store.setSearchWords(line.search.value_or(""));
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

int import_command(const std::wstring& folder, const command_line& line, std::istream& in,
                   std::ostream& out, std::ostream& err) {
  std::string json;
  if (!read_input(line.file, in, &json, err)) return kCommandFailed;
  // The file is opened without the program's open sequence, which would
  // fill an empty collection with the default quotes before the import.
  std::string path = fml::wchar2utf8(tinyfilesystem::join_path(folder, L"parvela.fdb"));
  std::unique_ptr<SQLite::Database> db = open_collection(path);
  out << import_report(import_json(*db, json, line.merge), line.merge);
  return written(out, err);
}

// The clipboard's text now, read as a capture reads it; false (reported)
// when there is none.
bool read_clipboard_now(std::string* text, std::ostream& err) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    err << "parvela: capture needs an X11 display: DISPLAY is not set\n";
    return false;
  }
  struct outcome {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::string text;
    std::string why = "The clipboard holds no text: nothing captured";
  } read;
  clipboard_reader::handlers on;
  on.text_read = [&read](std::string text) {
    std::lock_guard<std::mutex> lock(read.mutex);
    read.text = std::move(text);
  };
  on.nothing_read = [&read](const char* why) {
    std::lock_guard<std::mutex> lock(read.mutex);
    read.why = why;
  };
  on.finished = [&read](bool) {
    std::lock_guard<std::mutex> lock(read.mutex);
    read.finished = true;
    read.done.notify_all();
  };
  clipboard_reader reader(std::move(on));
  reader.read_now();
  std::unique_lock<std::mutex> lock(read.mutex);
  read.done.wait_for(lock, std::chrono::seconds(10), [&read] { return read.finished; });
  if (read.text.empty()) {
    err << "parvela: " << read.why << "\n";
    return false;
  }
  *text = std::move(read.text);
  return true;
}

// Stores `text` (as a capture keeps it) with `tags`, created as needed, in
// one transaction, and prints its id.
int store_new_quote(logic& store, const std::string& text, const std::vector<std::string>& tags,
                    std::ostream& out, std::ostream& err) {
  transaction adding(store.database());
  // The tag counter too may be behind another command's changes: it is read
  // again under the write lock.
  store.setMaxs();
  int32_t id = store.storeQuote(text, current_stamp(), kCollectionLockWaitMs);
  for (const std::string& name : tags) {
    std::optional<int32_t> tag = tag_named(store.tags(), name);
    if (!tag) tag = store.addTag(fml::utf82wchar(name));
    store.markQuote(id, *tag);
  }
  adding.commit();
  out << id << "\n";
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
    err << "parvela: " << kNothingToAdd << "\n";
    return kCommandFailed;
  }
  return store_new_quote(store, text, line.tags, out, err);
}

std::string import_report(const import_counts& counts, bool merge) {
  std::string report = "imported " + std::to_string(counts.quotes_added) + " quotes, " +
                       std::to_string(counts.tags_added) + " new tags";
  if (merge) report += ", skipped " + std::to_string(counts.quotes_skipped) + " quotes already stored";
  return report + "\n";
}

bool copy_text(logic& store, const command_line& line, std::wstring* text, std::ostream& err) {
  std::vector<Quote> quotes;
  for (int32_t id : line.ids) {
    std::optional<Quote> quote = store.getQuote(id);
    if (!quote) {
      err << "parvela: no quote with the id " << id << "\n";
      return false;
    }
    quotes.push_back(std::move(*quote));
  }
  if (quotes.size() == 1) {
    *text = line.with_tags ? copy_quote_with_data_text(quotes[0]) : copy_quote_text(quotes[0]);
  } else {
    *text = line.with_tags ? copy_quotes_with_data_text(quotes) : copy_quotes_text(quotes);
  }
  return true;
}

int list_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err) {
  search_kept window_search(store);
  if (!set_search(store, line, err)) return kCommandFailed;
  std::vector<Quote> quotes;
  if (line.limit < 0) {
    quotes = store.search();
    std::reverse(quotes.begin(), quotes.end());
  } else {
    // Only the records shown are read: the ids come from the indexes alone,
    // and without tags only the newest `limit` of them.
    std::vector<int32_t> ids;
    if (line.tags.empty() && !store.hasSearchWords()) {
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

std::optional<std::string> export_content(logic& store, const command_line& line,
                                          std::ostream& err) {
  search_kept window_search(store);
  if (!set_search(store, line, err)) return std::nullopt;
  // Table order, as the window exports, so that an import keeps the order.
  std::vector<Quote> quotes = store.search();
  if (line.format == "html") return export_html(quotes);
  if (line.format == "markdown") return export_markdown(quotes);
  return export_json(store.tags(), quotes);
}

int export_command(logic& store, const command_line& line, std::ostream& out, std::ostream& err) {
  std::optional<std::string> content = export_content(store, line, err);
  if (!content) return kCommandFailed;
  if (line.file == "-") {
    out << *content;
    return written(out, err);
  }
  return write_output_file(line.file, *content, err);
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
  // While Parvela runs, it carries the command out: the window then shows
  // what the command changes, and the collection has one writer.
  std::string runtime = runtime_folder();
  int instance = runtime.empty() ? -1 : connect_to_instance(runtime);
  if (instance >= 0) return ask_running_instance(instance, line, in, out, err);
  if (line.what == A::show || line.what == A::quit) {
    err << "parvela: Parvela is not running\n";
    return kCommandFailed;
  }
  try {
    std::wstring folder = prepare_data_folder();
    if (line.what == A::import_quotes) return import_command(folder, line, in, out, err);
    if (line.what == A::copy) {
      std::wstring text;
      {
        logic store;
        if (!copy_text(store, line, &text, err)) return kCommandFailed;
      }
      std::string failure = keep_on_clipboard(text);
      if (failure.empty()) return kCommandDone;
      err << "parvela: " << failure << "\n";
      return kCommandFailed;
    }
    std::string captured;
    if (line.what == A::capture && !read_clipboard_now(&captured, err)) return kCommandFailed;
    logic store;
    switch (line.what) {
      case A::capture:
        return store_new_quote(store, captured, {}, out, err);
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
