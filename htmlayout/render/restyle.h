// A full restyle of an element subtree, for after attribute, class or state
// changes. litehtml's own refresh_styles() only re-tests the selectors that
// matched when the element was first styled (a rule that starts to match
// through a new class is never seen) and drops the styles that come from HTML
// attributes (border=1, bgcolor, cellspacing).
#pragma once

#include <litehtml/litehtml.h>

#include "htmlayout/render/style_sheets.h"

namespace htmlayout::render {

// Clears the cascaded styles of `el` and its descendants and styles them
// again from the master sheet, the element's presentational attributes, the
// author sheets and the inline style, in that order; pseudo-classes set with
// set_pseudo_class() (states) take part. A table whose grid the change
// affects is rebuilt. Rules that depend on siblings or ancestors of `el` are
// not re-tested for them: restyle the common ancestor for those. Does not lay
// out; render the document before painting.
void restyle(const litehtml::element::ptr& el, const style_sheets& sheets);

}  // namespace htmlayout::render
