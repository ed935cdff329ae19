#include "htmlayout/dom/css.h"

#include <cctype>

namespace htmlayout {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Removes comments, keeping strings intact.
std::string strip_comments(std::string_view css) {
  std::string out;
  out.reserve(css.size());
  char quote = 0;
  for (size_t i = 0; i < css.size(); ++i) {
    char c = css[i];
    if (quote) {
      out += c;
      if (c == '\\' && i + 1 < css.size()) {
        out += css[++i];
      } else if (c == quote) {
        quote = 0;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      out += c;
    } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
      size_t end = css.find("*/", i + 2);
      if (end == std::string_view::npos) break;
      i = end + 1;
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

// Finds the first of `stops` at nesting level 0 (outside strings, parentheses
// and brackets) from `from`; npos when there is none.
size_t find_top_level(std::string_view s, size_t from, std::string_view stops) {
  int depth = 0;
  char quote = 0;
  for (size_t i = from; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(' || c == '[') {
      ++depth;
    } else if ((c == ')' || c == ']') && depth > 0) {
      --depth;
    } else if (depth == 0 && stops.find(c) != std::string_view::npos) {
      return i;
    }
  }
  return std::string_view::npos;
}

// The position after the block whose '{' is at `open` (or the end).
size_t skip_block(std::string_view s, size_t open) {
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    size_t next = find_top_level(s, i, "{}");
    if (next == std::string_view::npos) return s.size();
    i = next;
    if (s[i] == '{') {
      ++depth;
    } else if (--depth == 0) {
      return i + 1;
    }
  }
  return s.size();
}

// Drops leading and trailing white space and turns each run of white space
// outside quotes into one space. White space at the end goes even inside a
// string left open, so that a value read back after " !important" was taken
// off and written again ends the same way.
std::string collapse_space(std::string_view s) {
  std::string out;
  char quote = 0;
  bool pending_space = false;
  for (char c : s) {
    if (!quote && is_space(c)) {
      pending_space = true;
      continue;
    }
    if (pending_space && !out.empty()) out += ' ';
    pending_space = false;
    out += c;
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    }
  }
  while (!out.empty() && is_space(out.back())) out.pop_back();
  return out;
}

bool media_applies(std::string_view prelude) {
  std::string media = lower(prelude);
  if (media.find_first_not_of(" \t\r\n\f") == std::string::npos) return true;
  return media.find("screen") != std::string::npos || media.find("all") != std::string::npos;
}

void parse_rules(std::string_view css, bool (*wanted)(std::string_view),
                 std::vector<style_rule>& rules) {
  size_t i = 0;
  while (i < css.size()) {
    while (i < css.size() && is_space(css[i])) ++i;
    if (i >= css.size()) break;
    if (css[i] == '}') {  // stray closing brace
      ++i;
      continue;
    }
    if (css[i] == '@') {
      size_t stop = find_top_level(css, i, "{;");
      if (stop == std::string_view::npos) break;
      if (css[stop] == ';') {
        i = stop + 1;
        continue;
      }
      size_t end = skip_block(css, stop);
      std::string_view keyword = css.substr(i + 1);
      size_t name_end = 0;
      while (
          name_end < keyword.size() &&
          (std::isalnum(static_cast<unsigned char>(keyword[name_end])) || keyword[name_end] == '-'))
        ++name_end;
      if (lower(keyword.substr(0, name_end)) == "media" &&
          media_applies(css.substr(i + 1 + name_end, stop - i - 1 - name_end))) {
        size_t inner_end = end > stop + 1 ? end - 1 : stop + 1;
        parse_rules(css.substr(stop + 1, inner_end - stop - 1), wanted, rules);
      }
      i = end;
      continue;
    }
    size_t open = find_top_level(css, i, "{");
    if (open == std::string_view::npos) break;
    size_t end = skip_block(css, open);
    size_t close = end > open + 1 ? end - 1 : open + 1;
    std::string_view selector_text = css.substr(i, open - i);
    std::string_view body = css.substr(open + 1, close > open + 1 ? close - open - 1 : 0);
    i = end;

    std::vector<declaration> kept;
    for (declaration& d : parse_declarations(body))
      if (wanted(d.name)) kept.push_back(std::move(d));
    if (kept.empty()) continue;
    std::optional<selector_list> selectors = parse_selector(selector_text);
    if (!selectors) continue;
    for (complex_selector& s : selectors->alternatives) rules.push_back({std::move(s), kept});
  }
}

}  // namespace

std::vector<declaration> parse_declarations(std::string_view text) {
  std::vector<declaration> out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = find_top_level(text, i, ";");
    if (end == std::string_view::npos) end = text.size();
    std::string_view item = text.substr(i, end - i);
    i = end + 1;
    size_t colon = item.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name = collapse_space(item.substr(0, colon));
    if (name.empty() || name.find(' ') != std::string::npos) continue;
    std::string value = collapse_space(item.substr(colon + 1));
    bool important = false;
    size_t bang = value.rfind('!');
    if (bang != std::string::npos) {
      std::string rest = collapse_space(value.substr(bang + 1));
      if (lower(rest) == "important") {
        important = true;
        value = collapse_space(value.substr(0, bang));
      }
    }
    out.push_back({lower(name), std::move(value), important});
  }
  return out;
}

std::string format_declarations(const std::vector<declaration>& declarations) {
  std::string out;
  for (const declaration& d : declarations) {
    if (!out.empty()) out += "; ";
    out += d.name;
    out += ": ";
    out += d.value;
    if (d.important) out += " !important";
  }
  return out;
}

std::vector<style_rule> parse_style_sheet(std::string_view css,
                                          bool (*wanted)(std::string_view property)) {
  std::vector<style_rule> rules;
  std::string text = strip_comments(css);
  parse_rules(text, wanted, rules);
  return rules;
}

}  // namespace htmlayout
