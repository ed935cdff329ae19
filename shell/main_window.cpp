#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QAction>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "fml/app_errors.h"
#include "fml/log.h"
#include "shell/app_icon.h"
#include "shell/capture_settings.h"
#include "shell/clipboard_reader.h"
#include "shell/drop_target.h"
#include "shell/first_paint.h"
#include "shell/key_observer.h"
#include "shell/loop_errors.h"
#include "shell/shell_icon.h"
#include "shell/wayland_clipboard.h"
#include "view/page_size.h"

namespace pvl {

namespace {

void debug_line(const char* line) { fml::getlog("debug") << line << std::endl; }

// The copy keys of every program can be watched on an X11 display: Qt's own
// (xcb) or the X server that runs beside a Wayland compositor (XWayland,
// which shows only its own programs' keys). Offscreen there is nothing.
bool copy_keys_can_be_watched() {
  QString platform = QGuiApplication::platformName();
  const char* display = std::getenv("DISPLAY");
  bool has_x_display = display && *display;
  if (platform == "xcb") return true;
  if (platform.startsWith("wayland")) {
    if (!has_x_display) {
      std::cerr << "parvela: no X display beside Wayland: copy keys are not watched" << std::endl;
    }
    return has_x_display;
  }
  return false;
}

QWidget* placeholder_client() {
  auto* label = new QLabel("Press Ctrl+C twice in any program to collect the copied text.");
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

}  // namespace

main_window::main_window(text_handler on_text, const page_loader& load_page)
    : on_text_(std::move(on_text)), tray_available_(&QSystemTrayIcon::isSystemTrayAvailable) {
  setWindowTitle("Parvela");
  setWindowIcon(parvela_icon());
  setMinimumSize(kMinimumPageWidth, kMinimumPageHeight);
  resize(900, 640);
  if (copy_keys_can_be_watched()) start_watching_copy_keys();
  if (QGuiApplication::platformName().startsWith("wayland")) start_watching_wayland_clipboard();
  std::ostream& app = fml::getlog("app");
  app << "Loading html" << std::endl;
  set_client(load_page ? load_page() : placeholder_client());
  app << "Loading app data" << std::endl;
  app << "Loading app data - successful" << std::endl;
  app << "Loading html - successful" << std::endl;
  app << "RegisterDropWindow" << std::endl;
  drop_target_ =
      std::make_unique<CDropTarget>(this, [this](const std::string& text) { hand_on(text); });
  auto* quit = new QAction(this);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  quit->setShortcutContext(Qt::WindowShortcut);
  connect(quit, &QAction::triggered, this, [this] { guarded([this] { exit_command(); }); });
  addAction(quit);
}

void main_window::set_tray_check(std::function<bool()> tray_available) {
  tray_available_ = std::move(tray_available);
}

main_window::~main_window() {
  // The threads post to this window: stop them before it goes.
  drop_target_.reset();
  observer_.reset();
  reader_.reset();
  wayland_.reset();
}

void main_window::start_watching_copy_keys() {
  clipboard_reader::handlers on_read;
  on_read.failed_try = [this] {
    QMetaObject::invokeMethod(
        this,
        [] { guarded([] { fml::getlog("app") << "OpenClipboard error, sleep" << std::endl; }); },
        Qt::QueuedConnection);
  };
  on_read.text_read = [this](std::string text) {
    QMetaObject::invokeMethod(
        this,
        [this, text = std::move(text)] {
          guarded([&] {
            read_handed_on_ = true;
            hand_on_capture(text, 'x');
          });
        },
        Qt::QueuedConnection);
  };
  on_read.nothing_read = [this](const char* why) {
    QMetaObject::invokeMethod(
        this,
        [this, why] {
          guarded([&] {
            read_nothing_why_ = why;
            fml::getlog("app") << why << std::endl;
          });
        },
        Qt::QueuedConnection);
  };
  // The outcome of a read arrives before its end: each end closes the read.
  on_read.finished = [this](bool now) {
    QMetaObject::invokeMethod(
        this,
        [this, now] {
          guarded([&] {
            std::string why = read_handed_on_ ? std::string()
                              : read_nothing_why_.empty() ? "The clipboard holds no text: nothing captured"
                                                          : read_nothing_why_;
            read_handed_on_ = false;
            read_nothing_why_.clear();
            if (!now || captures_waiting_.empty()) return;
            capture_done done = std::move(captures_waiting_.front());
            captures_waiting_.pop_front();
            done(why);
          });
        },
        Qt::QueuedConnection);
  };
  reader_ = std::make_unique<clipboard_reader>(std::move(on_read));
  // The read is queued from the observer's thread at the press, so that a
  // busy window cannot delay it: the reader takes what the clipboard held
  // at that press.
  auto skipped = [this](const std::string& window_class) {
    QMetaObject::invokeMethod(
        this,
        [this, window_class] {
          guarded([&] {
            fml::getlog("app") << "Copy in " << window_class
                               << " skipped: the settings never capture it" << std::endl;
            skipped_at_ = std::chrono::steady_clock::now();
          });
        },
        Qt::QueuedConnection);
  };
  observer_ = std::make_unique<key_observer>(
      [reader = reader_.get()](uint32_t first_press_time, uint32_t press_time) {
        reader->read(first_press_time, press_time);
      },
      skipped, load_capture_settings());
}

void main_window::start_watching_wayland_clipboard() {
  wayland_clipboard::handlers on;
  on.double_copy = [this](std::string text) {
    QMetaObject::invokeMethod(
        this, [this, text = std::move(text)] { guarded([&] { hand_on_capture(text, 'w'); }); },
        Qt::QueuedConnection);
  };
  on.note = [this](const char* line) {
    QMetaObject::invokeMethod(
        this, [line] { guarded([line] { fml::getlog("app") << line << std::endl; }); },
        Qt::QueuedConnection);
  };
  try {
    wayland_ = std::make_unique<wayland_clipboard>(std::move(on));
  } catch (const clipboard_error& error) {
    fml::getlog("app") << error.what() << std::endl;
  }
  if (!wayland_ || !wayland_->watching()) {
    capture_notice_ =
        "This desktop does not let Parvela watch the clipboard, so a double Ctrl+C in its own "
        "windows is not seen. Bind \"parvela capture\" to a shortcut to collect the copied "
        "text; dropping text on this window works too.";
    fml::getlog("app") << "No data-control on this Wayland desktop: copies are not watched"
                       << std::endl;
  }
}

void main_window::hand_on_capture(const std::string& text, char source) {
  // A copy in an XWayland program may be seen twice: by its keys on X11
  // and by the Wayland clipboard it reaches. One quote is stored.
  auto now = std::chrono::steady_clock::now();
  // The same double copy in a program never captured from reaches the
  // Wayland clipboard, which cannot tell where it came from.
  if (source == 'w' && skipped_at_ && now - *skipped_at_ < kSameCaptureWindow) {
    fml::getlog("app") << "Double copy on Wayland skipped: it came from a program never captured"
                       << std::endl;
    skipped_at_.reset();
    return;
  }
  bool seen_by_other = last_capture_source_ && last_capture_source_ != source &&
                       now - last_capture_at_ < kSameCaptureWindow && text == last_capture_text_;
  last_capture_source_ = source;
  last_capture_at_ = now;
  last_capture_text_ = text;
  if (seen_by_other) {
    fml::getlog("app") << "Double copy seen on X11 and on Wayland: stored once" << std::endl;
    last_capture_source_ = 0;
    return;
  }
  hand_on(text);
}

void main_window::hand_on(const std::string& text) { on_text_(text); }

bool main_window::capture_now(capture_done done) {
  if (!reader_) return false;
  captures_waiting_.push_back(std::move(done));
  reader_->read_now();
  return true;
}

void main_window::set_client(QWidget* client) {
  delete takeCentralWidget();
  setCentralWidget(client);
}

void main_window::show_at_start() {
  show();
  visible_ = true;
}

void main_window::show_and_raise() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  visible_ = true;
}

void main_window::hide_to_tray() {
  hide();
  visible_ = false;
}

void main_window::show_command() {
  debug_line("[WndProc] ID_APP_SHOW");
  if (visible_) {
    debug_line("[WndProc] is_win_visible");
    return;
  }
  debug_line("[WndProc] show and restore");
  show_and_raise();
}

void main_window::exit_command() {
  debug_line("[WndProc] ID_APP_EXIT");
  drop_target_.reset();
  if (observer_) observer_->remove();
  QCoreApplication::exit(0);
}

void main_window::tray_left_click() {
  debug_line("[WndProc] UWM_PVL_TRAY_CLICK");
  debug_line("[WndProc] UWM_PVL_TRAY_CLICK: WM_LBUTTONUP");
  if (visible_) {
    hide_to_tray();
  } else {
    show_and_raise();
  }
}

void main_window::tray_right_click() {
  debug_line("[WndProc] UWM_PVL_TRAY_CLICK");
  debug_line("[WndProc] UWM_PVL_TRAY_CLICK: WM_RBUTTONUP");
}

void main_window::answer_other_instance() {
  debug_line("[WndProc] UWM_PVL_ARE_YOU_ME");
  show_and_raise();
}

void main_window::closeEvent(QCloseEvent* event) {
  // The window is never closed by the user, only hidden, or minimised where
  // nothing would bring a hidden window back.
  event->ignore();
  guarded([this] {
    if (tray_available()) {
      hide_to_tray();
    } else {
      debug_line("[WndProc] WM_CLOSE: no tray, minimised");
      showMinimized();
    }
  });
}

void main_window::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_available()) {
    // Hiding from inside the state change confuses some window managers.
    QTimer::singleShot(0, this, [this] {
      guarded([this] {
        if (isMinimized() && tray_available()) hide_to_tray();
      });
    });
  }
}

