// The head of the quote pane grows with its search bar, whose tags wrap onto
// more lines: the quote list then starts under the head instead of at a
// fixed place.
#pragma once

#include "htmlayout/dom/element.h"

namespace pvl {

// Places the top of "#quotebox" at the bottom of "#searchhead" in the page
// of `any` (an element of it), as the page is laid out now. Does nothing
// when either is missing or not displayed.
void fit_search_head(const htmlayout::dom::element& any);

}  // namespace pvl
