// The selector parser and matching: any bytes parse (or are refused) without a fault and a parsed
// selector is matched against a small page; the quick path for "#id" agrees with the full parser;
// and an attribute value quoted by quoted_selector_value reads back as exactly that value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/selector.h"

namespace {

void match_everywhere(const htmlayout::selector_list& list, const htmlayout::element_node& e) {
  htmlayout::matches(list, e);
  for (const htmlayout::node* child : e.children)
    if (const htmlayout::element_node* c = htmlayout::as_element(child)) match_everywhere(list, *c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = fuzz::as_text(data, size);
  std::optional<htmlayout::selector_list> list = htmlayout::parse_selector(text);
  static htmlayout::element_node* page = htmlayout::parse_document(
      "<div id=a class='x y' lang=en-gb title=\"a b\"><p name=v>t</p>"
      "<table multiple><tr><td><span class=y id=b></span></td></tr></table></div>");
  if (list) match_everywhere(*list, *page);

  if (std::optional<std::string_view> id = htmlayout::simple_id_selector(text)) {
    if (!list || list->alternatives.size() != 1 || !list->alternatives[0].subject_id() ||
        *list->alternatives[0].subject_id() != *id)
      fuzz::fail("the quick id path and the parser disagree", {text});
  }

  std::string quoted = "[name=" + htmlayout::quoted_selector_value(text) + "]";
  std::optional<htmlayout::selector_list> by_value = htmlayout::parse_selector(quoted);
  if (!by_value || by_value->alternatives.size() != 1 ||
      by_value->alternatives[0].compounds.size() != 1 ||
      by_value->alternatives[0].subject().attributes.size() != 1 ||
      by_value->alternatives[0].subject().attributes[0].value != text)
    fuzz::fail("a quoted value does not read back", {quoted});
  return 0;
}
