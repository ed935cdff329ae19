#include "shell/desktop_actions.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include "view/behavior_host.h"

namespace pvl {

namespace {

QUrl url_of(const QString& target) {
  if (target.startsWith('/')) return QUrl::fromLocalFile(target);
  const QUrl url(target, QUrl::StrictMode);
  // A one-letter scheme would be a drive letter, which this desktop does not
  // have; such a text is no URL.
  if (url.isValid() && url.scheme().size() > 1) return url;
  return QUrl::fromUserInput(target);
}

}  // namespace

bool open_with_desktop(const std::wstring& target) {
  if (target.empty()) return false;
  const QUrl url = url_of(QString::fromStdWString(target));
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

std::optional<std::wstring> ask_export_path(QWidget* owner) {
  QFileDialog dialog(owner, QStringLiteral("Export to file"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("HTML files (*.html)"), QStringLiteral("All files (*.*)")});
  // The user's documents folder, not wherever the program was started from.
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  dialog.setDirectory(!documents.isEmpty() && QDir(documents).exists() ? documents
                                                                       : QDir::homePath());
  dialog.selectFile(QStringLiteral("collection.html"));
  // Replacing an existing file is asked about first (the dialog's default;
  // stated so that nobody turns it off by accident).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return chosen.front().toStdWString();
}

void install_desktop_actions(behavior_host& callbacks, QWidget& window,
                             std::function<void(const std::wstring& target)> not_opened) {
  callbacks.open_url = [not_opened = std::move(not_opened)](const std::wstring& target) {
    if (!open_with_desktop(target) && !target.empty() && not_opened) not_opened(target);
  };
  callbacks.ask_export_path = [&window] { return ask_export_path(&window); };
  callbacks.close_window = [&window] { window.close(); };
}

}  // namespace pvl
