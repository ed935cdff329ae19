#include "htmlayout/render/row_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/testing/headless_container.h"
#include "htmlayout/render/scroll_box.h"

namespace htmlayout::render {
namespace {

// Rows are <article> elements of a class that counts how often painting and
// hit testing visit them.
struct visits {
  int draws = 0;
  int hit_tests = 0;
};

class counted_row : public litehtml::html_tag {
 public:
  counted_row(const std::shared_ptr<litehtml::document>& doc, visits& counts)
      : html_tag(doc), counts_(counts) {}
  void draw(litehtml::uint_ptr hdc, int x, int y, const litehtml::position* clip) override {
    ++counts_.draws;
    html_tag::draw(hdc, x, y, clip);
  }
  litehtml::element::ptr get_child_by_point(int x, int y, int client_x, int client_y,
                                            litehtml::draw_flag flag, int zindex) override {
    ++counts_.hit_tests;
    return html_tag::get_child_by_point(x, y, client_x, client_y, flag, zindex);
  }

 private:
  visits& counts_;
};

class counting_container : public headless_container {
 public:
  std::shared_ptr<litehtml::element> create_element(
      const char* tag, const litehtml::string_map& attributes,
      const std::shared_ptr<litehtml::document>& doc) override {
    if (!std::strcmp(tag, "article")) return std::make_shared<counted_row>(doc, counts);
    return headless_container::create_element(tag, attributes, doc);
  }
  visits counts;
};

// Each row is different on purpose: wrapped text, inline boxes with padding
// and borders, a float, a nested table, a negative margin, a relatively
// positioned badge that sticks out of its row and an absolutely placed one.
std::string row_html(int i) {
  const std::string n = std::to_string(i);
  switch (i % 6) {
    case 0:
      return "<article class=row>plain row " + n + "</article>";
    case 1:
      return "<article class=row>wrapping text for row " + n +
             " that is long enough to need a second line in the list</article>";
    case 2:
      return "<article class=row><span class=pill>pill " + n + "</span> after " + n +
             "<div class=float>float " + n + "</div></article>";
    case 3:
      return "<article class=row><table><tr><td>cell " + n + "</td><td>two " + n +
             "</td></tr></table></article>";
    case 4:
      return "<article class=row style=\"margin-top:-6px\">lifted " + n +
             "<span class=badge>badge " + n + "</span></article>";
    default:
      return "<article class=row style=\"position:relative\">holder " + n +
             "<span class=corner>corner " + n + "</span></article>";
  }
}

const char kCss[] = R"CSS(
body { margin: 0; }
article { display: block; padding: 2px 4px; border-bottom: 1px solid #ccc; }
.pill { padding: 6px 3px; border: 2px solid blue; background: #eef; }
.float { float: right; width: 120px; height: 50px; background: #fee; }
.badge { position: relative; top: -30px; background: yellow; }
.corner { position: absolute; left: 300px; top: 40px; }
#scroller { height: 400px; overflow: auto; }
)CSS";

std::string list_html(int rows, bool scrolled) {
  std::string html = "<body><div id=top>top</div>";
  html += scrolled ? "<div id=scroller><div id=list>" : "<div id=list>";
  for (int i = 0; i < rows; ++i) html += row_html(i);
  html += scrolled ? "</div></div>" : "</div>";
  return html + "<div id=bottom>bottom</div></body>";
}

std::string describe(const std::vector<paint_op>& ops) {
  std::ostringstream out;
  for (const auto& op : ops) {
    out << static_cast<int>(op.what) << ' ' << op.text << ' ' << op.box.x << ',' << op.box.y << ','
        << op.box.width << ',' << op.box.height << " clip " << op.clipped << ' ' << op.clip.y << ','
        << op.clip.height << '\n';
  }
  return out.str();
}

class RowList : public ::testing::Test {
 protected:
  void load(int rows, bool scrolled) {
    loaded_ = load_document(list_html(rows, scrolled), container_, kCss);
    loaded_.document->render(800);
  }
  std::string paint(const litehtml::position& clip, bool cull) {
    set_row_culling(cull);
    container_.clear_painted();
    container_.counts = {};
    loaded_.document->draw(0, 0, 0, &clip);
    set_row_culling(true);
    return describe(container_.painted());
  }
  litehtml::element::ptr hit(int x, int y, bool cull) {
    set_row_culling(cull);
    container_.counts = {};
    auto found = loaded_.document->root()->get_element_by_point(x, y, x, y);
    set_row_culling(true);
    return found;
  }
  void TearDown() override { set_row_culling(true); }

  counting_container container_;
  loaded_document loaded_;
};

TEST_F(RowList, PaintsAndHitTestsOnlyTheRowsMeetingTheClipOrPointWithTheSameResult) {
  load(1500, false);
  const int height = loaded_.document->height();
  ASSERT_GT(height, 30000);
  for (int top : {0, 2, height / 3, height / 2 + 7, height - 600}) {
    for (int band : {1, 600}) {
      const litehtml::position clip(0, top, 800, band);
      const std::string full = paint(clip, false);
      EXPECT_EQ(container_.counts.draws, 1500);
      EXPECT_EQ(paint(clip, true), full) << "clip at " << top << " height " << band;
      EXPECT_LT(container_.counts.draws, band / 10 + 12) << "clip at " << top;
    }
  }
  // Thin bands across a stretch of every kind of row: the edges of boxes
  // that stick out of their rows are where a wrong extent would show.
  for (int top = height / 2; top < height / 2 + 240; top += 2) {
    const litehtml::position clip(0, top, 800, 1);
    ASSERT_EQ(paint(clip, true), paint(clip, false)) << "clip at " << top;
  }
  for (int y = 5; y < height; y += height / 41) {
    for (int x : {5, 60, 310}) {
      const auto full = hit(x, y, false);
      // litehtml walks the rows from the last up to the one under the point.
      if (y < height / 2) {
        EXPECT_GT(container_.counts.hit_tests, 500);
      }
      EXPECT_EQ(hit(x, y, true), full) << x << "," << y;
      EXPECT_LT(container_.counts.hit_tests, 60) << x << "," << y;
    }
  }
  // Inside a scrolled box.
  load(1000, true);
  scrollable* box = as_scroll_box(loaded_.document->root()->select_one(std::string("#scroller")));
  ASSERT_TRUE(box);
  box->set_scroll_y(box->metrics().max_scroll_y() / 2);
  const std::string full = paint({0, 0, 800, 600}, false);
  EXPECT_EQ(paint({0, 0, 800, 600}, true), full);
  EXPECT_LT(container_.counts.draws, 60);
  for (int y = 20; y < 420; y += 17) EXPECT_EQ(hit(100, y, true), hit(100, y, false)) << y;
}

TEST_F(RowList, AFixedDescendantTurnsCullingOff) {
  std::string html = "<body><div id=list>";
  for (int i = 0; i < 200; ++i) {
    html += "<article>row " + std::to_string(i) +
            (i == 150 ? "<span style=\"position:fixed; left:0; top:0\">pinned</span>" : "") +
            "</article>";
  }
  loaded_ = load_document(html + "</div></body>", container_, kCss);
  loaded_.document->render(800);
  const std::string culled = paint({0, 0, 800, 100}, true);
  EXPECT_EQ(container_.counts.draws, 200);
  EXPECT_NE(culled.find("pinned"), std::string::npos);
  EXPECT_EQ(culled, paint({0, 0, 800, 100}, false));
}

}  // namespace
}  // namespace htmlayout::render
