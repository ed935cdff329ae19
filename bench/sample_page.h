// The program's kinds of content as a page, for the render benchmark: a tag
// list, a search bar, and the quote list, whose entries are quote cards (a
// title, the text, tag chips, a button and a time stamp) laid out without
// table layout.
#pragma once

#include <string>

namespace htmlayout::render::sample {

inline std::string quote_card(int n) {
  const std::string id = std::to_string(n);
  return "<div class=\"quote\" id=\"q-" + id +
         "\"><table class=\"qtable\"><tr><td colspan=\"3\"><div class=\"title\"></div></td></tr>"
         "<tr><td class=\"text\" colspan=\"3\">Quote number " +
         id +
         ": a copied sentence long enough to wrap over two lines in a list pane about six "
         "hundred pixels wide, with an &amp; entity.</td></tr>"
         "<tr><td class=\"links\"><div class=\"qtag\" id=\"qt-" +
         id +
         "-1\">alpha</div>"
         "<div class=\"qtag\" id=\"qt-" +
         id +
         "-2\">beta</div></td>"
         "<td class=\"managecell\"><button class=\"managetags\">Manage...</button></td>"
         "<td class=\"timestamp\">2026-12-06 09:05:03</td></tr></table></div>";
}

inline std::string quote_row(int n) { return "<tr><td>" + quote_card(n) + "</td></tr>"; }

inline const char* page_css() {
  return R"CSS(
body { font-size: 13px; margin: 0; padding: 8px; background-color: #f4f5f7; }
#searchbar { height: 30px; margin-bottom: 8px; }
#searchbar img { vertical-align: middle; margin-right: 6px; }
#search { width: 300px; }
#leftpane { float: left; width: 180px; border: 1px solid #c8ccd2; background-color: white; }
#taglist { width: 100%; border-spacing: 0; }
#taglist td { padding: 3px 8px; border-bottom: 1px solid #eceef1; }
#taglist tr:current td { background-color: #3875d7; color: white; }
#listpane { margin-left: 10px; height: 520px; overflow: auto; border: 1px solid #c8ccd2;
            background-color: white; }
#thequotelist, #thequotelist > tbody, #thequotelist > tbody > tr,
#thequotelist > tbody > tr > td { display: block; }
.quote { margin: 6px 12px 6px 6px; border: 1px solid #d5d9de; border-radius: 4px;
         background-color: white; }
#thequotelist tr:checked .quote { background-color: #dbe8fb; border-color: #7aa7e8; }
.qtable, .qtable > tbody, .qtable > tbody > tr, .qtable > tbody > tr > td { display: block; }
.qtable td { padding: 3px 6px; box-sizing: border-box; }
.title { height: 2px; }
.text { color: #1d2330; }
.qtable td.links, .qtable td.managecell, .qtable td.timestamp {
  display: inline-block; vertical-align: top; min-height: 24px; }
.qtable td.links { width: 55%; }
.qtable td.managecell { width: 17%; text-align: right; }
.qtable td.timestamp { width: 28%; text-align: right; color: #6b7280; font-size: 11px;
                       white-space: nowrap; }
.qtag { display: inline-block; background-color: #e3ecf9; border: 1px solid #a9c1e6;
        border-radius: 8px; padding: 0 7px; margin-right: 4px; font-size: 11px; color: #23408e; }
button.managetags { font-size: 11px; }
.spacer { display: block; }
)CSS";
}

// The page around the quote list, which `list_rows` (tbody rows) fills.
inline std::string page_with_rows(const std::string& list_rows, int tags) {
  std::string html =
      "<html><body><div id=\"searchbar\"><img id=\"logo\" src=\"logo.png\">"
      "<input id=\"search\" type=\"text\"> <button id=\"find\">Search</button></div>"
      "<div id=\"leftpane\"><table id=\"taglist\">";
  for (int t = 1; t <= tags; ++t)
    html += "<tr id=\"vt-" + std::to_string(t) + "\"><td>tag " + std::to_string(t) + "</td></tr>";
  html += "</table></div><div id=\"listpane\"><table id=\"thequotelist\"><tbody id=\"rows\">";
  return html + list_rows + "</tbody></table></div></body></html>";
}

// The page with `rows` quote rows in the list and `tags` tags in the tag list.
inline std::string page(int rows, int tags) {
  std::string list;
  for (int n = 1; n <= rows; ++n) list += quote_row(n);
  return page_with_rows(list, tags);
}

// The page as the mirror holds a list of `total` rows: only rows first..last
// exist, and spacers of `row_height` per missing row stand in for the others.
inline std::string mirror_page(int total, int first, int last, int row_height, int tags) {
  auto spacer = [&](int missing) {
    return "<tr class=\"spacer\" style=\"height:" + std::to_string(missing * row_height) +
           "px\"></tr>";
  };
  std::string list = spacer(first - 1);
  for (int n = first; n <= last; ++n) list += quote_row(n);
  list += spacer(total - last);
  return page_with_rows(list, tags);
}

}  // namespace htmlayout::render::sample
