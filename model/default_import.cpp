// The default collection a new (or emptied) collection starts with.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>
#include <tinyxml.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/text.h"
#include "model/logic.h"
#include "model/transaction.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"

namespace pvl {

namespace {

// The root element of the XML file at `path`. The file is only read, so a
// default file installed read-only imports as well.
const TiXmlElement& load_root(TiXmlDocument& document, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw read_xml_error(path);
  bool loaded = document.LoadFile(file, TIXML_DEFAULT_ENCODING);
  std::fclose(file);
  if (!loaded) throw read_xml_error(path);
  const TiXmlElement* root = document.RootElement();
  if (!root) throw read_xml_error(path + ": no root element");
  return *root;
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
  std::wstring quotes_file = join_path(data_dir, L"defaultquotes.xml");
  std::wstring tags_file = join_path(data_dir, L"defaulttags.xml");

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
      markQuote(id, id_attribute(utfpath, *tag));
    }
  }
}

}  // namespace pvl
