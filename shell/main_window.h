// Parvela's one top-level window, titled "Parvela". It lives in the tray:
// closing or minimising it hides it, a left click on the tray icon shows or
// hides it, the tray menu's Show brings it back and its Exit ends the
// program (SIGTERM, SIGINT and SIGHUP take the same way). A later start of
// the program asks it to show itself. Where the desktop has no tray (asked
// at each close and minimise, so a tray that comes later takes over), the
// window is never hidden: closing minimises it to the taskbar and
// minimising is a plain minimise. Ctrl+Q ends the program in every case.
//
// Creating the window starts the watching of the copy keys (on an X11
// display, XWayland's included) and, on Wayland, of the clipboard
// (wayland_clipboard.h); a double copy that both see is handed on once. It puts the page in its client area (writing "Loading html",
// "Loading app data", "Loading app data - successful" and "Loading html -
// successful" to the log "app"), and registers the window as a drop target
// ("RegisterDropWindow"); a captured clipboard
// text and a dropped text both go to the text handler, on the GUI thread.
// Each command writes its "[WndProc] ..." line to the "debug" log.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pvl {

class CDropTarget;
class clipboard_reader;
class key_observer;
class wayland_clipboard;

class main_window : public QMainWindow {
  Q_OBJECT

 public:
  // Takes a captured or dropped text, in UTF-8.
  using text_handler = std::function<void(const std::string&)>;
  // Makes the widget that shows the page (the window owns it).
  using page_loader = std::function<QWidget*()>;

  // The page comes from `load_page`; without one the client area shows a
  // short hint. The window is never smaller than the page's minimum size.
  // Raises install_hook_error when the copy keys cannot be watched and
  // clipboard_error when the clipboard cannot be read, and passes on what
  // `load_page` raises.
  explicit main_window(text_handler on_text, const page_loader& load_page = {});
  ~main_window() override;

  // Puts `client` in the window's client area, in place of what was there
  // (the window owns it).
  void set_client(QWidget* client);

  // What the user should know about capturing on this desktop (a Wayland
  // compositor without data-control), for the window to show once; empty
  // when all is well.
  const std::string& capture_notice() const { return capture_notice_; }

  // Whether the window is shown (as far as this program showed or hid it).
  bool is_win_visible() const { return visible_; }

  // The window appears at start.
  void show_at_start();

  // The tray menu's Show: shows, restores and raises a hidden window.
  void show_command();

  // The tray menu's Exit: revokes the drop target, stops watching the copy
  // keys and ends the event loop with 0. Raises remove_hook_error.
  void exit_command();

  // A left click on the tray icon shows a hidden window, hides a shown one.
  void tray_left_click();

  // A right click on the tray icon (the icon opens its menu itself).
  void tray_right_click();

  // A later instance asks for the window: shown, restored and raised.
  void answer_other_instance();

  // Whether the desktop has a tray to hide the window in; by default what
  // Qt says (QSystemTrayIcon::isSystemTrayAvailable). Tests replace it.
  void set_tray_check(std::function<bool()> tray_available);
  bool tray_available() const { return tray_available_(); }

  // Reads the clipboard's text now and hands it on as a double copy's
  // capture, then calls `done` with "" when a text was handed on, else why
  // nothing was. False (`done` never called) when the copy keys are not
  // watched (not on X11).
  using capture_done = std::function<void(const std::string& nothing_why)>;
  bool capture_now(capture_done done);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void hide_to_tray();
  void show_and_raise();
  void start_watching_copy_keys();
  void start_watching_wayland_clipboard();
  // A captured text from the X11 keys ('x') or the Wayland clipboard ('w').
  void hand_on_capture(const std::string& text, char source);
  void hand_on(const std::string& text);

  text_handler on_text_;
  bool visible_ = false;
  std::function<bool()> tray_available_;
  std::unique_ptr<clipboard_reader> reader_;
  // The callers of capture_now whose reads are not finished, oldest first;
  // and what the read being finished has done so far.
  std::deque<capture_done> captures_waiting_;
  bool read_handed_on_ = false;
  std::string read_nothing_why_;
  std::unique_ptr<key_observer> observer_;
  std::unique_ptr<wayland_clipboard> wayland_;
  std::string capture_notice_;
  static constexpr std::chrono::milliseconds kSameCaptureWindow{1500};
  char last_capture_source_ = 0;
  std::chrono::steady_clock::time_point last_capture_at_;
  std::string last_capture_text_;
  std::optional<std::chrono::steady_clock::time_point> skipped_at_;
  std::unique_ptr<CDropTarget> drop_target_;
};

// The tray menu's "Start with the desktop": its state, read each time the
// menu opens, and what choosing it does (given the new state). Either may
// be empty: the item then shows off, or does nothing.
struct autostart_item {
  std::function<bool()> is_on;
  std::function<void(bool on)> choose;
};

// Runs the window: adds the tray icon, shows the window, runs the event
// loop until exit_command (or an error kept by loop_errors.h) ends it, and
// removes the tray icon. Returns the loop's exit code; rethrows a kept
// error.
int run_main_window(main_window& window, const autostart_item& autostart = {});

}  // namespace pvl
