// The engine's default (user agent) style sheet for litehtml, which Debian's
// litehtml does not ship: without a master sheet nothing lays out as a block,
// a table or a list. Fonts name the DejaVu families of fonts-dejavu-core.
#pragma once

#include <litehtml/litehtml.h>

namespace htmlayout::render {

// The text of the default style sheet.
const char* default_style_sheet();

// A litehtml context whose master sheet is the default style sheet, created on
// first use and shared by every document of the process.
litehtml::context& default_context();

}  // namespace htmlayout::render
