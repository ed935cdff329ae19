#include "htmlayout/render/element_factory.h"

#include <litehtml/el_div.h>
#include <litehtml/el_para.h>
#include <litehtml/el_table.h>
#include <litehtml/el_td.h>

#include <cstring>

#include "htmlayout/render/row_list.h"
#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {

namespace {

template <class Base>
using content_box = scroll_box<row_list<Base>>;

// Tags litehtml gives a class of its own that is not wrapped: they never hold
// a list or scroll (or, like li, their class is not in the installed headers).
bool keeps_litehtml_class(const char* tag) {
  static const char* const kTags[] = {"a",  "base", "body", "br",    "font",  "img",
                                      "li", "link", "tr",   "style", "title", "script"};
  for (const char* kept : kTags) {
    if (!std::strcmp(tag, kept)) return true;
  }
  return false;
}

}  // namespace

std::shared_ptr<litehtml::element> create_element(const char* tag_name,
                                                  const litehtml::string_map& /*attributes*/,
                                                  const std::shared_ptr<litehtml::document>& doc) {
  if (!std::strcmp(tag_name, "div")) return std::make_shared<content_box<litehtml::el_div>>(doc);
  if (!std::strcmp(tag_name, "td") || !std::strcmp(tag_name, "th"))
    return std::make_shared<content_box<litehtml::el_td>>(doc);
  if (!std::strcmp(tag_name, "table"))
    return std::make_shared<content_box<litehtml::el_table>>(doc);
  if (!std::strcmp(tag_name, "p")) return std::make_shared<content_box<litehtml::el_para>>(doc);
  if (keeps_litehtml_class(tag_name)) return nullptr;
  return std::make_shared<content_box<litehtml::html_tag>>(doc);
}

}  // namespace htmlayout::render