int run_main_window(main_window& window, const autostart_item& autostart) {
  int code;
  {
    std::optional<CShellIcon> tray;
    auto add_tray_icon = [&] {
      tray.emplace(window.windowIcon());
      auto run = [&window](void (main_window::*command)()) {
        return [&window, command] { guarded([&] { (window.*command)(); }); };
      };
      QObject::connect(&*tray, &CShellIcon::left_clicked, &window, run(&main_window::tray_left_click));
      QObject::connect(&*tray, &CShellIcon::right_clicked, &window,
                       run(&main_window::tray_right_click));
      QObject::connect(&*tray, &CShellIcon::show_chosen, &window, run(&main_window::show_command));
      QObject::connect(&*tray, &CShellIcon::exit_chosen, &window, run(&main_window::exit_command));
      QObject::connect(&*tray, &CShellIcon::menu_opening, &window, [&] {
        guarded([&] { tray->set_autostart_checked(autostart.is_on && autostart.is_on()); });
      });
      QObject::connect(&*tray, &CShellIcon::autostart_chosen, &window, [&](bool on) {
        guarded([&] {
          if (autostart.choose) autostart.choose(on);
        });
      });
    };
    // The window is what the user waits for: the tray icon (a round trip to
    // the tray) comes once it is painted, or after a while without a paint.
    // It waits one more turn of the loop, behind what else waited for the
    // paint, such as the line that reports it.
    first_paint_watch tray_after_paint(
        *window.centralWidget(),
        [&] { QTimer::singleShot(0, &window, [&] { guarded(add_tray_icon); }); },
        std::chrono::milliseconds(1000));
    window.show_at_start();
    code = QApplication::exec();
  }
  rethrow_loop_error();
  return code;
}

}  // namespace pvl
