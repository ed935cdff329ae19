// The main page with the default collection in the document widget, offscreen,
// under real Qt input: the pixels of a hovered and a checked quote and of the
// caret of a tag being named. PARVELA_PICTURES names a folder to save them in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/qt/document_widget.h"
#include "view/testing/view_env.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

TEST(MainFormWidget, AHoveredAndACheckedQuoteAndTheCaretOfATagBeingNamed) {
  static int argc = 1;
  static char name[] = "mainform_widget_test";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  pvl::testing::view_env env;
  env.show_default_collection();
  document_widget widget(env.view->document());
  widget.resize(1000, 700);
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
  QApplication::processEvents();
  const auto where = [&](const dom::element& e) { return widget.view().location(e); };
  const auto middle = [&](const htmlayout::rect& box) {
    return QPoint(box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2);
  };
  const auto picture = [&](const char* name) {
    QApplication::processEvents();
    QImage image = widget.grab().toImage();
    if (const char* folder = std::getenv("PARVELA_PICTURES"))
      image.save(QString::fromStdString((std::filesystem::path(folder) / name).string()), "PNG");
    return image;
  };

  const dom::element list = env.view->document().root().select_first("#thequotelist");
  ASSERT_GT(list.children_count(), 10u);
  list.child(1).set_state(state::checked);
  const htmlayout::rect card = where(list.child(0).select_first("div.quote"));
  QTest::mouseMove(&widget, middle(card));
  EXPECT_TRUE(list.child(0).get_state() & state::hover);
  const QImage image = picture("widget-hover-checked.png");
  EXPECT_EQ(image.pixelColor(middle(card).x(), card.top), QColor("#b9c5d8"));  // hovered border
  const htmlayout::rect checked = where(list.child(1).select_first("div.quote"));
  EXPECT_EQ(image.pixelColor(middle(checked).x(), checked.top + 4), QColor("#e9f0fd"));
  EXPECT_EQ(image.pixelColor(middle(checked).x(), checked.top), QColor("#7ea3e8"));

  dom::element row = env.view->document().root().select_first("#taglist").child(2);
  row.set_state(state::current);
  const dom::element tag = row.select_first("div");
  env.view->on_view_event(pvl::view_events::vedit_tag{tag});
  QApplication::processEvents();
  ASSERT_TRUE(widget.input_side().caret());
  widget.setFocus();
  QTest::keyClick(&widget, Qt::Key_End);
  QTest::keyClicks(&widget, "xy");
  EXPECT_EQ(tag.text().substr(tag.text().size() - 2), L"xy");
  const QImage editing = picture("widget-editing.png");
  // A dark line where the caret is, inside the white field.
  const htmlayout::rect field = where(tag);
  const int y = middle(field).y();
  EXPECT_EQ(editing.pixelColor(field.right - 6, y), QColor("#ffffff"));
  int caret_x = -1;
  for (int x = field.left + 8; x < field.right - 2 && caret_x < 0; ++x) {
    bool column = true;
    for (int dy = field.top + 6; dy < field.bottom - 6; ++dy)
      if (editing.pixelColor(x, dy).lightness() > 100) column = false;
    if (column) caret_x = x;
  }
  EXPECT_GT(caret_x, field.left + (field.right - field.left) / 4) << "no caret after the text";
  // Moving the caret home moves the line.
  QTest::keyClick(&widget, Qt::Key_Home);
  EXPECT_GT(picture("widget-editing-home.png").pixelColor(caret_x, y).lightness(), 200);
}

}  // namespace
}  // namespace htmlayout::qt
