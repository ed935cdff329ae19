// htmlayout::dialog: runs an HTML page compiled into the program
// (program_resources.h) as a modal dialog box and turns its buttons into the
// dialog's result. The dialog object is the event handler of the page's
// root and answers the page's notifications: load requests from the
// program's resources, behaviours from the behaviour registry (so the
// program's behaviours work inside dialogs).
//
// A button click ends the dialog when the button's `name` is one of "OK",
// "CANCEL", "ABORT ", "RETRY ", "IGNORE", "YES", "NO", "CLOSE", "HELP"
// (compared ignoring ASCII case, trailing blanks included: "ABORT" alone is
// not one of them), with the result 1 to 9 in that order. Enter clicks the
// element with role "default-button", Escape the one with role
// "cancel-button". With a value map, the controls are filled from it when
// the page is shown and the map is read back from every named element when
// the dialog ends with OK, RETRY or YES. A hyperlink click opens the link's
// `href` with the desktop (set_url_opener) and goes on to the page.
//
// Showing needs a window system: the Qt host library installs the runner
// (htmlayout/qt/dialog_window.h). Without one a dialog shows nothing and
// answers 0.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_handler.h"
#include "htmlayout/dom/notifications.h"

namespace htmlayout {

class document;

// Dialog results: the code a dialog ended with.
namespace dialog_result {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;  // also: the window was closed by its title bar
inline constexpr int abort = 3;
inline constexpr int retry = 4;
inline constexpr int ignore = 5;
inline constexpr int yes = 6;
inline constexpr int no = 7;
inline constexpr int close = 8;
inline constexpr int help = 9;
}  // namespace dialog_result

// A control's value: text (text fields and other controls), the position of
// the checked button in a radio group (-1 for none), or a check box's state.
using dialog_value = std::variant<std::wstring, int, bool>;
using dialog_values = std::map<std::wstring, dialog_value>;

class dialog : public event_handler {
 public:
  // `owner` is the document of the window the dialog is modal over; null
  // makes it modal over the whole application.
  explicit dialog(const document* owner = nullptr);
  ~dialog() override;
  dialog(const dialog&) = delete;
  dialog& operator=(const dialog&) = delete;

  // Runs the page of resource `resource_id` of type 23 as a modal dialog and
  // returns the code it ended with. 0 when the program holds no such
  // resource, it is empty, or no runner is installed. Exceptions raised by
  // the page's handlers while it runs end it and pass out of here.
  int show(uint32_t resource_id);

  // The page's notification callback: load requests and behaviour
  // attachment go to the two operations below; everything answers 0.
  uint32_t handle_notification(notification& record);
  // Hands the program resource the URL names to the page: "name.type" is
  // resource `name` of type `type` ("html", any case, meaning 23), a URL
  // without "." the page `name` of type 23. A resource the program does not
  // hold is left to the engine.
  virtual void on_load_data(load_data_notification& request);
  // Answers from the behaviour registry; an unknown name leaves the element
  // without a handler.
  virtual void on_attach_behavior(attach_behavior_notification& request);

  // event_handler: fills the controls from `values` when attached to the root.
  void attached(const dom::element& root) override;
  bool handle_key(const dom::element& he, key_params& params) override;
  bool handle_event(const dom::element& he, behavior_event_params& params) override;

  // Ends the running dialog with `code`; false when it is not running.
  bool end(int code);

  // ---- For the runner ----
  // The page's document and how to end the window, for the span of a run.
  void begin_run(document& page, std::function<void(int)> end_window);
  void end_run();
  // The document the dialog runs, or null between runs.
  document* page() const { return page_; }

  const document* owner;
  // Exchanged with the page's controls when set; owned by the caller.
  dialog_values* values = nullptr;

 private:
  std::function<void(int)> end_window_;
  document* page_ = nullptr;
};

// Shows `d`'s page `html` as a modal window over the window of `d.owner`:
// loads it into a document of its own with d.handle_notification as the
// notification callback and `d` as the root's handler (between
// d.begin_run and d.end_run), runs until d.end() or the window is closed
// (2), and returns the code.
using dialog_runner = std::function<int(dialog& d, std::string_view html)>;
void set_dialog_runner(dialog_runner runner);

// Opens a link with the desktop's handler; dialogs use it for hyperlinks.
void set_url_opener(std::function<void(const std::wstring& url)> opener);

}  // namespace htmlayout
