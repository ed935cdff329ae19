// The HTML document parser and the writer: any bytes parse (or are refused
// for their depth) without a fault, and what the writer makes of the tree
// parses to the same tree, wherever HTML text can give that tree at all
// (fuzz::representable).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

void expect_same(const parsed& a, const parsed& b) {
  if (a.tree == b.tree) return;
  std::fprintf(stderr, "written:\n%s\nfirst tree:\n%s\nsecond tree:\n%s\n", a.written.c_str(),
               a.tree.c_str(), b.tree.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  parsed first = parse_and_write(std::string_view(reinterpret_cast<const char*>(data), size));
  if (first.refused || !first.representable) return 0;
  expect_same(first, parse_and_write(first.written));
  return 0;
}
