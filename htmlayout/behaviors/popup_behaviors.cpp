// "dropdown" and "popup": an element that opens the popup it holds, and the
// popup that closes itself.
//
// "dropdown": a press on it shows its first ".popup" or `popup` element
// below it and gives that the focus (marked "popup-shown" meanwhile).
// Presses inside the popup are left to the popup.
//
// "popup": a release inside hides it and presses inside are swallowed,
// except on its buttons and links, which the engine clicks as usual; their
// click hides it too. It also hides when the focus leaves it for an element
// outside.
#include "htmlayout/dom/behavior.h"
#include "htmlayout/input/controls.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

class dropdown : public behavior {
 public:
  dropdown() : behavior(group::mouse, "dropdown") {}

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t, uint32_t) override {
    if (event_type != mouse::down) return false;
    dom::element popup = he.select_first(".popup,popup");
    if (popup && is_within(target, popup)) return false;
    if (popup) {
      he.set_attribute("popup-shown", L"");
      he.update();
      show_popup(popup, he, placement::below);
      popup.set_state(state::focus);
      he.remove_attribute("popup-shown");
    }
    return true;
  }
};

class popup : public behavior {
 public:
  popup() : behavior(group::mouse | group::focus | group::behavior_event, "popup") {}

  bool on_mouse(const dom::element& he, const dom::element& target, uint32_t event_type, int, int,
                uint32_t, uint32_t) override {
    if (event_type != mouse::up && event_type != mouse::down) return false;
    // Answering for a button or link would keep the engine from pressing
    // and clicking it.
    if (dom::element control = control_around(target); control && is_within(control, he))
      return false;
    if (event_type == mouse::up) hide_popup(he);
    return true;
  }

  bool on_focus(const dom::element& he, const dom::element& target, uint32_t event_type) override {
    // On focus::lost the target is the element receiving the focus.
    if ((event_type == focus::lost || event_type == (focus::lost | sinking)) &&
        !is_within(target, he))
      hide_popup(he);
    return true;
  }

  bool on_event(const dom::element& he, const dom::element& target, uint32_t event_type,
                uintptr_t) override {
    if ((event_type == event::button_click || event_type == event::hyperlink_click) &&
        is_within(target, he))
      hide_popup(he);
    return false;
  }
};

}  // namespace

void stock_parts::register_popups() {
  static dropdown dropdown_object;
  static popup popup_object;
}

}  // namespace htmlayout
