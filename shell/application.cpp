#include "shell/application.h"

#include <sys/stat.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "controller/controller_instance.h"
#include "fml/exception.h"
#include "fml/log.h"
#include "fml/text.h"
#include "htmlayout/input.h"
#include "htmlayout/qt/dialog_window.h"
#include "htmlayout/qt/document_widget.h"
#include "model/model_instance.h"
#include "shell/app_data.h"
#include "shell/clipboard_text.h"
#include "shell/desktop_actions.h"
#include "shell/first_paint.h"
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
#include "view/resource_mgr.h"
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
    throw early_failure(error.what(), kExitFinished);
  }

  std::wstring user_folder;
  try {
    user_folder = tinyfilesystem::user_app_data_folder();
  } catch (const tinyfilesystem::special_folder_error& error) {
    throw early_failure(error.what(), kExitNoDataFolder);
  }
  using tinyfilesystem::join_path;
  tinyfilesystem::set_app_dir(L"DataDir", join_path(user_folder, L"Parvela"));
  tinyfilesystem::set_app_dir(L"ParvelaDir", tinyfilesystem::program_folder());

  std::string logs = fml::wchar2utf8(join_path(tinyfilesystem::app_dir(L"DataDir"), L"logs"));
  if (::mkdir(logs.c_str(), 0700) != 0 && errno != EEXIST) {
    throw early_failure("Cannot create log dir " + logs, kExitFinished);
  }
  if (!tinyfilesystem::dir_exists(fml::utf82wchar(logs))) {
    throw early_failure("Cannot create log dir " + logs, kExitFinished);
  }
  try {
    fml::reglog("app", L"logs/application.log");
  } catch (const std::exception& error) {
    throw early_failure(error.what(), kExitFinished);
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

// Where a captured or dropped text leaves the shell: it is handed on as a
// captured_text message, which the program stores as a new quote. The text
// is only valid during the call; the controller and the model copy what they
// keep.
void hand_on_captured_text(const std::wstring& text) {
  vcaction message;
  message.type = vcaction_types::captured_text;
  message.data = text.c_str();
  controller().send(message);
}

// The long-lived objects, created in this order at start-up and deleted in
// the reverse order when the loop ends normally.
void create_singletons() {
  model().set_clipboard(set_clipboard_text);
  controller();
  resource_mgr();
  model().set_view(&view());
  controller().set_view(&view());
}

// Puts the view's document into the window's client area and gives the
// page's behaviours what they ask of the window: the desktop's actions, the
// about box, popups and scrolling.
void show_view_in(main_window& window) {
  htmlayout::qt::install_dialog_runner();
  auto* client = new htmlayout::qt::document_widget(view().document());
  client->set_error_handler(keep_loop_error);
  window.set_client(client);
  client->setFocus();

  install_desktop_actions(window);
  behavior_host& callbacks = host();
  callbacks.show_about = [] { AboutDlg(&view().document(), resource_mgr()).show(); };
  callbacks.show_popup = [](const htmlayout::dom::element& popup,
                            const htmlayout::dom::element& anchor, int placement) {
    htmlayout::show_popup(popup, anchor, static_cast<uint32_t>(placement));
  };
  callbacks.scroll_into_view = [client](const htmlayout::dom::element& e) {
    htmlayout::scroll_to_view(e);
    client->update_view();
  };
}

void delete_singletons() {
  delete_view();
  delete_resource_mgr();
  delete_controller();
  delete_model();
}

void run_event_loop(int argc, char* argv[], const single_instance& instance,
                    std::chrono::steady_clock::time_point started) {
  if (!has_display()) throw fml::exception("No display to show the window on: DISPLAY is not set");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvela");
  QApplication::setQuitOnLastWindowClosed(false);

  create_singletons();
  main_window window(hand_on_captured_text);
  show_view_in(window);
  first_paint_reporter first_paint(*window.centralWidget(), started);
  model().on_model_event(model_event{model_events::initial_load, nullptr});
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
  QSocketNotifier later_instances(instance.listen_fd(), QSocketNotifier::Read);
  QObject::connect(&later_instances, &QSocketNotifier::activated, [&instance, &window] {
    guarded([&] {
      if (instance.answer_one()) window.answer_other_instance();
    });
  });

  fml::getlog("app") << "Init complete" << std::endl;
  run_main_window(window);
  // The page's callbacks and the widget showing the view's document go
  // before the view (which owns the document) is deleted.
  host() = behavior_host{};
  model().set_retry_starter({});
  delete window.takeCentralWidget();
  delete_singletons();
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

}  // namespace

int run_application(int argc, char* argv[], const single_instance& instance) {
  const auto started = std::chrono::steady_clock::now();
  try {
    bring_up_logs();
    write_start_lines();
    run_event_loop(argc, argv, instance, started);
  } catch (const early_failure& failure) {
    std::cerr << "parvela: " << failure.what() << std::endl;
    fml::close_logs();
    return failure.exit_code();
  } catch (const std::exception& error) {
    report(std::string("Error: ") + error.what());
  } catch (...) {
    report("Unknown error.");
  }
  write_finish_lines();
  fml::close_logs();
  return kExitFinished;
}

}  // namespace pvl
