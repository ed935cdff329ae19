// The about box as the program shows it, by the Qt dialog runner over the main
// window's widget: its links, and OK, Escape and the close box end it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <regex>

#include "htmlayout/qt/dialog_window.h"
#include "htmlayout/qt/document_widget.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"
#include "view/about_dlg.h"
#include "view/behavior_host.h"
#include "view/testing/view_env.h"

namespace htmlayout::qt {
namespace {

QPoint middle(document_widget& page, const char* selector) {
  const htmlayout::rect box = page.view().location(page.doc().root().select_first(selector));
  return QPoint(box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2);
}

TEST(AboutBox, OpensModalOverTheMainWindowItsLinksOpenWithTheShellAndItEnds) {
  static int argc = 1;
  static char name[] = "about_box_test";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  install_dialog_runner();
  pvl::testing::view_env env;
  document_widget main(env.view->document());
  main.resize(800, 600);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  // Shows the box; `user` acts in it once it is up. A box open after five seconds is closed.
  const auto show = [&](std::function<void(QDialog&, document_widget&)> user) {
    QTimer act, give_up;
    act.setSingleShot(true);
    give_up.setSingleShot(true);
    QObject::connect(&act, &QTimer::timeout, [&] {
      auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!window) return act.start(10);
      auto* page = window->findChild<document_widget*>();
      ASSERT_NE(page, nullptr);
      if (!QTest::qWaitForWindowExposed(window)) return;
      user(*window, *page);
    });
    QObject::connect(&give_up, &QTimer::timeout, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    act.start(0);
    give_up.start(5000);
    pvl::AboutDlg about(&env.view->document(), *env.resources);
    return about.show();
  };

  std::vector<std::wstring> opened;
  pvl::host().open_url = [&](const std::wstring& url) { opened.push_back(url); };
  QImage image;
  const int code = show([&](QDialog& window, document_widget& page) {
    EXPECT_EQ(window.windowTitle(), "About Parvela");
    EXPECT_EQ(window.parentWidget(), main.window());
    EXPECT_TRUE(window.isModal());
    image = page.grab().toImage();
    // Each link names the help page or a web address; the root has no "html"
    // behaviour, whose Escape would close the main window instead of the box.
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
    QTest::mouseClick(&page, Qt::LeftButton, {}, middle(page, "div.link"));
    QTest::mouseClick(&page, Qt::LeftButton, {}, middle(page, "#IDOK"));
  });
  EXPECT_EQ(code, htmlayout::dialog_result::ok);
  // The first link is the help page beside the program.
  EXPECT_EQ(opened, std::vector<std::wstring>{tinyfilesystem::join_path(
                        tinyfilesystem::app_dir(L"ParvelaDir"), L"Parvela Help.html")});
  // The logo band shows the image from the resource store, not white.
  ASSERT_FALSE(image.isNull());
  int coloured = 0;
  for (int x = 0; x < 256; x += 8)
    if (image.pixelColor(x, 32) != QColor(Qt::white)) ++coloured;
  EXPECT_GT(coloured, 8);

  // The title bar's close box; Escape clicks its hidden cancel button, "CLOSE".
  EXPECT_EQ(show([](QDialog& window, document_widget&) { window.close(); }),
            htmlayout::dialog_result::cancel);
  EXPECT_EQ(show([](QDialog&, document_widget& page) { QTest::keyClick(&page, Qt::Key_Escape); }),
            htmlayout::dialog_result::close);
  set_dialog_runner({});
}

}  // namespace
}  // namespace htmlayout::qt
