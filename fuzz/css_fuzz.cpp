// The style sheet and declaration parsers: any bytes parse without a fault,
// and declarations written back parse to the same declarations.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "htmlayout/dom/css.h"

namespace {

bool every_property(std::string_view) { return true; }

bool same(const std::vector<htmlayout::declaration>& a,
          const std::vector<htmlayout::declaration>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].value != b[i].value || a[i].important != b[i].important)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view css = fuzz::as_text(data, size);
  htmlayout::parse_style_sheet(css, &every_property);

  std::vector<htmlayout::declaration> read = htmlayout::parse_declarations(css);
  std::string written = htmlayout::format_declarations(read);
  if (!same(read, htmlayout::parse_declarations(written)))
    fuzz::fail("declarations written back do not read the same", {css, written});
  return 0;
}
