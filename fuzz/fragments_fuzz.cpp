// The fragments of quotes and tags built from any quote text and tag names: each parses to the tree
// the fragment's contract gives, the texts reading back as they were stored, so that no stored text
// becomes markup. The input is the first byte (bit 0: an open card), then the quote's text and the
// tag names, separated by 0xFF bytes (which UTF-8 never holds).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fml/text.h"
#include "fuzz/check.h"
#include "htmlayout/dom/html_parser.h"
#include "view/fragments.h"

namespace {

using htmlayout::element_node;
using htmlayout::node;

std::string g_context;  // what was built, for the report of a fault
std::vector<node*> g_owned;

void expect(bool holds, const std::string& what) {
  if (!holds) fuzz::fail(what, {g_context});
}

// What an HTML parser makes of text: CR LF and CR become LF, NULs go, and control characters (but
// tab, line feed and form feed) and noncharacters become U+FFFD. In a quote's text every line feed
// has become <br> before, so there each CR becomes a line feed of its own.
std::string as_parsed(std::string_view utf8, bool quote_text = false) {
  std::wstring text = fml::utf82wchar(utf8), out;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t c = static_cast<uint32_t>(text[i]);
    if (c == '\r') {
      out += L'\n';
      if (!quote_text && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if ((c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != 0) || (c >= 0x7F && c <= 0x9F) ||
               (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
      out += L'\uFFFD';
    } else if (c != 0) {
      out += text[i];
    }
  }
  return fml::wchar2utf8(out);
}

std::string tag_of(const node* n) {
  const element_node* e = htmlayout::as_element(n);
  return e ? std::string(htmlayout::name_of(e->tag)) : "#text";
}

std::string attribute(const node* n, const char* name) {
  const element_node* e = htmlayout::as_element(n);
  const htmlayout::compact_string* value = e ? e->find_attribute(htmlayout::intern(name)) : nullptr;
  return value ? std::string(value->view()) : "(none)";
}

const element_node& child(const element_node& parent, size_t index, const char* tag,
                          const char* cls = nullptr) {
  const element_node* e = parent.element_child(index);
  expect(e && tag_of(e) == tag && (!cls || attribute(e, "class") == cls),
         std::string("expected <") + tag + (cls ? std::string(" class=") + cls : "") + "> at child " +
             std::to_string(index) + " of <" + tag_of(&parent) + ">");
  return *e;
}

std::string only_text(const element_node& e) {
  std::string text;
  for (const node* n : e.children) {
    expect(htmlayout::as_text(n), "markup inside <" + tag_of(&e) + ">: <" + tag_of(n) + ">");
    text += htmlayout::as_text(n)->text.view();
  }
  return text;
}

// Parses `html` as the content of a `context` element; exactly one element.
const element_node& parse_one(const std::string& html, const char* context) {
  g_context = html;
  std::optional<std::vector<node*>> top = htmlayout::parse_fragment(html, htmlayout::intern(context));
  expect(top.has_value(), "the fragment was refused");
  g_owned.insert(g_owned.end(), top->begin(), top->end());
  expect(top->size() == 1 && htmlayout::as_element((*top)[0]), "not one element at the top");
  return *htmlayout::as_element((*top)[0]);
}

// The quote text as the text cell shows it: text, and <br> for line feeds, up to a cut mark.
std::string shown_text(const element_node& cell, bool* cut) {
  std::string text;
  for (const node* n : cell.children) {
    expect(!*cut || !htmlayout::as_text(n), "text after the cut mark");
    if (const htmlayout::text_node* t = htmlayout::as_text(n)) {
      text += t->text.view();
    } else if (tag_of(n) == "br" && !*cut) {
      expect(htmlayout::as_element(n)->children.empty(), "a <br> with content");
      text += '\n';
    } else if (tag_of(n) == "span" && attribute(n, "class") == "cutmark") {
      *cut = true;
    } else {
      expect(tag_of(n) == "div" && attribute(n, "class") == "cardcontrol",
             "markup in the quote's text: <" + tag_of(n) + ">");
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF) parts.emplace_back(); else parts.back() += static_cast<char>(data[i]);
  }
  for (std::string& part : parts) part = fml::wchar2utf8(fml::utf82wchar(part));  // stored as UTF-8
  pvl::Quote quote;
  quote.m_id = 7;
  quote.m_utftext = parts[0];
  quote.m_stamp = 1'200'000'000;
  for (size_t i = 1; i < parts.size(); ++i) quote.m_tags.push_back(pvl::Tag{int32_t(i), parts[i]});

  const element_node& row = parse_one(pvl::row_fragment(pvl::quote_fragment(quote, data[0] & 1)), "table");
  expect(tag_of(&row) == "tr" && row.element_count() == 1, "the row is not one cell");
  const element_node& div = child(child(row, 0, "td"), 0, "div", "quote");
  expect(div.element_count() == 1, "the quote holds more than its table");
  const element_node& table = child(div, 0, "table", "qtable");
  expect(table.element_count() == 3, "the quote's table has not three rows");
  child(child(child(table, 0, "tr"), 0, "td"), 0, "div", "title");

  bool cut = false;
  std::string shown = shown_text(child(child(table, 1, "tr"), 0, "td", "text"), &cut);
  std::string expected;  // tabs show as two non-breaking spaces
  for (char c : as_parsed(quote.m_utftext, true)) expected += c == '\t' ? "\u00a0\u00a0" : std::string(1, c);
  expect(cut ? expected.starts_with(shown) : shown == expected,
         "the quote's text does not read back: [" + shown + "] for [" + expected + "]");

  const element_node& links_row = child(table, 2, "tr");
  expect(links_row.element_count() == 3, "the links row has not three cells");
  const element_node& links = child(links_row, 0, "td", "links");
  expect(links.element_count() == quote.m_tags.size(), "the links cell holds other than the tags");
  for (size_t i = 0; i < quote.m_tags.size(); ++i) {
    const element_node& tag = child(links, i, "div", "qtag");
    expect(only_text(tag) == as_parsed(quote.m_tags[i].m_utfname), "a tag name does not read back");
    expect(attribute(&tag, "id") == pvl::qtag_element_id(7, int32_t(i + 1)), "a tag's id is wrong");
  }
  child(links_row, 1, "td", "managecell");
  child(links_row, 2, "td", "timestamp");

  for (const pvl::Tag& tag : quote.m_tags)
    for (const auto& [html, element] : {std::pair{pvl::vtag_fragment(tag), "div"},
                                        std::pair{pvl::stag_fragment(tag), "div"},
                                        std::pair{pvl::mtm_item_fragment(tag), "li"}}) {
      const element_node& e = parse_one(html, "td");
      expect(tag_of(&e) == element, "wrong tag element");
      expect(only_text(e) == as_parsed(tag.m_utfname), "a tag name does not read back");
    }
  for (node* n : g_owned) htmlayout::free_tree(n);
  g_owned.clear();
  return 0;
}
