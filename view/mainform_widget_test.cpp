// The main page with the default collection in the document widget, offscreen,
// under real Qt input: the pixels of a hovered and a checked quote and of the
// caret of a tag being named, the drag cursor from its .cur file and the wheel.
// PARVELA_PICTURES names a folder to save them in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/qt/document_widget.h"
#include "view/testing/view_env.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

class MainFormWidget : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "mainform_widget_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }
  void SetUp() override {
    env.show_default_collection();
    widget = std::make_unique<document_widget>(env.view->document());
    widget->resize(1000, 700);
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    QApplication::processEvents();
  }
  htmlayout::rect where(const dom::element& e) { return widget->view().location(e); }
  static QPoint middle(const htmlayout::rect& box) {
    return QPoint(box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2);
  }
  QImage picture(const char* name) {
    QApplication::processEvents();
    QImage image = widget->grab().toImage();
    if (const char* folder = std::getenv("PARVELA_PICTURES"))
      image.save(QString::fromStdString((std::filesystem::path(folder) / name).string()), "PNG");
    return image;
  }

  pvl::testing::view_env env;
  std::unique_ptr<document_widget> widget;
};

TEST_F(MainFormWidget, AHoveredAndACheckedQuoteAndTheCaretOfATagBeingNamed) {
  const dom::element list = env.view->document().root().select_first("#thequotelist");
  ASSERT_GT(list.children_count(), 10u);
  list.child(1).set_state(state::checked);
  const htmlayout::rect card = where(list.child(0).select_first("div.quote"));
  QTest::mouseMove(widget.get(), middle(card));
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
  ASSERT_TRUE(widget->input_side().caret());
  widget->setFocus();
  QTest::keyClick(widget.get(), Qt::Key_End);
  QTest::keyClicks(widget.get(), "xy");
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
  QTest::keyClick(widget.get(), Qt::Key_Home);
  EXPECT_GT(picture("widget-editing-home.png").pixelColor(caret_x, y).lightness(), 200);
}

TEST_F(MainFormWidget, DraggingATagShowsTheDragCursorAndTheWheelScrollsTheList) {
  const dom::element tag = env.view->document().root().select_first("#taglist div.vtag");
  const QPoint from = middle(where(tag)), to = from + QPoint(12, 8);
  QTest::mousePress(widget.get(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget.get(), &move);
  QApplication::processEvents();
  EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
  QFile file(QString::fromStdString((pvl::testing::view_env::source() / "res" / "dragtag.cur").string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(widget->cursor().hotSpot(), QPoint(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8,
                                              uint8_t(bytes[12]) | uint8_t(bytes[13]) << 8));
  QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, to);  // dropped where it started: nothing
  QApplication::processEvents();
  EXPECT_NE(widget->cursor().shape(), Qt::BitmapCursor);

  const dom::element first = env.view->document().root().select_first("#thequotelist div.quote");
  const QPoint over = middle(where(first));
  for (int notch = 0; notch < 8; ++notch) {
    QWheelEvent wheel(over, widget->mapToGlobal(over), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget.get(), &wheel);
  }
  const QImage image = picture("widget-scrolled.png");
  EXPECT_EQ(widget->view().visible_area(first).right - widget->view().visible_area(first).left, 0);
  const dom::element card = widget->view().element_at(over.x(), 350).select_parent("div.quote");
  ASSERT_TRUE(card.is_valid());
  const htmlayout::rect box = where(card);
  EXPECT_EQ(image.pixelColor(middle(box).x(), box.top + 4), QColor("#ffffff"));
  EXPECT_EQ(image.pixelColor(box.left + 4, box.bottom + 4), QColor("#eceff3"));  // the pane
}

}  // namespace
}  // namespace htmlayout::qt
