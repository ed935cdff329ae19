// Loads an HTML page into a litehtml document styled by the renderer: the
// default style sheet as master, the page's <style> elements and any extra
// sheet as author sheets, kept beside the document for later restyles and
// insertions.
#pragma once

#include <litehtml/litehtml.h>

#include <string>

#include "htmlayout/render/style_sheets.h"

namespace htmlayout::render {

struct loaded_document {
  litehtml::document::ptr document;
  style_sheets sheets;
};

// Parses `html` with `container` (which must outlive the document) and styles
// it from the default sheet, the text of the page's <style> elements in
// document order and then `extra_css`. <link> style sheets are not fetched.
// Does not lay out: call document->render(width) next.
loaded_document load_document(const std::string& html, litehtml::document_container& container,
                              const std::string& extra_css = std::string());

}  // namespace htmlayout::render
