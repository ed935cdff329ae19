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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  htmlayout::element_node* root = htmlayout::parse_document(fuzz::as_text(data, size));
  if (!root) return 0;  // nested too deep
  const bool representable = fuzz::representable(*root);
  const std::string tree = fuzz::tree_text({root});
  std::string written;
  htmlayout::write_html(*root, written);
  htmlayout::free_tree(root);
  if (!representable) return 0;
  root = htmlayout::parse_document(written);
  std::string again = root ? fuzz::tree_text({root}) : "(refused)";
  if (root) htmlayout::free_tree(root);
  if (again != tree) fuzz::fail("written, the tree parses differently", {written, tree, again});
  return 0;
}
