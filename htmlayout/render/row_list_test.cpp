#include "htmlayout/render/row_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/testing/headless_container.h"

namespace htmlayout::render {
namespace {

// Each row is different on purpose: wrapped text, inline boxes with padding
// and borders, a float, a nested table, a negative margin, a relatively
// positioned badge that sticks out of its row, an absolutely placed one and,
// in row 150, a fixed one (which turns culling off).
std::string row_html(int i, bool fixed) {
  const std::string n = std::to_string(i);
  if (fixed && i == 150) return "<article><span class=pinned>pinned</span></article>";
  switch (i % 6) {
    case 0:
      return "<article>plain row " + n + "</article>";
    case 1:
      return "<article>wrapping text for row " + n +
             " that is long enough to need a second line in the list</article>";
    case 2:
      return "<article><span class=pill>pill " + n + "</span> after<div class=float>f</div>"
             "</article>";
    case 3:
      return "<article><table><tr><td>cell " + n + "</td><td>two</td></tr></table></article>";
    case 4:
      return "<article style=\"margin-top:-6px\">lifted " + n +
             "<span class=badge>b</span></article>";
    default:
      return "<article style=\"position:relative\">holder " + n +
             "<span class=corner>c</span></article>";
  }
}

const char kCss[] = R"CSS(
body { margin: 0; }
article { display: block; padding: 2px 4px; border-bottom: 1px solid #ccc; }
.pill { padding: 6px 3px; border: 2px solid blue; background: #eef; }
.float { float: right; width: 120px; height: 50px; background: #fee; }
.badge { position: relative; top: -30px; background: yellow; }
.corner { position: absolute; left: 300px; top: 40px; }
.pinned { position: fixed; top: 0; }
)CSS";

class RowList : public ::testing::Test {
 protected:
  void load(int rows, bool fixed = false) {
    std::string html = "<body><div id=top>top</div><div id=list>";
    for (int i = 0; i < rows; ++i) html += row_html(i, fixed);
    loaded_ = load_document(html + "</div><div id=bottom>bottom</div></body>", container_, kCss);
    loaded_.document->render(800);
  }
  std::string paint(const litehtml::position& clip, bool cull) {
    set_row_culling(cull);
    container_.clear_painted();
    loaded_.document->draw(0, 0, 0, &clip);
    set_row_culling(true);
    std::ostringstream out;
    for (const auto& op : container_.painted())
      out << static_cast<int>(op.what) << ' ' << op.text << ' ' << op.box.x << ',' << op.box.y
          << ',' << op.box.width << ',' << op.box.height << '\n';
    return out.str();
  }
  litehtml::element::ptr hit(int x, int y, bool cull) {
    set_row_culling(cull);
    auto found = loaded_.document->root()->get_element_by_point(x, y, x, y);
    set_row_culling(true);
    return found;
  }
  void TearDown() override { set_row_culling(true); }

  headless_container container_;
  loaded_document loaded_;
};

// Culling skips rows away from the clip or point; what is painted and hit is
// the same as without it, also at the edges of boxes that stick out of their
// rows, where a wrong extent would show.
TEST_F(RowList, PaintingAndHitTestingGiveTheSameResultWithAndWithoutCulling) {
  load(600);
  const int height = loaded_.document->height();
  ASSERT_GT(height, 10000);
  for (int top : {0, height / 3, height - 600}) {
    const litehtml::position clip(0, top, 800, 600);
    EXPECT_EQ(paint(clip, true), paint(clip, false)) << "clip at " << top;
  }
  for (int top = height / 2; top < height / 2 + 240; top += 2) {
    const litehtml::position clip(0, top, 800, 1);
    ASSERT_EQ(paint(clip, true), paint(clip, false)) << "clip at " << top;
  }
  for (int y = 5; y < height; y += height / 41) {
    for (int x : {5, 60, 310}) EXPECT_EQ(hit(x, y, true), hit(x, y, false)) << x << "," << y;
  }
  load(200, true);
  EXPECT_NE(paint({0, 0, 800, 100}, true).find("pinned"), std::string::npos);
}

}  // namespace
}  // namespace htmlayout::render
