// The Qt container's pixels: the program's kind of page (checked and current
// rows, a scrolled pane that clips, chips, an image, the scroll bar), border
// styles, underlines, list markers and rounded clips, and text measured with
// the font's metrics.
#include "htmlayout/qt/qt_container.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <cstdlib>

#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/testing/sample_page.h"

// fontconfig, which Qt uses to find fonts, keeps its configuration for the
// life of the process; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

using render::box_area;
using render::locate;

void ensure_application() {
  static int argc = 1;
  static char name[] = "htmlayout_qt_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

TEST(QtContainer, PaintsTheProgramsKindOfPage) {
  ensure_application();
  std::vector<std::string> requested;
  qt_container container([&](const std::string& url) {
    requested.push_back(url);
    QImage square(16, 16, QImage::Format_ARGB32);
    square.fill(QColor(220, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    square.save(&buffer, "PNG");
    return bytes;
  });
  container.set_viewport(800, 600);
  render::loaded_document loaded =
      render::load_document(render::sample::page(40, 25), container, render::sample::page_css());
  litehtml::document& doc = *loaded.document;
  auto find = [&](const char* selector) { return doc.root()->select_one(std::string(selector)); };
  find("#vt-3")->set_pseudo_class("current", true);
  render::restyle(find("#vt-3"), loaded.sheets);
  find("#q-5")->parent()->parent()->set_pseudo_class("checked", true);
  render::restyle(find("#q-5")->parent()->parent(), loaded.sheets);
  doc.render(800);
  render::scrollable* list = render::as_scroll_box(find("#listpane"));
  ASSERT_TRUE(list);
  // Scrolled so that the third card is cut at the top of the pane.
  const litehtml::position pane = locate(find("#listpane"), box_area::padding);
  list->set_scroll_y(locate(find("#q-3")).y - pane.y + 20);
  const QImage image = paint_to_image(doc, container, 800, 600);
  if (const char* path = std::getenv("HTMLAYOUT_TEST_PNG")) image.save(path, "PNG");
  auto pixel = [&](int x, int y) { return image.pixelColor(x, y); };

  // The checked card and a plain one, their backgrounds and top borders.
  const litehtml::position card = locate(find("#q-5"));
  ASSERT_GT(card.y, pane.y);
  EXPECT_EQ(pixel(card.x + 4, card.y + 3), QColor("#dbe8fb"));
  EXPECT_EQ(pixel(card.x + card.width / 2, card.y), QColor("#7aa7e8"));
  const litehtml::position plain = locate(find("#q-6"));
  EXPECT_EQ(pixel(plain.x + 4, plain.y + 3), QColor(Qt::white));
  EXPECT_EQ(pixel(plain.x + plain.width / 2, plain.y), QColor("#d5d9de"));
  // The current tag's row is highlighted across its cell.
  const litehtml::position tag = locate(find("#vt-3 td"), box_area::padding);
  EXPECT_EQ(pixel(tag.right() - 3, tag.y + 2), QColor("#3875d7"));
  // The cut card leaves the pane's top border intact, and below the pane is
  // the page's background, though cards continue there.
  EXPECT_LT(locate(find("#q-3")).y, pane.y);
  EXPECT_EQ(pixel(pane.x + 40, pane.y - 1), QColor("#c8ccd2"));
  EXPECT_EQ(pixel(pane.x + 40, pane.bottom() + 2), QColor("#f4f5f7"));
  // Text: dark glyphs with antialiased edges.
  const litehtml::position text = locate(find("#q-6 .text"), box_area::content);
  int dark = 0, grey = 0;
  for (int x = text.x; x < text.right(); ++x) {
    for (int y = text.y; y < text.bottom(); ++y) {
      const int lightness = pixel(x, y).lightness();
      dark += lightness < 100;
      grey += lightness > 100 && lightness < 200;
    }
  }
  EXPECT_GT(dark, 200);
  EXPECT_GT(grey, 100);
  // A tag chip, and the logo asked for once and drawn at its size.
  const litehtml::position chip = locate(find("#qt-6-1"), box_area::border);
  EXPECT_EQ(pixel(chip.x + 3, chip.y + chip.height / 2), QColor("#e3ecf9"));
  EXPECT_EQ(pixel(chip.x + chip.width / 2, chip.y), QColor("#a9c1e6"));
  ASSERT_EQ(requested, std::vector<std::string>{"logo.png"});
  const litehtml::position logo = locate(find("#logo"));
  EXPECT_EQ(logo.width, 16);
  EXPECT_EQ(pixel(logo.x + 8, logo.y + 8), QColor(220, 30, 30));
  // The scroll bar's thumb where the position puts it, at the pane's right edge.
  const render::scroll_metrics metrics = list->metrics();
  int thumb_top = pane.y;
  while (thumb_top < pane.bottom() && pixel(pane.right() - 5, thumb_top).lightness() >= 200)
    ++thumb_top;
  const int track = pane.height - 4;
  const int thumb = std::max(16, track * metrics.viewport_height / metrics.content_height);
  EXPECT_NEAR(thumb_top,
              pane.y + 2 + (track - thumb) * metrics.scroll_y / metrics.max_scroll_y(), 1);
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
  auto at = [&](const char* selector) { return locate(doc.root()->select_one(std::string(selector))); };
  auto lightness = [&](int x, int y) { return image.pixelColor(x, y).lightness(); };

  // A double border: two dark thirds with the background between them.
  const litehtml::position d = at("#double");
  for (int y = 0; y < 6; ++y)
    EXPECT_EQ(lightness(d.x + d.width / 2, d.y + y) < 50, y < 2 || y > 3) << y;
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
