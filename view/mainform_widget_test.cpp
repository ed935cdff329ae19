// The program's main page as the user meets it: the view loads
// res/mainform.htm and shows the default collection, the document widget
// shows it offscreen and takes real Qt input. Looks at pixels a broken
// paint would change: a hovered and a checked quote, a menu, the caret of a
// tag being named, a scrolled list, the drag cursor. With PARVELA_PICTURES
// set to a folder, the pictures are saved there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "htmlayout/dom/events.h"
#include "htmlayout/qt/document_widget.h"
#include "view/testing/view_env.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

void ensure_application() {
  static int argc = 1;
  static char name[] = "mainform_widget_test";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

class MainFormWidget : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1000, kHeight = 700;

  void SetUp() override {
    ensure_application();
    env_.show_default_collection();
    widget_ = std::make_unique<document_widget>(env_.view->document());
    widget_->resize(kWidth, kHeight);
    widget_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget_.get()));
    QApplication::processEvents();
  }
  void TearDown() override { widget_.reset(); }

  dom::element find(const std::string& selector) {
    dom::element found = env_.view->document().root().select_first(selector);
    EXPECT_TRUE(found.is_valid()) << selector;
    return found;
  }
  htmlayout::rect where(const dom::element& e) { return widget_->view().location(e); }
  QPoint middle(const dom::element& e) {
    const htmlayout::rect box = where(e);
    return QPoint(box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2);
  }

  QImage picture(const char* name) {
    QApplication::processEvents();
    QImage image = widget_->grab().toImage();
    if (const char* folder = std::getenv("PARVELA_PICTURES"))
      image.save(QString::fromStdString((std::filesystem::path(folder) / name).string()), "PNG");
    return image;
  }

  pvl::testing::view_env env_;
  std::unique_ptr<document_widget> widget_;
};

TEST_F(MainFormWidget, AHoveredAndACheckedQuote) {
  dom::element list = find("#thequotelist");
  ASSERT_GT(list.children_count(), 10u);
  list.child(1).set_state(state::checked);
  const dom::element first_card = list.child(0).select_first("div.quote");
  QTest::mouseMove(widget_.get(), middle(first_card));
  EXPECT_TRUE(list.child(0).get_state() & state::hover);
  const QImage image = picture("widget-hover-checked.png");
  const htmlayout::rect card = where(first_card);
  EXPECT_EQ(image.pixelColor(card.left + (card.right - card.left) / 2, card.top),
            QColor("#b9c5d8"));  // hovered border
  const htmlayout::rect checked = where(list.child(1).select_first("div.quote"));
  EXPECT_EQ(image.pixelColor(checked.left + (checked.right - checked.left) / 2, checked.top + 4),
            QColor("#e9f0fd"));
  EXPECT_EQ(image.pixelColor(checked.left + (checked.right - checked.left) / 2, checked.top),
            QColor("#7ea3e8"));
}

TEST_F(MainFormWidget, AQuotesMenuAboveTheList) {
  const dom::element card = find("#thequotelist").child(0).select_first("div.quote");
  const QPoint at = middle(card);
  QTest::mouseClick(widget_.get(), Qt::RightButton, {}, at);
  ASSERT_EQ(widget_->input_side().popups().size(), 1u);
  const dom::element menu = widget_->input_side().popups().front().element;
  EXPECT_EQ(menu.get_attribute_utf8("id"), "quote-menu");
  // The pointer over the second item lights it.
  const dom::element second = menu.child(1);
  QTest::mouseMove(widget_.get(), middle(second));
  const QImage image = picture("widget-menu.png");
  const htmlayout::rect box = where(menu);
  EXPECT_EQ(box.left, at.x());
  EXPECT_EQ(box.top, at.y());
  EXPECT_EQ(image.pixelColor(box.left + (box.right - box.left) / 2, box.top + 2),
            QColor("#ffffff"));
  const htmlayout::rect item = where(second);
  EXPECT_EQ(image.pixelColor(item.left + 3, item.top + (item.bottom - item.top) / 2),
            QColor("#2f6fde"));
  // A press outside closes it.
  QTest::mouseClick(widget_.get(), Qt::LeftButton, {}, QPoint(5, kHeight - 5));
  EXPECT_TRUE(widget_->input_side().popups().empty());
}

