// The main page and the about box in the Qt document widget under real Qt input, by their
// pixels. PARVELA_PICTURES names a folder to save the pictures in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <ranges>
#include <regex>

#include "htmlayout/qt/dialog_window.h"
#include "htmlayout/qt/document_widget.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"
#include "view/about_dlg.h"
#include "view/behavior_host.h"
#include "view/testing/view_env.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace htmlayout::qt {
namespace {

class MainFormWidget : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("mainform_widget_test"), nullptr};
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
  static QPoint middle(const htmlayout::rect& b) { return {(b.left + b.right) / 2, (b.top + b.bottom) / 2}; }
  dom::element select(const char* selector) { return env.view->document().root().select_first(selector); }
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
  const dom::element list = select("#thequotelist");
  ASSERT_GT(list.children_count(), 10u);
  list.child(1).set_state(state::checked);
  const htmlayout::rect card = where(list.child(0).select_first("div.quote")),
                        checked = where(list.child(1).select_first("div.quote"));
  QTest::mouseMove(widget.get(), middle(card));
  EXPECT_TRUE(list.child(0).get_state() & state::hover);
  const QImage image = picture("widget-hover-checked.png");
  EXPECT_EQ(image.pixelColor(middle(card).x(), card.top), QColor("#b9c5d8"));  // hovered border
  EXPECT_EQ(image.pixelColor(middle(checked).x(), checked.top + 4), QColor("#e9f0fd"));
  EXPECT_EQ(image.pixelColor(middle(checked).x(), checked.top), QColor("#7ea3e8"));
  dom::element row = select("#taglist").child(2);
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
  const htmlayout::rect field = where(tag);
  const int y = middle(field).y();
  EXPECT_EQ(editing.pixelColor(field.right - 6, y), QColor("#ffffff"));
  int caret_x = -1;  // the leftmost column dark from the field's top to its bottom
  for (int x = field.right - 3; x >= field.left + 8; --x)
    if (std::ranges::none_of(std::views::iota(field.top + 6, field.bottom - 6),
                             [&](int y) { return editing.pixelColor(x, y).lightness() > 100; }))
      caret_x = x;
  EXPECT_GT(caret_x, field.left + (field.right - field.left) / 4) << "no caret after the text";
  QTest::keyClick(widget.get(), Qt::Key_Home);
  EXPECT_GT(picture("widget-editing-home.png").pixelColor(caret_x, y).lightness(), 200);
}

TEST_F(MainFormWidget, DraggingATagShowsTheDragCursorAndTheWheelScrollsTheList) {
  const dom::element tag = select("#taglist div.vtag");
  const QPoint from = middle(where(tag)), to = from + QPoint(12, 8);
  QTest::mousePress(widget.get(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget.get(), &move);
  QApplication::processEvents();
  EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
  const std::string bytes =
      testing_support::read_file(pvl::testing::view_env::source() / "res" / "dragtag.cur");
  ASSERT_GT(bytes.size(), 14u);
  EXPECT_EQ(widget->cursor().hotSpot(), QPoint(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8,
                                               uint8_t(bytes[12]) | uint8_t(bytes[13]) << 8));
  QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, to);  // dropped where it started: nothing
  QApplication::processEvents();
  EXPECT_NE(widget->cursor().shape(), Qt::BitmapCursor);
  const dom::element first = select("#thequotelist div.quote");
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

// The box's root has no "html" behaviour, whose Escape would close the main window.
TEST_F(MainFormWidget, TheAboutBoxIsModalOverTheWindowItsLinksOpenWithTheShellAndItEnds) {
  install_dialog_runner();
  // `user` acts in the box once it is up; one still open after five seconds is closed.
  const auto show = [&](std::function<void(QDialog&, document_widget&)> user) {
    QTimer act;
    act.callOnTimeout([&] {
      auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!window) return;
      act.stop();
      auto* page = window->findChild<document_widget*>();
      ASSERT_NE(page, nullptr);
      if (QTest::qWaitForWindowExposed(window)) user(*window, *page);
    });
    act.start(10);
    QTimer::singleShot(5000, &act, [] { if (auto* box = QApplication::activeModalWidget()) box->close(); });
    return pvl::AboutDlg(&env.view->document(), *env.resources).show();
  };
  std::vector<std::wstring> opened;
  pvl::host().open_url = [&](const std::wstring& url) { opened.push_back(url); };
  QImage image;
  const int code = show([&](QDialog& window, document_widget& page) {
    EXPECT_EQ(window.windowTitle(), "About Parvela");
    EXPECT_EQ(window.parentWidget(), widget->window());
    EXPECT_TRUE(window.isModal());
    image = page.grab().toImage();
    int links = 0;
    for (const dom::element& link : page.doc().root().select_all("div.link")) {
      const std::string target = link.get_attribute_utf8("link").value_or("");
      EXPECT_TRUE(std::regex_match(target, std::regex("https?://[^ ]+|Parvela Help\\.html")));
      EXPECT_EQ(target.find(".example"), std::string::npos) << target;
      EXPECT_EQ(link.get_style_attribute("behavior"), L"link") << target;
      ++links;
    }
    EXPECT_GE(links, 3);
    EXPECT_EQ(page.doc().root().get_style_attribute("behavior"), L"");
    for (const char* selector : {"div.link", "#IDOK"}) {
      const auto box = page.view().location(page.doc().root().select_first(selector));
      QTest::mouseClick(&page, Qt::LeftButton, {}, middle(box));
    }
  });
  EXPECT_EQ(code, htmlayout::dialog_result::ok);
  EXPECT_EQ(opened, std::vector<std::wstring>{tinyfilesystem::join_path(
                        tinyfilesystem::app_dir(L"ParvelaDir"), L"Parvela Help.html")});
  ASSERT_FALSE(image.isNull());
  int coloured = 0;
  for (int x = 0; x < 256; x += 8) coloured += image.pixelColor(x, 32) != QColor(Qt::white);
  EXPECT_GT(coloured, 8);
  EXPECT_EQ(show([](QDialog& window, document_widget&) { window.close(); }),
            htmlayout::dialog_result::cancel);
  EXPECT_EQ(show([](QDialog&, document_widget& page) { QTest::keyClick(&page, Qt::Key_Escape); }),
            htmlayout::dialog_result::close);
  set_dialog_runner({});
}

}  // namespace
}  // namespace htmlayout::qt
