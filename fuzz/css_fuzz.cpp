// The style sheet and declaration parsers: any bytes parse without a fault, and declarations
// written back parse to the same declarations.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "htmlayout/dom/css.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view css = fuzz::as_text(data, size);
  htmlayout::parse_style_sheet(css, [](std::string_view) { return true; });
  std::vector<htmlayout::declaration> read = htmlayout::parse_declarations(css);
  std::string written = htmlayout::format_declarations(read);
  std::vector<htmlayout::declaration> again = htmlayout::parse_declarations(written);
  bool same = read.size() == again.size();
  for (size_t i = 0; same && i < read.size(); ++i) {
    same = read[i].name == again[i].name && read[i].value == again[i].value &&
           read[i].important == again[i].important;
  }
  if (!same) fuzz::fail("declarations written back do not read the same", {css, written});
  return 0;
}
