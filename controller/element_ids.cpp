#include "controller/element_ids.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "htmlayout/dom/events.h"

namespace pvl {

using htmlayout::dom::element;

int32_t parse_element_id(const element& e) {
  std::optional<std::string> id = e.get_attribute_utf8("id");
  if (!id) throw detail::wrong_id_format("<" + e.tag_name() + "> without id");
  const size_t separator = id->rfind('-');
  if (separator == std::string::npos) throw detail::wrong_id_format(*id);
  // The number is read as strtol reads it: leading blanks and a "+" are
  // skipped, reading stops at the first character that is not a digit, no
  // digit at all reads as 0. The text after the last "-" holds no "-", so
  // the number is never negative; one beyond 32 bits saturates at INT32_MAX.
  const long value = std::strtol(id->c_str() + separator + 1, nullptr, 10);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

std::vector<int32_t> checked_ids(const element& table) {
  if (table.tag_name() != "table") throw wrong_he_type(table.tag_name());
  std::vector<int32_t> ids;
  for (size_t i = 0; i < table.children_count(); ++i) {
    element row = table.child(i);
    if (row.get_state() & htmlayout::state::checked) {
      ids.push_back(parse_element_id(row.select_first("div")));
    }
  }
  return ids;
}

element quote_of_qtag(const element& qtag) { return qtag.select_parent("div.quote"); }

void log_element(std::string_view prefix, const element& e) {
  std::ostream& log = fml::getlog("cntrl");
  log << prefix;
  if (std::optional<std::string> id = e.get_attribute_utf8("id")) log << *id;
  log << std::endl;
}

}  // namespace pvl
