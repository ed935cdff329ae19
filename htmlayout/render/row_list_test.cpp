#include "htmlayout/render/row_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "htmlayout/render/testing/test_page.h"

namespace htmlayout::render {
namespace {

// Rows of every kind that can stick out of a row or wrap; with `fixed`, row 150 holds a fixed box
// (which turns culling off).
std::string page(int rows, bool fixed) {
  std::string html = "<body><div id=top>top</div><div id=list>";
  const std::string rows_by_kind[] = {
      "<article>plain row #</article>",
      "<article>wrapping text for row # that is long enough to need a second line in the list</article>",
      "<article><span class=pill>pill #</span> after<div class=float>f</div></article>",
      "<article><table><tr><td>cell #</td><td>two</td></tr></table></article>",
      "<article style=\"margin-top:-6px\">lifted #<span class=badge>b</span></article>",
      "<article style=\"position:relative\">holder #<span class=corner>c</span></article>"};
  for (int i = 0; i < rows; ++i) {
    std::string row = rows_by_kind[i % 6];
    row.replace(row.find('#'), 1, std::to_string(i));
    html += fixed && i == 150 ? "<article><span class=pinned>pinned</span></article>" : row;
  }
  return html + "</div><div id=bottom>bottom</div></body>";
}

const char kCss[] =
    "body { margin: 0; } article { display: block; padding: 2px 4px; border-bottom: 1px solid; }"
    ".pill { padding: 6px 3px; border: 2px solid blue; background: #eef; }"
    ".float { float: right; width: 120px; height: 50px; background: #fee; }"
    ".badge { position: relative; top: -30px; background: yellow; }"
    ".corner { position: absolute; left: 300px; top: 40px; } .pinned { position: fixed; top: 0; }";

std::string paint(test_support::test_page& page, const litehtml::position& clip, bool cull) {
  set_row_culling(cull);
  std::ostringstream out;
  for (const auto& op : page.paint(clip))
    out << static_cast<int>(op.what) << ' ' << op.text << ' ' << test_support::box_text(op.box) << '\n';
  set_row_culling(true);
  return out.str();
}

// Also at the edges of boxes that stick out of their rows, where a wrong extent would show.
TEST(RowList, PaintingAndHitTestingGiveTheSameResultWithAndWithoutCulling) {
  test_support::test_page list(page(600, false), kCss);
  const int height = list.document()->height();
  ASSERT_GT(height, 10000);
  for (int top : {0, height / 3, height - 600}) {
    const litehtml::position clip(0, top, 800, 600);
    EXPECT_EQ(paint(list, clip, true), paint(list, clip, false)) << "clip at " << top;
  }
  for (int top = height / 2; top < height / 2 + 240; top += 2) {
    const litehtml::position clip(0, top, 800, 1);
    ASSERT_EQ(paint(list, clip, true), paint(list, clip, false)) << "clip at " << top;
  }
  auto hit = [&](int x, int y, bool cull) {
    set_row_culling(cull);
    auto found = list.document()->root()->get_element_by_point(x, y, x, y);
    set_row_culling(true);
    return found;
  };
  for (int y = 5; y < height; y += height / 41)
    for (int x : {5, 60, 310}) EXPECT_EQ(hit(x, y, true), hit(x, y, false)) << x << "," << y;
  test_support::test_page pinned(page(200, true), kCss);
  EXPECT_NE(paint(pinned, {0, 0, 800, 100}, true).find("pinned"), std::string::npos);
}

}  // namespace
}  // namespace htmlayout::render
