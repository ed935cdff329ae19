// The style sheets a litehtml document is styled from. litehtml keeps its
// parsed copy of a document's author sheets private, and restyling or
// inserting elements must apply the same sheets again, so the renderer keeps
// them here beside the document.
#pragma once

#include <litehtml/litehtml.h>

#include "htmlayout/render/cascade.h"

namespace htmlayout::render {

struct style_sheets {
  // The master (user agent) sheet: the master_css() of the document's context.
  const litehtml::css* master = nullptr;
  // The document's own sheets, parsed in order and sorted by specificity.
  litehtml::css author;
  // What applies each sheet; they follow the sheets by themselves.
  mutable cascade master_cascade, author_cascade;
};

// Styles `el` and its descendants the way litehtml styles a new document:
// the master sheet, the presentational attributes, the author sheets, then
// the computed values.
inline void style_subtree(const litehtml::element::ptr& el, const style_sheets& sheets) {
  if (sheets.master) sheets.master_cascade.apply(el, *sheets.master);
  el->parse_attributes();
  sheets.author_cascade.apply(el, sheets.author);
  el->parse_styles();
}

}  // namespace htmlayout::render
