#include "htmlayout/render/default_style.h"

namespace htmlayout::render {

namespace {

// Kept to what litehtml 0.6 understands: display, box model, fonts, colours,
// lists and tables. Colours of controls follow a plain desktop look.
const char kDefaultStyleSheet[] = R"CSS(
html { display: block; font-family: "DejaVu Sans", sans-serif; color: black; }

head, style, script, meta, title, link, base, template, noscript, option, datalist,
param, area, map, [hidden], input[type="hidden"] { display: none; }

body, div, p, address, article, aside, blockquote, center, dd, details, dialog, dir,
dl, dt, fieldset, figcaption, figure, footer, form, h1, h2, h3, h4, h5, h6, header,
hgroup, hr, legend, listing, main, menu, nav, ol, plaintext, pre, section, summary,
ul, xmp, frameset, frame, iframe { display: block; }

span, a, b, strong, i, em, u, s, strike, del, ins, small, big, sub, sup, code, kbd,
samp, tt, var, cite, dfn, abbr, acronym, q, mark, label, font, nobr, bdo, bdi,
time { display: inline; }

body { margin: 8px; }
p, dl, blockquote, figure, pre, xmp, listing, plaintext { margin-top: 1em; margin-bottom: 1em; }
blockquote, figure { margin-left: 40px; margin-right: 40px; }
dd { margin-left: 40px; }
center { text-align: center; }
address { font-style: italic; }

h1 { font-size: 2em; margin-top: 0.67em; margin-bottom: 0.67em; font-weight: bold; }
h2 { font-size: 1.5em; margin-top: 0.83em; margin-bottom: 0.83em; font-weight: bold; }
h3 { font-size: 1.17em; margin-top: 1em; margin-bottom: 1em; font-weight: bold; }
h4 { font-size: 1em; margin-top: 1.33em; margin-bottom: 1.33em; font-weight: bold; }
h5 { font-size: 0.83em; margin-top: 1.67em; margin-bottom: 1.67em; font-weight: bold; }
h6 { font-size: 0.67em; margin-top: 2.33em; margin-bottom: 2.33em; font-weight: bold; }

b, strong, th { font-weight: bold; }
i, em, cite, var, dfn { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
small { font-size: smaller; }
big { font-size: larger; }
sub { vertical-align: sub; font-size: smaller; }
sup { vertical-align: super; font-size: smaller; }
nobr { white-space: nowrap; }
code, kbd, samp, tt, pre, xmp, listing, plaintext { font-family: "DejaVu Sans Mono", monospace; }
pre, xmp, listing, plaintext { white-space: pre; }
a:link { color: #0645ad; text-decoration: underline; cursor: pointer; }

hr {
  margin: 0.5em auto;
  border-style: solid; border-width: 1px; border-color: #a0a0a0 #e0e0e0 #e0e0e0 #a0a0a0;
}
img { display: inline-block; }
br { display: inline-block; }

ul, menu, dir, ol { margin-top: 1em; margin-bottom: 1em; padding-left: 40px; }
ul, menu, dir { list-style-type: disc; }
ol { list-style-type: decimal; }
li { display: list-item; }
ul ul, ol ul, menu ul, ul menu { list-style-type: circle; }
ul ul ul, ol ul ul, ul ol ul, ol ol ul { list-style-type: square; }
ul ul, ul ol, ol ul, ol ol { margin-top: 0; margin-bottom: 0; }

table { display: table; border-collapse: separate; border-spacing: 2px; border-color: gray; }
caption { display: table-caption; text-align: center; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { text-align: center; }
table[border] { border-style: outset; }
table[border] td, table[border] th { border-width: 1px; border-style: inset; border-color: gray; }
table[border="0"] { border-style: none; }
table[border="0"] td, table[border="0"] th { border-style: none; }
td[nowrap], th[nowrap] { white-space: nowrap; }

fieldset { margin: 0 2px; padding: 0.35em 0.75em 0.625em; border: 2px groove #c0c0c0; }
legend { padding: 0 2px; }
button, input, select, textarea {
  display: inline-block; margin: 0; color: black; text-indent: 0; text-transform: none;
  line-height: normal; vertical-align: baseline;
}
button, input[type="button"], input[type="submit"], input[type="reset"] {
  padding: 1px 6px; border: 1px solid #8f8f9d; border-radius: 3px; background-color: #e9e9ed;
  text-align: center; white-space: nowrap; cursor: default;
}
input, textarea, select { border: 1px solid #8f8f9d; background-color: white; padding: 1px 2px; }
input { width: 150px; height: 1.2em; white-space: nowrap; }
input[type="checkbox"], input[type="radio"] {
  width: 11px; height: 11px; padding: 0; margin: 3px 3px 0 4px; vertical-align: top;
}
input[type="checkbox"]:checked, input[type="radio"]:checked { background-color: #3875d7; }
textarea { width: 300px; height: 3.6em; white-space: pre-wrap; font-family: "DejaVu Sans Mono", monospace; }
select { padding: 1px 18px 1px 2px; }
)CSS";

}  // namespace

const char* default_style_sheet() { return kDefaultStyleSheet; }

litehtml::context& default_context() {
  static litehtml::context context = [] {
    litehtml::context created;
    created.load_master_stylesheet(kDefaultStyleSheet);
    return created;
  }();
  return context;
}

}  // namespace htmlayout::render
