#include "htmlayout/qt/dialog_window.h"

#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/qt/document_widget.h"
#include "htmlayout/render/mirror_access.h"

namespace htmlayout::qt {

namespace {

// The width a page without a fixed width is laid out at.
constexpr int kFreeWidth = 480;

// Closing by the title bar (and anything else that rejects) is a cancel.
class dialog_window : public QDialog {
 public:
  explicit dialog_window(QWidget* owner) : QDialog(owner) {}
  void reject() override { done(dialog_result::cancel); }
};

// The size the page asks for: its body's margin box when the body has a
// fixed size, otherwise the free width and the page's height.
QSize page_size(document& page, render::renderer& view) {
  view.set_viewport(kFreeWidth, 1);
  view.update();
  int width = kFreeWidth, height = 1;
  if (dom::element body = page.root().select_first("body")) {
    const rect box = view.location(body, render::box_area::margin);
    if (box.right > box.left) width = std::min(kFreeWidth, box.right);
    height = std::max(height, box.bottom);
  }
  if (const litehtml::document::ptr& mirror = render::mirror_document(view))
    height = std::max(height, mirror->height());
  return {std::max(1, width), std::max(1, height)};
}

}  // namespace

int run_dialog(dialog& d, std::string_view html) {
  QWidget* owner = nullptr;
  if (document_widget* shown = document_widget::showing(d.owner)) owner = shown->window();

  document page;
  page.set_notification_callback([&d](notification& n) { return d.handle_notification(n); });
  dialog_window window(owner);
  window.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* view = new document_widget(page, &window);
  layout->addWidget(view);

  std::exception_ptr error;
  view->set_error_handler([&](std::exception_ptr raised) {
    if (!error) error = raised;
    window.done(0);
  });
  d.begin_run(page, [&window](int code) { window.done(code); });
  struct run_ends {
    dialog& d;
    document& page;
    ~run_ends() {
      page.root().detach_event_handler(element_proc, &d);
      d.end_run();
    }
  } ends{d, page};

  page.load_html(html);
  page.root().attach_event_handler(element_proc, &d, d.subscribed_to);

  const dom::element title = page.root().select_first("title");
  const std::wstring text = title ? title.text() : std::wstring();
  window.setWindowTitle(text.empty() ? QGuiApplication::applicationDisplayName()
                                     : QString::fromStdWString(text).simplified());
  window.setFixedSize(page_size(page, view->view()));
  view->setFocus();
  const int code = window.exec();
  if (error) std::rethrow_exception(error);
  return code;
}

void install_dialog_runner() {
  set_dialog_runner(run_dialog);
  set_url_opener([](const std::wstring& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdWString(url)));
  });
}

}  // namespace htmlayout::qt