TEST_F(MainFormWidget, ATagBeingNamedShowsItsCaret) {
  dom::element row = find("#taglist").child(2);
  row.set_state(state::current);
  const dom::element tag = row.select_first("div");
  env_.view->on_view_event(pvl::view_events::vedit_tag{tag});
  QApplication::processEvents();
  ASSERT_TRUE(widget_->input_side().caret());
  widget_->setFocus();
  QTest::keyClick(widget_.get(), Qt::Key_End);
  QTest::keyClicks(widget_.get(), "xy");
  EXPECT_EQ(tag.text().substr(tag.text().size() - 2), L"xy");
  const QImage image = picture("widget-editing.png");
  // A dark line where the caret is, inside the white field.
  const htmlayout::rect field = where(tag);
  EXPECT_EQ(image.pixelColor(field.right - 6, field.top + (field.bottom - field.top) / 2),
            QColor("#ffffff"));
  int caret_x = -1;
  for (int x = field.left + 8; x < field.right - 2 && caret_x < 0; ++x) {
    bool column = true;
    for (int y = field.top + 6; y < field.bottom - 6; ++y)
      if (image.pixelColor(x, y).lightness() > 100) column = false;
    if (column) caret_x = x;
  }
  EXPECT_GT(caret_x, field.left + (field.right - field.left) / 4)
      << "no caret after the typed text";
  // Moving the caret home moves the line.
  QTest::keyClick(widget_.get(), Qt::Key_Home);
  const QImage moved = picture("widget-editing-home.png");
  EXPECT_GT(moved.pixelColor(caret_x, field.top + (field.bottom - field.top) / 2).lightness(), 200);
}

TEST_F(MainFormWidget, TheWheelScrollsTheQuoteList) {
  const dom::element first = find("#thequotelist").child(0).select_first("div.quote");
  const QPoint over = middle(first);
  for (int notch = 0; notch < 8; ++notch) {
    QWheelEvent wheel(over, widget_->mapToGlobal(over), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget_.get(), &wheel);
  }
  const QImage image = picture("widget-scrolled.png");
  render::scroll_metrics metrics;
  ASSERT_TRUE(widget_->view().scroll_info(find("#quotebox"), metrics));
  EXPECT_EQ(metrics.scroll_y, std::min(8 * 60, metrics.max_scroll_y()));
  const htmlayout::rect hidden = widget_->view().visible_area(first);
  EXPECT_TRUE(hidden.right - hidden.left == 0);
  // A card in the middle of the pane is white, the pane around it grey.
  const dom::element under = widget_->view().element_at(over.x(), kHeight / 2);
  const dom::element card = under.select_parent("div.quote");
  ASSERT_TRUE(card.is_valid());
  const htmlayout::rect box = where(card);
  ASSERT_GT(box.top, where(find("#quotebox")).top);
  EXPECT_EQ(image.pixelColor(box.left + (box.right - box.left) / 2, box.top + 4),
            QColor("#ffffff"));
  EXPECT_EQ(image.pixelColor(box.left + 4, box.bottom + 4), QColor("#eceff3"));
}

TEST_F(MainFormWidget, DraggingATagShowsTheDragCursor) {
  const dom::element tag = find("#taglist").child(0).select_first("div.vtag");
  const QPoint from = middle(tag);
  QTest::mousePress(widget_.get(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(12, 8)),
                   widget_->mapToGlobal(QPointF(from + QPoint(12, 8))), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget_.get(), &move);
  QApplication::processEvents();
  EXPECT_EQ(find("body").get_attribute_utf8("cursor"), "dragtag.cur");
  EXPECT_EQ(widget_->cursor().shape(), Qt::BitmapCursor);
  QFile file(
      QString::fromStdString((pvl::testing::view_env::source() / "res" / "dragtag.cur").string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(widget_->cursor().hotSpot(), QPoint(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8,
                                                uint8_t(bytes[12]) | uint8_t(bytes[13]) << 8));
  // Dropped where it started: nothing happens, the cursor comes back.
  QTest::mouseRelease(widget_.get(), Qt::LeftButton, {}, from + QPoint(12, 8));
  QApplication::processEvents();
  EXPECT_FALSE(find("body").has_attribute("cursor"));
  EXPECT_NE(widget_->cursor().shape(), Qt::BitmapCursor);
}

}  // namespace
}  // namespace htmlayout::qt
