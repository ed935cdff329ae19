#include "shell/application.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <thread>

#include "controller/controller_instance.h"
#include "fml/exception.h"
#include "fml/log.h"
#include "fml/text.h"
#include "htmlayout/input/input.h"
#include "htmlayout/qt/dialog_window.h"
#include "htmlayout/qt/document_widget.h"
#include "model/model_instance.h"
#include "shell/app_data.h"
#include "shell/autostart.h"
#include "shell/clipboard_text.h"
#include "shell/desktop_actions.h"
#include "shell/first_paint.h"
#include "shell/instance_commands.h"
#include "shell/instance_server.h"
#include "shell/loop_errors.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"
#include "shell/termination_signals.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/errors.h"
#include "tinyfilesystem/folders.h"
#include "tinyfilesystem/path.h"
#include "view/about_dlg.h"
#include "view/behavior_host.h"
#include "view/program.h"
#include "view/resource_mgr.h"
#include "view/search_head.h"
#include "view/view_instance.h"

namespace pvl {

namespace {

const char kSeparator[] = "-------------------------------------------------------------";

// An error before the "app" log exists cannot be logged: it is printed on
// standard error and ends the process without a window.
class early_failure : public std::exception {
 public:
  early_failure(std::string text, int exit_code) : text_(std::move(text)), exit_code_(exit_code) {}
  const char* what() const noexcept override { return text_.c_str(); }
  int exit_code() const { return exit_code_; }

 private:
  std::string text_;
  int exit_code_;
};

bool app_log_exists() {
  try {
    fml::getlog("app");
    return true;
  } catch (const fml::getlog_error&) {
    return false;
  }
}

// Data folder, directory table and logs: everything that must work before
// an error can be logged.
void bring_up_logs() {
  try {
    prepare_app_data();
  } catch (const tinyfilesystem::special_folder_error& error) {
    throw early_failure(std::string(error.what()) +
                            ": neither XDG_DATA_HOME nor HOME names the user's data folder",
                        kExitNoDataFolder);
  } catch (const std::exception& error) {
    throw early_failure(error.what(), kExitError);
  }

  std::wstring user_folder;
  try {
    user_folder = tinyfilesystem::user_app_data_folder();
  } catch (const tinyfilesystem::special_folder_error& error) {
    throw early_failure(error.what(), kExitNoDataFolder);
  }
  using tinyfilesystem::join_path;
  tinyfilesystem::set_app_dir(L"DataDir", join_path(user_folder, L"Parvela"));
  tinyfilesystem::set_app_dir(L"ParvelaDir", tinyfilesystem::program_data_folder());
  fml::set_log_folder(tinyfilesystem::app_dir(L"DataDir"));

  std::string logs = fml::wchar2utf8(join_path(tinyfilesystem::app_dir(L"DataDir"), L"logs"));
  if (::mkdir(logs.c_str(), 0700) != 0 && errno != EEXIST) {
    throw early_failure("Cannot create log dir " + logs, kExitError);
  }
  if (!tinyfilesystem::dir_exists(fml::utf82wchar(logs))) {
    throw early_failure("Cannot create log dir " + logs, kExitError);
  }
  try {
    fml::reglog("app", L"logs/application.log");
  } catch (const std::exception& error) {
    throw early_failure(error.what(), kExitError);
  }
  fml::reglog("profile", L"logs/profile.log");
  fml::reglog("debug", L"logs/debug.log");
  fml::reglog("events", L"logs/events.log");
  fml::reglog("cntrl", L"logs/controller.log");
  fml::reglog("model", L"logs/model.log");
  fml::reglog("logic", L"logs/logicevents.log");
}

void write_start_lines() {
  std::string program_dir = fml::wchar2utf8(tinyfilesystem::app_dir(L"ParvelaDir"));
  fml::getlog("debug") << kSeparator << std::endl;
  fml::getlog("debug") << "Application started" << std::endl;
  fml::getlog("app") << "Application started" << std::endl;
  fml::getlog("app") << "SetDataDir: " << program_dir << std::endl;
  fml::getlog("debug") << "SetDataDir: " << program_dir << std::endl;
}

bool has_display() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// Qt platforms that draw into memory only: nobody would see a window there.
bool is_unseen_platform(std::string_view name) {
  return name.starts_with("offscreen") || name.starts_with("minimal");
}

// A message box is shown when a user may see it: on a display, not on an
// unseen platform, and not in automated runs, which set
// PARVELA_NO_ERROR_BOX because nobody is there to close the box.
bool error_box_can_be_seen() {
  const char* no_box = std::getenv("PARVELA_NO_ERROR_BOX");
  if (no_box && *no_box) return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return has_display() && !is_unseen_platform(platform ? platform : "");
}

// Shows why the program ends, for a user who started it from a menu and
// would otherwise see it vanish; returns when the box is closed.
void show_error_box(int argc, char* argv[], const std::string& headline, const std::string& text) {
  if (!error_box_can_be_seen()) return;
  QApplication app(argc, argv);
  if (is_unseen_platform(QGuiApplication::platformName().toStdString())) return;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Parvela"),
                  QString::fromStdString(headline), QMessageBox::Ok);
  box.setInformativeText(QString::fromStdString(text));
  // Room for a path on one line.
  box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 420px; }"));
  box.exec();
}

