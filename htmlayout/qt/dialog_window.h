// The Qt runner of htmlayout::dialog: the page becomes a second top-level
// window, titled from its <title> (or the application's name), modal over the
// window that shows the dialog's owner document (over the whole application
// when there is none), sized to the page's fixed size and showing the page
// in a document_widget. A nested event loop runs until the page ends the
// dialog; closing the window by its title bar ends it with 2 (cancel).
#pragma once

#include <string_view>

#include "htmlayout/behaviors/dialog.h"

namespace htmlayout::qt {

// Makes run_dialog the dialogs' runner and the desktop's URL handler
// (QDesktopServices) their link opener. Call once the QApplication exists.
void install_dialog_runner();

// Runs `d` with its page `html` (see htmlayout::dialog_runner) and returns
// the code it ended with. An exception raised by the page's handlers while
// the window runs ends it and is raised again here.
int run_dialog(dialog& d, std::string_view html);

}  // namespace htmlayout::qt
