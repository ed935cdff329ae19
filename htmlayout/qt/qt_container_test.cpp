// The Qt container's pixels where the program's page (painted in
// view/mainform_widget_test) does not go: border styles, underlines, list
// markers and rounded clips.
#include "htmlayout/qt/qt_container.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "htmlayout/qt/paint_to_image.h"
#include "htmlayout/render/document_loader.h"
#include "htmlayout/render/locate.h"

// fontconfig, which Qt uses to find fonts, keeps its configuration for the
// life of the process; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

using render::locate;

void ensure_application() {
  static int argc = 1;
  static char name[] = "htmlayout_qt_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
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

}  // namespace
}  // namespace htmlayout::qt