// Where a captured or dropped text leaves the shell: it is handed on as a
// captured_text message, which the program stores as a new quote. The text
// (UTF-8) is only valid during the call; the model copies what it keeps.
void hand_on_captured_text(const std::string& text) { controller().send(text_record{text}); }

// Fits the quote pane's head to its search bar whenever the page's widget
// changes size, as the bar's tags then wrap anew (after the widget has
// taken its new size).
class search_head_fitter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Resize) {
      QMetaObject::invokeMethod(
          this, [] { guarded([] { fit_search_head(view().document().root()); }); },
          Qt::QueuedConnection);
    }
    return false;
  }
};

// The widget that shows the view's document in the window's client area.
QWidget* load_page() {
  auto* client = new htmlayout::qt::document_widget(view().document());
  client->set_error_handler(keep_loop_error);
  client->installEventFilter(new search_head_fitter(client));
  return client;
}

// "Start with the desktop", chosen in the tray menu or the page's settings
// menu: the entry starts this very executable, wherever it lies. A failure
// is shown in the window.
void switch_autostart(bool on) {
  std::error_code error;
  const std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
  std::string failure = set_autostart(on, program);
  if (failure.empty()) {
    fml::getlog("app") << (on ? "Autostart on: " : "Autostart off: ") << autostart_entry_path()
                       << std::endl;
    return;
  }
  fml::getlog("app") << failure << std::endl;
  view().show_notice(failure, pvview::notice_kind::error);
}

// Gives the page's behaviours what they ask of the window: the desktop's
// actions, the about box, popups and scrolling. The one place that fills
// the view's host callbacks.
void show_view_in(main_window& window) {
  htmlayout::qt::install_dialog_runner();
  auto* client = static_cast<htmlayout::qt::document_widget*>(window.centralWidget());
  client->setFocus();

  behavior_host& callbacks = view().host();
  // Without xdg-open or a browser, F1 and the links would do nothing.
  install_desktop_actions(callbacks, window, [](const std::wstring& target) {
    view().show_notice("No program on this desktop opens " + fml::wchar2utf8(target) +
                           " (install xdg-utils and a web browser)",
                       pvview::notice_kind::error);
  });
  callbacks.show_about = [] { AboutDlg(&view().document(), resource_mgr()).show(); };
  callbacks.quit = [&window] { window.exit_command(); };
  callbacks.show_popup = [](const htmlayout::dom::element& popup,
                            const htmlayout::dom::element& anchor, int placement) {
    htmlayout::show_popup(popup, anchor, static_cast<uint32_t>(placement));
  };
  callbacks.scroll_into_view = [client](const htmlayout::dom::element& e) {
    htmlayout::scroll_to_view(e);
    client->update_view();
  };
  callbacks.autostart_enabled = autostart_enabled;
  callbacks.set_autostart = switch_autostart;
}

