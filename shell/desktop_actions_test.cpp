// The desktop actions, offscreen: URL handlers stand in for the desktop's default applications.
#include "shell/desktop_actions.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

#include "shell/test_application.h"
#include "tests/support/temp_dir.h"
#include "view/behavior_host.h"

namespace pvl {
namespace {

class url_recorder : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

class DesktopActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, &recorder_, "open");
  }
  void TearDown() override {
    for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
  }
  static constexpr const char* kSchemes[] = {"file", "https", "http", "mailto"};

  // Runs `answer` on the file dialog once it is open and modal.
  static void when_dialog_opens(std::function<void(QFileDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      dialog ? answer(*dialog) : when_dialog_opens(answer);  // not shown yet
    });
  }

  url_recorder recorder_;
};

TEST_F(DesktopActionsTest, TheExportDialogPresetsTheFileAndTheInstalledActionsServeThePageBehaviours) {
  testing_support::temp_dir folder;
  const QString target = QString::fromStdString((folder.path() / "mine.html").string());
  QWidget owner;
  QString title, preset, shown;
  QStringList filters;
  when_dialog_opens([&](QFileDialog& dialog) {
    title = dialog.windowTitle();
    filters = dialog.nameFilters();
    preset = dialog.findChild<QLineEdit*>()->text();
    dialog.selectFile(target);
    static_cast<QDialog&>(dialog).accept();
  });
  EXPECT_EQ(ask_export_path(&owner), target.toStdWString());
  EXPECT_EQ(title, "Export to file");
  EXPECT_EQ(filters, QStringList({"HTML files (*.html)", "All files (*.*)"}));
  EXPECT_EQ(preset, "collection.html");
  // In the user's documents folder, else home; never the working folder.
  const QByteArray real_home = qgetenv("HOME");
  for (bool with_documents : {true, false}) {
    testing_support::temp_dir home;
    if (with_documents) std::filesystem::create_directory(home.path() / "Documents");
    qputenv("HOME", QByteArray::fromStdString(home.str()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.str()));
    when_dialog_opens([&](QFileDialog& dialog) {
      shown = dialog.directory().absolutePath();
      dialog.reject();
    });
    EXPECT_EQ(ask_export_path(&owner), std::nullopt);  // cancelled
    EXPECT_EQ(shown.toStdString(), with_documents ? home.str() + "/Documents" : home.str());
  }
  qputenv("HOME", real_home);
  qunsetenv("XDG_CONFIG_HOME");
  // Replacing an existing file is asked first.
  const auto existing = folder.path() / "old.html";
  testing_support::write_file(existing, "kept");
  bool asked = false;
  when_dialog_opens([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(existing.string()));
    // The question comes up inside accept(); declined, the dialog stays open until cancelled.
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        asked = true;
        box->button(QMessageBox::No)->click();
      }
      QTimer::singleShot(0, [&dialog] { dialog.reject(); });
    });
    static_cast<QDialog&>(dialog).accept();
  });
  EXPECT_EQ(ask_export_path(&owner), std::nullopt);
  EXPECT_TRUE(asked);
  QWidget window;
  window.show();
  std::vector<std::wstring> not_opened;
  behavior_host host;
  install_desktop_actions(host, window, [&](const std::wstring& target) { not_opened.push_back(target); });
  ASSERT_TRUE(host.open_url && host.ask_export_path && host.close_window);
  for (const wchar_t* target : {L"https://example.org/a?b=1", L"/opt/parvela/Parvela Help.html",
                                L"mailto:support@example.org", L"www.example.org"})
    host.open_url(target);
  EXPECT_FALSE(open_with_desktop(L""));
  QStringList opened;
  for (const QUrl& url : recorder_.opened) opened << url.toString();
  // A path with a blank stays one local file.
  EXPECT_EQ(opened.join(" | ").toStdString(),
            "https://example.org/a?b=1 | file:///opt/parvela/Parvela Help.html | "
            "mailto:support@example.org | http://www.example.org");
  EXPECT_TRUE(not_opened.empty());
  // A desktop without xdg-open or a browser.
  QDesktopServices::unsetUrlHandler("file");
  testing_support::temp_dir empty;
  const std::string path = getenv("PATH");
  setenv("PATH", empty.str().c_str(), 1);
  for (const char* name : {"BROWSER", "DEFAULT_BROWSER"}) unsetenv(name);
  host.open_url(L"/opt/parvela/Parvela Help.html");
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(not_opened, std::vector<std::wstring>{L"/opt/parvela/Parvela Help.html"});
  host.close_window();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace pvl

#include "desktop_actions_test.moc"
