#include "fml/xml_depth.h"

namespace fml {

int xml_too_deep_line(std::string_view text, int max_depth) {
  int line = 1;
  int depth = 0;
  auto skip_to = [&](size_t from, std::string_view end) {
    size_t found = text.find(end, from);
    size_t stop = found == std::string_view::npos ? text.size() : found + end.size();
    for (size_t k = from; k < stop; ++k) line += text[k] == '\n';
    return stop;
  };
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '<') {
      line += text[i++] == '\n';
      continue;
    }
    std::string_view rest = text.substr(i);
    if (rest.starts_with("<!--")) {
      i = skip_to(i, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      i = skip_to(i, "]]>");
    } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
      i = skip_to(i, ">");
    } else if (rest.starts_with("</")) {
      // An end tag without its start tag is an error the parser stops at;
      // it must not hide the depth of what follows.
      if (depth > 0) --depth;
      i = skip_to(i, ">");
    } else {
      if (++depth > max_depth) return line;
      // To the tag's end, past quoted values that may hold '>'.
      size_t k = i + 1;
      char quote = 0;
      for (; k < text.size() && (quote || text[k] != '>'); ++k) {
        line += text[k] == '\n';
        if (quote) {
          if (text[k] == quote) quote = 0;
        } else if (text[k] == '"' || text[k] == '\'') {
          quote = text[k];
        }
      }
      if (k < text.size() && text[k - 1] == '/') --depth;
      i = k + 1;
    }
  }
  return 0;
}

int first_non_utf8_line(std::string_view text) {
  int line = 1;
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead == '\n') ++line;
    size_t length = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 0;
    if (length == 0 || i + length > text.size()) return line;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return line;
    }
    i += length;
  }
  return 0;
}

}  // namespace fml