// Shutdown may follow a failed registration, so it writes only to the logs
// that exist.
void write_if_registered(const char* id, const std::string& line) {
  try {
    fml::getlog(id) << line << std::endl;
  } catch (const fml::getlog_error&) {
  }
}

void write_finish_lines() {
  write_if_registered("app", "Application finished.");
  write_if_registered("debug", "Application finished");
  write_if_registered("debug", kSeparator);
}

void report(const std::string& line) {
  std::cerr << "parvela: " << line << std::endl;
  if (app_log_exists()) fml::getlog("app") << line << std::endl;
}

// The page's callbacks and the widget showing the view's document go
// before the program's objects (the view owns the document) are deleted.
void take_down(main_window& window, std::optional<program>& objects) {
  if (!objects) return;
  objects->view().host() = behavior_host{};
  objects->model().set_retry_starter({});
  delete window.takeCentralWidget();
  objects.reset();
}

// Qt's X11 platform ends the process with exit(1), from inside the event
// loop, when its connection to the X server breaks (the server died or was
// killed), right after warning about it. That exit would skip the shutdown
// and destroy static objects under the program and its threads. So while
// the loop runs, each Qt message on the GUI thread checks the connection:
// once it is broken, the program shuts down there and then, with Qt still
// whole, and ends the process with the error code.
struct running_loop {
  main_window* window = nullptr;
  std::optional<program>* objects = nullptr;
  single_instance* instance = nullptr;
  std::thread::id gui_thread;
  QtMessageHandler previous_handler = nullptr;
};
running_loop g_loop_in_progress;
bool g_loop_started = false;

bool x_connection_broken() {
  using QNativeInterface::QX11Application;
  auto* x11 = qApp ? qApp->nativeInterface<QX11Application>() : nullptr;
  return x11 && x11->connection() && xcb_connection_has_error(x11->connection());
}

[[noreturn]] void end_without_display(main_window& window, std::optional<program>& objects,
                                      single_instance& instance) {
  try {
    report("Error: the connection to the X server was lost");
    take_down(window, objects);
  } catch (const std::exception& error) {
    report(std::string("Error: ") + error.what());
  } catch (...) {
    report("Unknown error.");
  }
  write_finish_lines();
  fml::close_logs();
  instance.stop_listening();
  std::_Exit(kExitError);
}

void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (g_loop_in_progress.previous_handler) g_loop_in_progress.previous_handler(type, context, text);
  if (g_loop_in_progress.window && std::this_thread::get_id() == g_loop_in_progress.gui_thread &&
      x_connection_broken()) {
    // Messages that the shutdown causes come back here with no window.
    end_without_display(*std::exchange(g_loop_in_progress.window, nullptr),
                        *g_loop_in_progress.objects, *g_loop_in_progress.instance);
  }
}

// Watches Qt's messages while it exists.
class display_loss_watch {
 public:
  display_loss_watch(main_window& window, std::optional<program>& objects,
                     single_instance& instance) {
    g_loop_in_progress = {&window, &objects, &instance, std::this_thread::get_id(), nullptr};
    g_loop_in_progress.previous_handler = qInstallMessageHandler(on_qt_message);
  }
  ~display_loss_watch() {
    qInstallMessageHandler(g_loop_in_progress.previous_handler);
    g_loop_in_progress = {};
  }
  display_loss_watch(const display_loss_watch&) = delete;
  display_loss_watch& operator=(const display_loss_watch&) = delete;
};

