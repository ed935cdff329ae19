// Shows the program's main page, filled with the default collection, in a
// document widget of 1000 x 700 on the screen, for looking at it on a real
// display (under Xvfb too): htmlayout_show_mainform [SECONDS]. With SECONDS
// the window closes by itself after that long. The second quote is checked,
// so that a checked row shows as well.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <string>

#include "htmlayout/qt/dialog_window.h"
#include "htmlayout/qt/document_widget.h"
#include "view/about_dlg.h"
#include "view/behavior_host.h"
#include "view/testing/view_env.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    pvl::testing::view_env env;
    env.show_default_collection();
    htmlayout::dom::element list = env.view->document().root().select_first("#thequotelist");
    if (list.children_count() > 1) list.child(1).set_state(htmlayout::state::checked);
    htmlayout::qt::install_dialog_runner();
    htmlayout::qt::document_widget widget(env.view->document());
    pvl::host().show_about = [&] {
      pvl::AboutDlg about(&env.view->document(), *env.resources);
      about.show();
    };
    widget.setWindowTitle("Parvela");
    widget.resize(1000, 700);
    widget.show();
    if (argc > 1) QTimer::singleShot(std::stoi(argv[1]) * 1000, &app, &QApplication::quit);
    const int code = app.exec();
    if (std::exception_ptr error = widget.take_unhandled_error())
      std::rethrow_exception(error);
    return code;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Error: %s\n", e.what());
    return 1;
  }
}
