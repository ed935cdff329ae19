// The fragments of quotes and tags built from any quote text and tag names: each parses to the tree
// the fragment's contract gives, the texts reading back as they were stored, so that no stored text
// becomes markup. The input is the first byte (bit 0: an open card), then the quote's text and the
// tag names, separated by 0xFF bytes (which UTF-8 never holds).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fml/text.h"
#include "fuzz/check.h"
#include "fuzz/tree_text.h"
#include "htmlayout/dom/html_parser.h"
#include "view/fragments.h"

namespace {

using htmlayout::element_node;
using htmlayout::node;

std::string g_context;  // what was built, for the report of a fault

[[noreturn]] void fail(const std::string& what) { fuzz::fail(what, {g_context}); }

void expect(bool holds, const char* what) { if (!holds) fail(what); }

// What an HTML parser makes of text: line breaks CR LF and CR become LF,
// NUL characters are dropped, and control characters (but tab, line feed
// and form feed) and noncharacters become U+FFFD. In a quote's text every
// line feed has become <br> before, so there each CR becomes a line feed of
// its own.
std::string as_parsed(std::string_view utf8, bool quote_text = false) {
  std::wstring text = fml::utf82wchar(utf8), out;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t c = static_cast<uint32_t>(text[i]);
    if (c == '\r') {
      out += L'\n';
      if (!quote_text && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == 0) {
    } else if ((c < 0x20 && c != '\t' && c != '\n' && c != '\f') || (c >= 0x7F && c <= 0x9F) ||
               (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
      out += L'\uFFFD';
    } else {
      out += text[i];
    }
  }
  return fml::wchar2utf8(out);
}

std::string tag_of(const node* n) {
  const element_node* e = htmlayout::as_element(n);
  return e ? std::string(htmlayout::name_of(e->tag)) : "#text";
}

std::string attribute(const element_node& e, const char* name) {
  const htmlayout::compact_string* value = e.find_attribute(htmlayout::intern(name));
  return value ? std::string(value->view()) : "(none)";
}

// The element child `index` of `parent`, which must be `tag` with class `cls`.
const element_node& child(const element_node& parent, size_t index, const char* tag,
                          const char* cls = nullptr) {
  const element_node* e = parent.element_child(index);
  if (!e || tag_of(e) != tag || (cls && attribute(*e, "class") != cls))
    fail(std::string("expected <") + tag + (cls ? std::string(" class=") + cls : "") +
         "> at child " + std::to_string(index) + " of <" + tag_of(&parent) + ">");
  return *e;
}

// The text of an element that may hold only text.
std::string only_text(const element_node& e) {
  std::string text;
  for (const node* n : e.children) {
    const htmlayout::text_node* t = htmlayout::as_text(n);
    if (!t) fail("markup inside <" + tag_of(&e) + ">: <" + tag_of(n) + ">");
    text += t->text.view();
  }
  return text;
}

// Parses `html` as the content of a `context` element; exactly one node.
const element_node& parse_one(const std::string& html, const char* context,
                              std::vector<node*>& owned) {
  std::optional<std::vector<node*>> top = htmlayout::parse_fragment(html, htmlayout::intern(context));
  expect(top.has_value(), "the fragment was refused");
  owned.insert(owned.end(), top->begin(), top->end());
  expect(top->size() == 1 && htmlayout::as_element((*top)[0]), "not one element at the top");
  return *htmlayout::as_element((*top)[0]);
}

void check_tag_div(const std::string& html, const char* cls, const std::string& name,
                   std::vector<node*>& owned) {
  g_context = html;
  const element_node& e = parse_one(html, "td", owned);
  expect(tag_of(&e) == (std::string(cls) == "mtm" ? "li" : "div"), "wrong tag element");
  expect(only_text(e) == as_parsed(name), "a tag name does not read back");
}

// The quote text as the text cell shows it: text, and <br> for line feeds.
std::string shown_text(const element_node& cell, bool* cut) {
  std::string text;
  *cut = false;
  for (const node* n : cell.children) {
    if (const htmlayout::text_node* t = htmlayout::as_text(n)) {
      if (*cut) fail("text after the cut mark");
      text += t->text.view();
    } else if (tag_of(n) == "br" && !*cut) {
      if (!htmlayout::as_element(n)->children.empty()) fail("a <br> with content");
      text += '\n';
    } else if (tag_of(n) == "span" && attribute(*htmlayout::as_element(n), "class") == "cutmark") {
      *cut = true;
    } else if (tag_of(n) != "div" || attribute(*htmlayout::as_element(n), "class") != "cardcontrol") {
      fail("markup in the quote's text: <" + tag_of(n) + ">");
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool open = data[0] & 1;
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF)
      parts.emplace_back();
    else
      parts.back() += static_cast<char>(data[i]);
  }
  // Stored texts are always UTF-8.
  for (std::string& part : parts) part = fml::wchar2utf8(fml::utf82wchar(part));

  pvl::Quote quote;
  quote.m_id = 7;
  quote.m_utftext = parts[0];
  quote.m_stamp = 1'200'000'000;
  for (size_t i = 1; i < parts.size(); ++i)
    quote.m_tags.push_back(pvl::Tag{static_cast<int32_t>(i), parts[i]});

  std::vector<node*> owned;
  const std::string html = pvl::row_fragment(pvl::quote_fragment(quote, open));
  g_context = html;
  const element_node& row = parse_one(html, "table", owned);
  expect(tag_of(&row) == "tr" && row.element_count() == 1, "the row is not one cell");
  const element_node& div = child(child(row, 0, "td"), 0, "div", "quote");
  expect(div.element_count() == 1, "the quote holds more than its table");
  const element_node& table = child(div, 0, "table", "qtable");
  expect(table.element_count() == 3, "the quote's table has not three rows");
  child(child(child(table, 0, "tr"), 0, "td"), 0, "div", "title");

  const element_node& text_cell = child(child(table, 1, "tr"), 0, "td", "text");
  bool cut = false;
  std::string shown = shown_text(text_cell, &cut);
  std::string expected = as_parsed(quote.m_utftext, true);
  // Tabs show as two non-breaking spaces.
  std::string expected_shown;
  for (char c : expected) expected_shown += c == '\t' ? std::string("\u00a0\u00a0") : std::string(1, c);
  if (cut ? !expected_shown.starts_with(shown) : shown != expected_shown)
    fail("the quote's text does not read back: [" + shown + "] for [" + expected_shown + "]");

  const element_node& links_row = child(table, 2, "tr");
  expect(links_row.element_count() == 3, "the links row has not three cells");
  const element_node& links = child(links_row, 0, "td", "links");
  expect(links.element_count() == quote.m_tags.size(), "the links cell holds other than the tags");
  for (size_t i = 0; i < quote.m_tags.size(); ++i) {
    const element_node& tag = child(links, i, "div", "qtag");
    expect(only_text(tag) == as_parsed(quote.m_tags[i].m_utfname), "a tag name does not read back");
    expect(attribute(tag, "id") == pvl::qtag_element_id(7, int32_t(i + 1)), "a tag's id is wrong");
  }
  child(links_row, 1, "td", "managecell");
  child(links_row, 2, "td", "timestamp");

  for (const pvl::Tag& tag : quote.m_tags) {
    check_tag_div(pvl::vtag_fragment(tag), "vtag", tag.m_utfname, owned);
    check_tag_div(pvl::stag_fragment(tag), "stag", tag.m_utfname, owned);
    check_tag_div(pvl::mtm_item_fragment(tag), "mtm", tag.m_utfname, owned);
  }
  for (node* n : owned) htmlayout::free_tree(n);
  return 0;
}