void run_event_loop(int argc, char* argv[], single_instance& instance,
                    std::chrono::steady_clock::time_point started) {
  if (!has_display()) throw fml::exception("No display to show the window on: DISPLAY is not set");
  // Fontconfig reads its configuration (dozens of XML files) when the first
  // font is asked for. Read on a helper thread while Qt connects to the
  // display, it is ready by the time the window's icon and page need fonts;
  // FcInit may race with Qt's own call safely.
  std::jthread read_font_configuration([] { FcInit(); });
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvela");
  // The desktop entry the window belongs to (its icon and name in docks).
  QGuiApplication::setDesktopFileName("io.github.parvela.Parvela");
  QApplication::setQuitOnLastWindowClosed(false);
  // The window's first show waits for the session bus, which the
  // accessibility bridge connects to then; where no bus runs, the D-Bus
  // library first tries to launch one (a fork and a search of PATH).
  // Connecting on a helper thread now does that while the collection loads.
  std::jthread connect_session_bus([] { QDBusConnection::sessionBus(); });

  // The long-lived objects, created in their order at start-up and deleted
  // in the reverse order when the loop ends, however it ends: the page's
  // callbacks and widget go first.
  std::optional<program> objects(std::in_place, set_clipboard_text, resource_folder());
  main_window window(hand_on_captured_text, load_page);
  struct take_down_at_end {
    main_window& window;
    std::optional<program>& objects;
    ~take_down_at_end() { take_down(window, objects); }
  } at_end{window, objects};
  show_view_in(window);
  // The window shows as soon as the rows that fill it are built; the rows of
  // the older quotes come right after the first paint (or after a second
  // when the window is not shown). Installed before the line that reports
  // the paint, which thus runs first.
  first_paint_watch complete_list(
      *window.centralWidget(), [] { view().complete_quote_list(); }, std::chrono::seconds(1));
  first_paint_watch first_paint(*window.centralWidget(), report_first_paint(started));
  view().hold_back_rows_of_next_list();
  model().on_model_event(model_events::initial_load{});
  if (!window.capture_notice().empty()) view().show_notice(window.capture_notice());
  view().dump("Logs/start.view.dump.htm");
  // Quotes the collection could not take yet are tried again every second
  // until none waits.
  QTimer retry_waiting;
  retry_waiting.setInterval(1000);
  QObject::connect(&retry_waiting, &QTimer::timeout, [&retry_waiting] {
    guarded([&] {
      model().retry_waiting_quotes();
      if (model().waiting_quotes() == 0) retry_waiting.stop();
    });
  });
  model().set_retry_starter([&retry_waiting] { retry_waiting.start(); });
  termination_signals on_termination([&window] { window.exit_command(); });
  // Later starts and the command line's commands talk to this instance.
  instance_server commands(instance.listen_fd(),
                           [&window](const instance_request& request,
                                     const instance_server::replier& reply) {
                             carry_out_request(request, window, reply);
                           });

  fml::getlog("app") << "Init complete" << std::endl;
  g_loop_started = true;
  {
    display_loss_watch display_loss(window, objects, instance);
    run_main_window(window, autostart_item{autostart_enabled, switch_autostart});
  }
}

}  // namespace

int report_start_failure(int argc, char* argv[], const std::string& text, int exit_code) {
  std::cerr << "parvela: " << text << std::endl;
  show_error_box(argc, argv, "Parvela cannot start.", text);
  return exit_code;
}

int run_application(int argc, char* argv[], single_instance& instance) {
  const auto started = std::chrono::steady_clock::now();
  std::string error;
  try {
    bring_up_logs();
    write_start_lines();
    run_event_loop(argc, argv, instance, started);
  } catch (const early_failure& failure) {
    fml::close_logs();
    return report_start_failure(argc, argv, failure.what(), failure.exit_code());
  } catch (const std::exception& caught) {
    error = std::string("Error: ") + caught.what();
  } catch (...) {
    error = "Unknown error.";
  }
  if (error.empty()) {
    write_finish_lines();
    fml::close_logs();
    return kExitNormal;
  }
  report(error);
  write_finish_lines();
  fml::close_logs();
  instance.stop_listening();
  show_error_box(argc, argv, g_loop_started ? "Parvela has stopped." : "Parvela cannot start.",
                 error);
  return kExitError;
}

}  // namespace pvl
