#include "view/fragments.h"

#include <algorithm>

#include <boost/algorithm/string/replace.hpp>

#include "fml/datetime.h"
#include "fml/text.h"

namespace pvl {

namespace {

// "<div class=\"CLASS\" id=\"ID\">escaped name</div>"
std::string tag_div(const char* css_class, const std::string& id, const Tag& tag) {
  return std::string("<div class=\"") + css_class + "\" id=\"" + id + "\">" +
         escape_tag_name(tag.m_utfname) + "</div>";
}

// `n` in decimal with a comma between groups of three digits: "20,971,520".
std::string grouped(int64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
  return digits;
}

std::string lines_or_chars(int64_t lines, int64_t chars) {
  return lines > 1 ? grouped(lines) + " lines" : grouped(chars) + " characters";
}

// `text` escaped, its stretches that `marks` finds in span.hit. Escaping
// goes character by character, so the pieces escaped one by one give the
// text escaped as a whole.
std::string marked_text(const std::wstring& text, const word_marks& marks) {
  if (marks.empty()) return fml::wchar2utf8(escape_quote_text(text));
  const std::string utf8 = fml::wchar2utf8(text);
  const auto escaped = [&](size_t begin, size_t end) {
    return fml::wchar2utf8(
        escape_quote_text(fml::utf82wchar(std::string_view(utf8).substr(begin, end - begin))));
  };
  std::string html;
  size_t done = 0;
  for (const text_span& span : marks.find(utf8)) {
    html += escaped(done, span.begin);
    html += "<span class=\"hit\">" + escaped(span.begin, span.end) + "</span>";
    done = span.end;
  }
  return html + escaped(done, utf8.size());
}

}  // namespace

std::string quote_text_fragment(const Quote& quote, bool open, const word_marks& marks) {
  std::wstring text = fml::utf82wchar(quote.m_utftext);
  const card_bound bound = open ? kOpenCard : kClosedCard;
  size_t end = std::min(text.size(), static_cast<size_t>(bound.chars));
  int64_t lines = 1;
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == L'\n' && ++lines > bound.lines) {
      end = i;
      break;
    }
  }
  const bool record_cut = quote.m_whole_chars > 0;
  // A line feed that ends the text opens no line of its own.
  if (!record_cut && end + 1 == text.size() && text.back() == L'\n') end = text.size();
  const int64_t whole_chars = record_cut ? quote.m_whole_chars : int64_t(text.size());
  const bool ends_line = !text.empty() && text.back() == L'\n';
  const int64_t whole_lines = record_cut ? quote.m_whole_lines
                                         : 1 + std::count(text.begin(), text.end(), L'\n') -
                                               ends_line;
  const bool cut = record_cut || end < text.size();
  text.resize(end);

  std::string html = marked_text(text, marks);
  if (cut) html += "<span class=\"cutmark\">&#8230;</span>";
  if (!cut && !open) return html;
  html += "<div class=\"cardcontrol\">";
  if (open) {
    if (cut) {
      html += "<div class=\"cardnote\">Shown: the first " + grouped(int64_t(end)) + " of " +
              grouped(whole_chars) + " characters. Copy the quote for the whole text.</div>";
    }
    html += "<button class=\"showtext\" show=\"less\">Show less</button>";
  } else {
    const bool fits_open = whole_chars <= kOpenCard.chars && whole_lines <= kOpenCard.lines;
    html += "<button class=\"showtext\" show=\"all\">";
    html += fits_open ? "Show all (" + lines_or_chars(whole_lines, whole_chars) + ")"
                      : "Show more (" + lines_or_chars(whole_lines, whole_chars) + " in all)";
    html += "</button>";
  }
  html += "</div>";
  return html;
}

