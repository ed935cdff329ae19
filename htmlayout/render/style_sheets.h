// The style sheets a litehtml document is styled from. litehtml keeps its
// parsed copy of a document's author sheets private, and restyling or
// inserting elements must apply the same sheets again, so the renderer keeps
// them here beside the document.
#pragma once

#include <litehtml/litehtml.h>

namespace htmlayout::render {

struct style_sheets {
  // The master (user agent) sheet: the master_css() of the document's context.
  const litehtml::css* master = nullptr;
  // The document's own sheets, parsed in order and sorted by specificity.
  litehtml::css author;
};

}  // namespace htmlayout::render
