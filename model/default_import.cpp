// The default collection a new (or emptied) collection starts with.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>
#include <tinyxml.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string_view>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/message.h"
#include "fml/text.h"
#include "fml/xml_depth.h"
#include "model/logic.h"
#include "model/transaction.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

std::string line_text(int line) { return "line " + std::to_string(line) + ": "; }

// Reads the XML file at `path` into `document`. Returns what is wrong with
// it, or "" when it loaded and has a root element. The file is only read, so
// a default file installed read-only imports as well.
std::string load(TiXmlDocument& document, const std::string& path) {
  std::string text;
  {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) return "cannot be read: " + fml::system_error_text();
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, count);
    if (std::ferror(file.get())) return "cannot be read: " + fml::system_error_text();
  }
  if (text.empty()) return "the file is empty";
  if (int line = fml::first_non_utf8_line(text)) return line_text(line) + "the text is not UTF-8";
  if (int line = fml::xml_too_deep_line(text)) {
    return line_text(line) + "elements nest more than " + std::to_string(fml::kMaxXmlDepth) +
           " deep";
  }
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (document.ErrorId() == TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY) return "no XML element in it";
  if (document.Error()) {
    return "line " + std::to_string(document.ErrorRow()) + ", column " +
           std::to_string(document.ErrorCol()) + ": " + document.ErrorDesc();
  }
  if (!document.RootElement()) return "no root element";
  return "";
}

// The root element of the XML file at `path`; raises read_xml_error
// ("<path>: <what is wrong>") when there is none.
const TiXmlElement& load_root(TiXmlDocument& document, const std::string& path) {
  std::string wrong = load(document, path);
  if (!wrong.empty()) throw read_xml_error(path + ": " + wrong);
  return *document.RootElement();
}

// The default file `name` to import: the copy in the user's data folder, or
// the installed one when that copy is missing, empty or cannot be read as
// XML (a first start that was cut short, a folder made by hand) and the
// installed one can. Otherwise the user's copy, whose fault is then reported.
std::wstring seed_file(const std::wstring& data_dir, const wchar_t* name) {
  using tinyfilesystem::join_path;
  std::wstring own = join_path(data_dir, name);
  TiXmlDocument document;
  std::string wrong = load(document, fml::wchar2utf8(own));
  if (wrong.empty()) return own;
  const std::wstring common = tinyfilesystem::common_parvela_folder();
  if (common.empty()) return own;
  std::wstring installed = join_path(common, name);
  TiXmlDocument other;
  if (installed == own || !load(other, fml::wchar2utf8(installed)).empty()) return own;
  fml::getlog("logic") << fml::wchar2utf8(own) << ": " << wrong << "; reading "
                       << fml::wchar2utf8(installed) << " instead" << std::endl;
  return installed;
}

[[noreturn]] void invalid(const std::string& path, const TiXmlElement& element,
                          const std::string& what) {
  throw read_xml_error(path + ": line " + std::to_string(element.Row()) + ": " + what);
}

const char* required_attribute(const std::string& path, const TiXmlElement& element,
                               const char* name) {
  const char* value = element.Attribute(name);
  if (!value) invalid(path, element, "<" + element.ValueStr() + "> has no \"" + name + "\"");
  return value;
}

// The "id" attribute read as the C library's atoi reads it: leading white
// space, an optional sign, digits; text that starts otherwise gives 0.
int32_t id_attribute(const std::string& path, const TiXmlElement& element) {
  const char* text = required_attribute(path, element, "id");
  errno = 0;
  long value = std::strtol(text, nullptr, 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
    invalid(path, element, std::string("id \"") + text + "\" is out of range");
  }
  return static_cast<int32_t>(value);
}

// Attribute values are UTF-8 after TinyXML's decoding; they pass through the
// program's conversions so that what is stored is always valid UTF-8.
std::string stored_text(const char* value) { return fml::wchar2utf8(fml::utf82wchar(value)); }

bool is_duplicate_id(const SQLite::Exception& error) {
  return error.getExtendedErrorCode() == SQLITE_CONSTRAINT_UNIQUE;
}

}  // namespace

void logic::createDB() {
  using tinyfilesystem::join_path;
  const std::wstring& data_dir = tinyfilesystem::app_dir(L"DataDir");
  std::wstring quotes_file = seed_file(data_dir, L"defaultquotes.xml");
  std::wstring tags_file = seed_file(data_dir, L"defaulttags.xml");

  // One transaction: a failed import leaves the collection empty, so that the
  // next start tries again.
  transaction import(*db_);
  importTags(tags_file);
  importQuotes(quotes_file);
  import.commit();
  fml::getlog("logic") << "creating DB" << std::endl;
}

void logic::importTags(const std::wstring& path) {
  std::string utfpath = fml::wchar2utf8(path);
  TiXmlDocument document;
  const TiXmlElement& root = load_root(document, utfpath);
  for (const TiXmlElement* tag = root.FirstChildElement(); tag; tag = tag->NextSiblingElement()) {
    int32_t id = id_attribute(utfpath, *tag);
    const char* name = required_attribute(utfpath, *tag, "name");
    try {
      insertTag(id, stored_text(name));
    } catch (const SQLite::Exception& error) {
      if (!is_duplicate_id(error)) throw;
      invalid(utfpath, *tag, "tag id " + std::to_string(id) + " is given twice");
    }
  }
}

void logic::importQuotes(const std::wstring& path) {
  std::string utfpath = fml::wchar2utf8(path);
  TiXmlDocument document;
  const TiXmlElement& root = load_root(document, utfpath);
  for (const TiXmlElement* quote = root.FirstChildElement(); quote;
       quote = quote->NextSiblingElement()) {
    int32_t id = id_attribute(utfpath, *quote);
    const char* text = required_attribute(utfpath, *quote, "text");
    try {
      insertQuote(id, stored_text(text), current_stamp());
    } catch (const SQLite::Exception& error) {
      if (!is_duplicate_id(error)) throw;
      invalid(utfpath, *quote, "quote id " + std::to_string(id) + " is given twice");
    }
    for (const TiXmlElement* tag = quote->FirstChildElement(); tag;
         tag = tag->NextSiblingElement()) {
      int32_t tag_id = id_attribute(utfpath, *tag);
      try {
        markQuote(id, tag_id);
      } catch (const wrong_tag_id&) {
        throw wrong_tag_id(std::to_string(tag_id) + ": " + utfpath + ": " + line_text(tag->Row()) +
                           "quote " + std::to_string(id) + " carries tag " +
                           std::to_string(tag_id) + ", which is not among the default tags");
      }
    }
  }
}

}  // namespace pvl
