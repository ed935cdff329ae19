// The fragment parsers: the quick parser for simple fragments must build exactly the tree the full
// parser builds whenever it accepts the markup, and the writer's text of a fragment parses back to
// the same tree (where HTML text can give that tree at all, fuzz::representable). The first byte
// picks the context element.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/tree_text.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/html_writer.h"
#include "htmlayout/dom/simple_fragment_parser.h"

namespace {

// Its tree text; frees the nodes.
std::string take_tree(const std::optional<std::vector<htmlayout::node*>>& top) {
  if (!top) return "(declined)";
  std::string text = fuzz::tree_text(*top);
  for (htmlayout::node* n : *top) htmlayout::free_tree(n);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kContexts[] = {"div", "table", "tr", "td", "ul", "span", "body", "p"};
  htmlayout::atom context = htmlayout::intern(kContexts[data[0] % std::size(kContexts)]);
  std::string_view html = fuzz::as_text(data + 1, size - 1);
  auto full = htmlayout::parse_fragment_fully(html, context);
  if (!full) return 0;  // nested too deep
  std::string written;
  bool representable = true;
  // In a table the parser gathers rows in a tbody it makes up, which the tree leaves out; rows that
  // an end tag of the table kept apart, with other content between, cannot be written to stay apart.
  const bool in_table = context == htmlayout::intern("table");
  bool row_seen = false, parted = false;
  for (const htmlayout::node* n : *full) {
    htmlayout::write_html(*n, written);
    representable = representable && fuzz::representable(*n, htmlayout::name_of(context));
    const htmlayout::element_node* e = htmlayout::as_element(n);
    const bool row = e && htmlayout::name_of(e->tag) == "tr";
    if (row && parted && in_table) representable = false;
    parted = parted || (row_seen && !row &&
                        (e || htmlayout::as_text(n)->text.view().find_first_not_of(" \t\n\f\r") !=
                                  std::string_view::npos));
    row_seen = row_seen || row;
  }
  std::string full_tree = take_tree(full);
  if (auto quick = htmlayout::parse_simple_fragment(html, context)) {
    if (std::string quick_tree = take_tree(quick); quick_tree != full_tree)
      fuzz::fail("the quick parser differs", {html, quick_tree, full_tree});
  }
  if (!representable) return 0;
  if (std::string again = take_tree(htmlayout::parse_fragment(written, context)); again != full_tree)
    fuzz::fail("written and parsed again differs", {written, full_tree, again});
  return 0;
}
