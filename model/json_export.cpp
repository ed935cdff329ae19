#include "model/json_export.h"

#include <cstdio>

namespace pvl {

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

namespace {

void append_names(std::string& out, const std::vector<Tag>& tags) {
  out += '[';
  for (size_t i = 0; i < tags.size(); ++i) {
    if (i > 0) out += ", ";
    append_json_string(out, tags[i].m_utfname);
  }
  out += ']';
}

}  // namespace

std::string export_json(const std::vector<Tag>& tags, const std::vector<Quote>& quotes) {
  // One allocation for the usual case: each quote's text plus its fields
  // and a few tag names.
  size_t expected = 64;
  for (const Quote& quote : quotes) expected += quote.m_utftext.size() + 96;
  std::string out;
  out.reserve(expected + expected / 8);
  out += "{\"parvela\": " + std::to_string(kJsonFormatVersion) + ",\n\"tags\": ";
  append_names(out, tags);
  out += ",\n\"quotes\": [";
  for (size_t i = 0; i < quotes.size(); ++i) {
    const Quote& quote = quotes[i];
    out += i == 0 ? "\n" : ",\n";
    out += "{\"id\": " + std::to_string(quote.m_id) + ", \"stamp\": " +
           std::to_string(quote.m_stamp) + ", \"text\": ";
    append_json_string(out, quote.m_utftext);
    out += ", \"tags\": ";
    append_names(out, quote.m_tags);
    out += '}';
  }
  out += "]}\n";
  return out;
}

std::string export_markdown(const std::vector<Quote>& quotes) {
  std::string out;
  for (const Quote& quote : quotes) {
    out += "> ";
    for (char c : quote.m_utftext) {
      out += c;
      if (c == '\n') out += "> ";
    }
    out += "\n";
    if (!quote.m_tags.empty()) {
      out += "\nTags: ";
      for (size_t i = 0; i < quote.m_tags.size(); ++i) {
        if (i > 0) out += ", ";
        out += quote.m_tags[i].m_utfname;
      }
      out += "\n";
    }
    out += "\n";
  }
  return out;
}

}  // namespace pvl
