// The HTML document parser and the writer: any bytes parse (or are refused for their depth) without
// a fault, and what the writer makes of the tree parses to the same tree, wherever HTML text can
// give that tree at all (fuzz::representable).
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/tree_text.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/html_writer.h"

namespace {

struct parsed {
  bool refused = true;  // nested too deep
  bool representable = false;
  std::string tree;
  std::string written;
};

parsed parse_and_write(std::string_view html) {
  parsed out;
  htmlayout::element_node* root = htmlayout::parse_document(html);
  if (!root) return out;
  out.refused = false;
  out.representable = fuzz::representable(*root);
  out.tree = fuzz::tree_text({root});
  htmlayout::write_html(*root, out.written);
  htmlayout::free_tree(root);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  parsed first = parse_and_write(fuzz::as_text(data, size));
  if (first.refused || !first.representable) return 0;
  if (std::string again = parse_and_write(first.written).tree; again != first.tree)
    fuzz::fail("written, the tree parses differently", {first.written, first.tree, again});
  return 0;
}