std::string quote_element_id(int32_t quote_id) { return "q-" + std::to_string(quote_id); }
std::string vtag_element_id(int32_t tag_id) { return "vt-" + std::to_string(tag_id); }
std::string stag_element_id(int32_t tag_id) { return "st-" + std::to_string(tag_id); }
std::string qtag_element_id(int32_t quote_id, int32_t tag_id) {
  return "qt-" + std::to_string(quote_id) + "-" + std::to_string(tag_id);
}
std::string mtm_item_element_id(int32_t tag_id) { return "mtmcheck-" + std::to_string(tag_id); }

std::string quote_fragment(const Quote& quote, bool open, const word_marks& marks) {
  return "<div class=\"quote\" id=\"" + quote_element_id(quote.m_id) + "\">" +
         quote_content_fragment(quote, open, marks) + "</div>";
}

std::string quote_content_fragment(const Quote& quote, bool open, const word_marks& marks) {
  std::string html = "<table class=\"qtable\" border=1 cellspacing=-1px>";
  html += "<tr><td colspan=3><div class=\"title\"></div></td></tr>";
  html += "<tr><td class=\"text\" colspan=3>";
  html += quote_text_fragment(quote, open, marks);
  html += "</td></tr>";
  html += "<tr><td class=\"links\">";
  for (const Tag& tag : quote.m_tags) html += qtag_fragment(tag, quote.m_id);
  html += "</td>";
  html +=
      "<td class=\"managecell\"><button class=\"managetags\" "
      "menu=\"manage-tags\">Manage...</button></td>";
  html += "<td class=\"timestamp\">" + format_stamp(quote.m_stamp) + "</td></tr>";
  html += "</table>";
  return html;
}

std::string light_quote_row(int32_t quote_id) {
  return "<tr><td><div class=\"quote\" id=\"" + quote_element_id(quote_id) +
         "\" lazy></div></td></tr>";
}

std::string light_quote_rows(std::span<const int32_t> ids) {
  std::string rows;
  rows.reserve(ids.size() * 64);
  for (auto id = ids.rbegin(); id != ids.rend(); ++id) rows += light_quote_row(*id);
  return rows;
}

std::string vtag_fragment(const Tag& tag) {
  return tag_div("vtag", vtag_element_id(tag.m_id), tag);
}

std::string qtag_fragment(const Tag& tag, int32_t quote_id) {
  return tag_div("qtag", qtag_element_id(quote_id, tag.m_id), tag);
}

std::string stag_fragment(const Tag& tag) {
  return tag_div("stag", stag_element_id(tag.m_id), tag);
}

std::string mtm_item_fragment(const Tag& tag) {
  return "<li type=\"check\" name=\"mtmchecks\" id=\"" + mtm_item_element_id(tag.m_id) + "\">" +
         escape_tag_name(tag.m_utfname) + "</li>";
}

std::string row_fragment(std::string_view fragment) {
  std::string html = "<tr><td>";
  html += fragment;
  html += "</td></tr>";
  return html;
}

std::wstring escape_quote_text(std::wstring_view text) {
  std::wstring escaped(text);
  boost::algorithm::replace_all(escaped, L"&", L"&#38;");
  boost::algorithm::replace_all(escaped, L"\t", L"&#160;&#160;");
  boost::algorithm::replace_all(escaped, L"<", L"&#60;");
  boost::algorithm::replace_all(escaped, L">", L"&#62;");
  boost::algorithm::replace_all(escaped, L"\"", L"&#34;");
  boost::algorithm::replace_all(escaped, L"\n", L"<br>");
  return escaped;
}

std::string escape_tag_name(std::string_view utf8_name) {
  std::string escaped(utf8_name);
  boost::algorithm::replace_all(escaped, "&", "&#38;");
  boost::algorithm::replace_all(escaped, "<", "&#60;");
  boost::algorithm::replace_all(escaped, ">", "&#62;");
  boost::algorithm::replace_all(escaped, "\"", "&#34;");
  return escaped;
}

std::string format_stamp(int64_t stamp) { return fml::datetime_text(stamp); }

}  // namespace pvl
