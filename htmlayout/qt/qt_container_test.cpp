#include "htmlayout/qt/qt_container.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <cstdlib>

#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/testing/sample_page.h"
#include "htmlayout/render/scroll_box.h"

// fontconfig, which Qt uses to find fonts, keeps its configuration for the
// life of the process; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

void ensure_application() {
  static int argc = 1;
  static char name[] = "htmlayout_qt_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

QByteArray red_square_png() {
  QImage square(16, 16, QImage::Format_ARGB32);
  square.fill(QColor(220, 30, 30));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  square.save(&buffer, "PNG");
  return bytes;
}

class SamplePage : public ::testing::Test {
 protected:
  static constexpr int kWidth = 800, kHeight = 600;

  void SetUp() override {
    ensure_application();
    container_ = std::make_unique<qt_container>([this](const std::string& url) {
      requested_.push_back(url);
      return url == "logo.png" ? red_square_png() : QByteArray();
    });
    container_->set_viewport(kWidth, kHeight);
    loaded_ = render::load_document(render::sample::page(40, 25), *container_,
                                    render::sample::page_css());
    doc().root()->select_one(std::string("#vt-3"))->set_pseudo_class("current", true);
    render::restyle(doc().root()->select_one(std::string("#vt-3")), loaded_.sheets);
    checked_row_ = doc().root()->select_one(std::string("#q-5"))->parent()->parent();
    checked_row_->set_pseudo_class("checked", true);
    render::restyle(checked_row_, loaded_.sheets);
    doc().render(kWidth);
    list_ = render::as_scroll_box(doc().root()->select_one(std::string("#listpane")));
    ASSERT_TRUE(list_);
    // Scroll so that the third card is cut at the top of the pane.
    const int pane_top = render::locate(find("#listpane"), render::box_area::padding).y;
    list_->set_scroll_y(render::locate(find("#q-3")).y - pane_top + 20);
    image_ = paint_to_image(doc(), *container_, kWidth, kHeight);
    if (const char* path = std::getenv("HTMLAYOUT_TEST_PNG")) image_.save(path, "PNG");
  }

  litehtml::document& doc() { return *loaded_.document; }
  litehtml::element::ptr find(const char* selector) {
    return doc().root()->select_one(std::string(selector));
  }
  QColor pixel(int x, int y) const { return image_.pixelColor(x, y); }

  std::unique_ptr<qt_container> container_;
  render::loaded_document loaded_;
  litehtml::element::ptr checked_row_;
  render::scrollable* list_ = nullptr;
  std::vector<std::string> requested_;
  QImage image_;
};

TEST_F(SamplePage, PaintsTheCheckedRowInItsColours) {
  const litehtml::position card = render::locate(find("#q-5"));
  ASSERT_GT(card.y, 0);
  ASSERT_LT(card.bottom(), kHeight);
  EXPECT_EQ(pixel(card.x + 4, card.y + 3), QColor("#dbe8fb"));
  EXPECT_EQ(pixel(card.x + card.width / 2, card.y), QColor("#7aa7e8"));  // top border
  const litehtml::position plain = render::locate(find("#q-6"));
  EXPECT_EQ(pixel(plain.x + 4, plain.y + 3), QColor(Qt::white));
  EXPECT_EQ(pixel(plain.x + plain.width / 2, plain.y), QColor("#d5d9de"));
  // The current tag's row is highlighted across its cell.
  const litehtml::position tag = render::locate(find("#vt-3 td"), render::box_area::padding);
  EXPECT_EQ(pixel(tag.right() - 3, tag.y + 2), QColor("#3875d7"));
}

TEST_F(SamplePage, ClipsTheScrolledListToItsPane) {
  const litehtml::position pane = render::locate(find("#listpane"), render::box_area::padding);
  const litehtml::position third = render::locate(find("#q-3"));
  // The third card starts above the pane and is cut by it: the pane's top
  // border stays intact above it.
  EXPECT_LT(third.y, pane.y);
  EXPECT_GT(third.bottom(), pane.y);
  EXPECT_EQ(pixel(pane.x + 40, pane.y - 1), QColor("#c8ccd2"));
  // Below the pane is the page's background, though cards continue there.
  ASSERT_LT(pane.bottom() + 2, kHeight);
  EXPECT_EQ(pixel(pane.x + 40, pane.bottom() + 2), QColor("#f4f5f7"));
  // Text of the cut card shows inside the pane.
  int dark = 0;
  for (int x = pane.x; x < pane.right(); ++x) {
    for (int y = pane.y; y < pane.y + 20; ++y) dark += pixel(x, y).lightness() < 128;
  }
  EXPECT_GT(dark, 20);
}

TEST_F(SamplePage, DrawsAntialiasedTextChipsAndImages) {
  const litehtml::position text = render::locate(find("#q-6 .text"), render::box_area::content);
  int dark = 0, grey = 0;
  for (int x = text.x; x < text.right(); ++x) {
    for (int y = text.y; y < text.bottom(); ++y) {
      const int lightness = pixel(x, y).lightness();
      dark += lightness < 100;
      grey += lightness > 100 && lightness < 200;
    }
  }
  EXPECT_GT(dark, 200);
  EXPECT_GT(grey, 100);  // antialiased edges

  const litehtml::position chip = render::locate(find("#qt-6-1"), render::box_area::border);
  EXPECT_EQ(pixel(chip.x + 3, chip.y + chip.height / 2), QColor("#e3ecf9"));
  EXPECT_EQ(pixel(chip.x + chip.width / 2, chip.y), QColor("#a9c1e6"));

  ASSERT_EQ(requested_, std::vector<std::string>{"logo.png"});
  const litehtml::position logo = render::locate(find("#logo"));
  EXPECT_EQ(logo.width, 16);
  EXPECT_EQ(pixel(logo.x + 8, logo.y + 8), QColor(220, 30, 30));
}

TEST_F(SamplePage, DrawsTheScrollBarAtThePosition) {
  const litehtml::position pane = render::locate(find("#listpane"), render::box_area::padding);
  const render::scroll_metrics metrics = list_->metrics();
  ASSERT_GT(metrics.max_scroll_y(), 0);
  // The thumb is in the top part of the track, right at the pane's edge.
  const int x = pane.right() - 5;
  int thumb_top = -1;
  for (int y = pane.y; y < pane.bottom(); ++y) {
    if (pixel(x, y).lightness() < 200) {
      thumb_top = y;
      break;
    }
  }
  const int track = pane.height - 4;
  const int thumb = std::max(16, track * metrics.viewport_height / metrics.content_height);
  const int expected = pane.y + 2 + (track - thumb) * metrics.scroll_y / metrics.max_scroll_y();
  EXPECT_NEAR(thumb_top, expected, 1);
}

TEST(QtContainer, DrawsBorderStylesDecorationsMarkersAndRoundedClips) {
  ensure_application();
  qt_container container;
  container.set_viewport(400, 300);
  render::loaded_document loaded = render::load_document(
      "<body><div id=double>double</div><div id=dotted>dotted</div><div id=inset>inset</div>"
      "<p id=under><u>underlined words</u></p><ul><li id=item>item</li></ul>"
      "<div id=round><div id=fill></div></div></body>",
      container,
      "body { margin: 10px; } div { height: 30px; width: 200px; margin-bottom: 10px; }"
      "#double { border: 6px double #000000; } #dotted { border: 4px dotted #000000; }"
      "#inset { border: 4px inset #808080; } p { margin: 0; font-size: 20px; }"
      "#round { border-radius: 15px; overflow: hidden; background-color: #00ff00; }"
      "#fill { height: 30px; width: 200px; background-color: #0000ff; }");
  litehtml::document& doc = *loaded.document;
  doc.render(400);
  const QImage image = paint_to_image(doc, container, 400, 300);
  if (const char* path = std::getenv("HTMLAYOUT_TEST_PNG_2")) image.save(path, "PNG");
  auto at = [&](const char* selector) {
    return render::locate(doc.root()->select_one(std::string(selector)));
  };
  auto lightness = [&](int x, int y) { return image.pixelColor(x, y).lightness(); };

  // A double border: two dark thirds with the background between them.
  const litehtml::position d = at("#double");
  const int mid = d.x + d.width / 2;
  EXPECT_LT(lightness(mid, d.y + 0), 50);
  EXPECT_LT(lightness(mid, d.y + 1), 50);
  EXPECT_GT(lightness(mid, d.y + 2), 200);
  EXPECT_GT(lightness(mid, d.y + 3), 200);
  EXPECT_LT(lightness(mid, d.y + 4), 50);
  EXPECT_LT(lightness(mid, d.y + 5), 50);
  // A dotted border has gaps along its side.
  const litehtml::position dots = at("#dotted");
  int dark = 0, light = 0;
  for (int x = dots.x; x < dots.right(); ++x) (lightness(x, dots.y + 2) < 100 ? dark : light)++;
  EXPECT_GT(dark, 40);
  EXPECT_GT(light, 40);
  // An inset border is darker above than below.
  const litehtml::position inset = at("#inset");
  EXPECT_LT(lightness(inset.x + 100, inset.y + 1) + 40,
            lightness(inset.x + 100, inset.bottom() - 2));

  // Underlined text: a dark line under the glyphs, also under the space.
  const litehtml::position under = at("#under u");
  int underline_row = -1;
  for (int y = under.bottom() - 1; y > under.y && underline_row < 0; --y) {
    int run = 0;
    for (int x = under.x; x < under.right(); ++x) run += lightness(x, y) < 128;
    if (run > under.width * 9 / 10) underline_row = y;
  }
  EXPECT_GT(underline_row, under.y + under.height / 2);

  // The list item's disc sits left of its text.
  const litehtml::position item = at("#item");
  int disc = 0;
  for (int x = item.x - 16; x < item.x; ++x) {
    for (int y = item.y; y < item.bottom(); ++y) disc += lightness(x, y) < 100;
  }
  EXPECT_GT(disc, 4);

  // The rounded box clips its child's corners: the corner shows the page, the
  // middle the child.
  const litehtml::position round = at("#round");
  EXPECT_EQ(image.pixelColor(round.x + 1, round.y + 1), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(round.x + 100, round.y + 15), QColor(0, 0, 255));
}

TEST(QtContainer, MeasuresWithTheFontsMetrics) {
  ensure_application();
  qt_container container;
  litehtml::font_metrics metrics;
  const auto regular =
      container.create_font("DejaVu Sans", 20, 400, litehtml::fontStyleNormal, 0, &metrics);
  const auto bold =
      container.create_font("sans-serif", 20, 700, litehtml::fontStyleNormal, 0, nullptr);
  QFont reference("DejaVu Sans");
  reference.setPixelSize(20);
  EXPECT_EQ(metrics.ascent, QFontMetrics(reference).ascent());
  EXPECT_EQ(metrics.height, QFontMetrics(reference).height());
  EXPECT_FALSE(metrics.draw_spaces);
  EXPECT_EQ(container.text_width("Parvela", regular),
            QFontMetrics(reference).horizontalAdvance("Parvela"));
  EXPECT_GT(container.text_width("Parvela", bold), container.text_width("Parvela", regular));
  container.delete_font(regular);
  container.delete_font(bold);
}

}  // namespace
}  // namespace htmlayout::qt
