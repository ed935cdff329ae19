// Behaviours of single controls: the page's keys ("html"), buttons that run
// the action in their "message" attribute ("sms"), links, the about button,
// the export button and the settings button with its menu (which offers
// Quit). What needs the window (dialogs, the desktop's URL handler, closing
// the window, the autostart entry) goes through the host callbacks.
#include <optional>
#include <string>

#include "controller/controller_instance.h"
#include "fml/app_errors.h"
#include "fml/text.h"
#include "htmlayout/input/keys.h"
#include "tinyfilesystem/app_dirs.h"
#include "tinyfilesystem/path.h"
#include "view/behavior_host.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
namespace mouse = htmlayout::mouse;
using htmlayout::dom::element;

constexpr uint32_t kEscape = 27;
constexpr uint32_t kF1 = 112;

bool is_release(uint32_t cmd) { return (cmd & 0xFF) == mouse::up; }

// A link without a scheme names a file that ships beside the program, such
// as the help page.
std::wstring link_target(const std::wstring& link) {
  if (link.find(L':') != std::wstring::npos) return link;
  return tinyfilesystem::join_path(tinyfilesystem::app_dir(L"ParvelaDir"), link);
}

// Whether `e` lies in a table whose cell is being edited in place.
bool is_editing(element e) {
  for (; e; e = e.parent())
    if (e.has_attribute("editable")) return true;
  return false;
}

// The root element: Escape closes the window, F1 opens the help file,
// Ctrl+Z restores what the last deletion removed, Ctrl+F goes to the word
// search, Ctrl+Q quits.
class behavior_html : public behavior {
 public:
  behavior_html() : behavior(group::key, "html") {}

  bool on_key(const element& he, const element& target, uint32_t event, uint32_t code,
              uint32_t keys) override {
    if (event != htmlayout::key::down) return false;
    if (code == kEscape) {
      if (host().close_window) host().close_window();
      return true;
    }
    // Ctrl+Z takes back the last deletion, unless a name is being edited.
    if (code == htmlayout::vk::key_z && (keys & htmlayout::keyboard::control)) {
      if (is_editing(target)) return false;
      controller().interpret_action(action{L"undo_delete", {}});
      return true;
    }
    if (code == 'Q' && (keys & htmlayout::keyboard::control)) {
      if (host().quit) host().quit();
      return true;
    }
    // Ctrl+F puts the focus into the word search field.
    if (code == 'F' && (keys & htmlayout::keyboard::control)) {
      const element words = he.select_first("#words");
      if (!words) return false;
      words.set_state(htmlayout::state::focus);
      return true;
    }
    // The help page ships beside the program as HTML.
    if (code == kF1) {
      if (host().open_url) host().open_url(link_target(L"Parvela Help.html"));
      return true;
    }
    return false;
  }
};

// A control whose "message" attribute names an action without parameter.
// It acts on the click (the release inside it), when a radio button has
// become the checked one, so that what the buttons show is what runs.
class behavior_sms : public behavior {
 public:
  behavior_sms() : behavior(group::behavior_event, "sms") {}

  bool on_event(const element& he, const element&, uint32_t event, uintptr_t) override {
    if (event != htmlayout::event::button_click) return false;
    std::optional<std::wstring> message = he.get_attribute("message");
    if (!message)
      throw wrong_sms_dom_element(fml::wchar2utf8(he.get_attribute("id").value_or(L"")));
    controller().interpret_action(action{*message, {}});
    return true;
  }
};

// An element whose "link" attribute is opened on release (link_target). The release comes
// in both phases; whichever arrives first is consumed, so it opens once.
class behavior_link : public behavior {
 public:
  behavior_link() : behavior(group::mouse, "link") {}

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (forward_mouse(he, p)) return true;
    if (!is_release(p.cmd)) return false;
    std::optional<std::wstring> target = he.get_attribute("link");
    if (target && host().open_url) host().open_url(link_target(*target));
    return true;
  }
};

class behavior_about : public behavior {
 public:
  behavior_about() : behavior(group::mouse, "about") {}

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    forward_mouse(he, p);
    if (p.cmd != mouse::up) return false;
    if (host().show_about) host().show_about();
    return true;
  }
};

// Asks for a file and exports the current search to it.
class behavior_export : public behavior {
 public:
  behavior_export() : behavior(group::mouse, "export") {}

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (forward_mouse(he, p)) return true;
    if (!is_release(p.cmd)) return false;
    std::optional<std::wstring> path;
    if (host().ask_export_path) path = host().ask_export_path();
    if (!path) return true;
    controller().interpret_action(action{L"export_data", std::wstring_view(*path)});
    return true;
  }
};

// The close button of the notice hides the notice it sits in.
class behavior_noticeclose : public behavior {
 public:
  behavior_noticeclose() : behavior(group::mouse, "noticeclose") {}

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (!is_release(p.cmd)) return false;
    if (element notice = he.parent()) notice.remove_attribute("shown");
    return true;
  }
};

// Shows "Start with the desktop" in the settings menu as it stands.
void show_autostart_state(const element& menu) {
  const element item = menu.select_first("#autostart");
  if (!item) return;
  const bool on = host().autostart_enabled && host().autostart_enabled();
  item.set_state(on ? htmlayout::state::checked : 0, on ? 0 : htmlayout::state::checked);
}

// The settings button opens the settings menu below it. Never forwards:
// the button is not a drag source. As the menu's owner it is told which
// plain item was chosen: "Quit" quits (the way to quit where the desktop has
// no tray).
class behavior_settings : public behavior {
 public:
  behavior_settings() : behavior(group::mouse | group::behavior_event, "settings") {}

  bool on_event(const element&, const element& target, uint32_t event, uintptr_t) override {
    if (event != htmlayout::event::menu_item_click) return false;
    if (target.get_attribute("id").value_or(L"") != L"quit") return false;
    if (host().quit) host().quit();
    return true;
  }

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (p.cmd == mouse::up) return true;
    if (p.cmd != mouse::down) return false;
    const element menu = he.root().select_first("#settings-menu");
    if (!menu) return true;
    show_autostart_state(menu);
    constexpr int kBelow = 2;
    if (host().show_popup) host().show_popup(menu, he, kBelow);
    return true;
  }
};

// Checking or unchecking "Start with the desktop" switches it; the item then
// shows what the switch achieved.
class behavior_settings_menu : public behavior {
 public:
  behavior_settings_menu() : behavior(group::behavior_event, "settings-menu") {}

  bool on_event(const element& he, const element& target, uint32_t event, uintptr_t) override {
    const std::wstring id = target.get_attribute("id").value_or(L"");
    if (event != htmlayout::event::button_state_changed) return false;
    if (id != L"autostart") return false;
    const bool on = (target.get_state() & htmlayout::state::checked) != 0;
    if (host().set_autostart) host().set_autostart(on);
    show_autostart_state(he);
    return true;
  }
};

}  // namespace

void behavior_parts::register_buttons() {
  static behavior_html html;
  static behavior_sms sms;
  static behavior_link link;
  static behavior_about about;
  static behavior_export exporter;
  static behavior_noticeclose noticeclose;
  static behavior_settings settings;
  static behavior_settings_menu settings_menu;
}

}  // namespace pvl
