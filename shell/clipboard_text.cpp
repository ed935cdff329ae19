#include "shell/clipboard_text.h"

#include <QClipboard>
#include <QGuiApplication>

namespace pvl {

bool set_clipboard_text(const std::wstring& text) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  QString qtext = QString::fromStdWString(text);
  clipboard->setText(qtext, QClipboard::Clipboard);
  if (clipboard->ownsClipboard()) return true;
  // Platforms without a system clipboard (offscreen) keep it in the process
  // and report no ownership: there, reading it back tells. On X11 this
  // line is never reached with the text set, and a read would have to ask
  // another program.
  return QGuiApplication::platformName() != "xcb" &&
         clipboard->text(QClipboard::Clipboard) == qtext;
}

}  // namespace pvl
