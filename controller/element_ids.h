// Reading the numbers of quotes and tags back from the elements that show
// them. Every such element carries an id made of a prefix, "-" and the
// number: q-N (a quote), vt-N (a tag in the tag list), st-N (a tag in the
// search bar), mtmcheck-N (a tag's item in the manage-tags menu) and
// qt-Q-T (tag T shown on quote Q). The number is what follows the last "-".
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "htmlayout/dom/element.h"

namespace pvl {

// The number of the element: its id's number after the last "-", read as
// strtol reads it (qt-12-7 gives 7, q-0042 42, q-5x 5, vt- 0; beyond 32 bits
// INT32_MAX). Raises detail::wrong_id_format with the id (UTF-8) as its
// message when the id has no "-", and with "<tag> without id" when the
// element has no id.
int32_t parse_element_id(const htmlayout::dom::element& element);

// The numbers of the checked rows (state htmlayout::state::checked) of a
// table, in row order: for each checked child of the table, the number of
// the first div inside it. Raises wrong_he_type with the element's tag name
// when it is not a table, and what parse_element_id raises; every number is
// read before the list is returned.
std::vector<int32_t> checked_ids(const htmlayout::dom::element& table);

// The quote element that holds a tag shown on a quote: its nearest ancestor
// that is a div of class "quote", however deep the tag sits in it. Null when
// there is none.
htmlayout::dom::element quote_of_qtag(const htmlayout::dom::element& qtag);

// Writes `prefix` followed by the element's id (UTF-8) as one line of the
// log "cntrl"; an element without an id gives the prefix alone.
void log_element(std::string_view prefix, const htmlayout::dom::element& element);

}  // namespace pvl
