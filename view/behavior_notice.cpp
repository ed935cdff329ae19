// The notice's own behaviours: the notice hides itself when its timer falls
// due ("notice"), and its action button runs the action the notice offers
// ("noticeaction", the button's "action" attribute) after hiding it.
#include <optional>
#include <string>

#include "controller/controller_instance.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
using htmlayout::dom::element;

void hide(const element& notice) {
  notice.remove_attribute("shown");
  htmlayout::set_timer(notice, 0);
  notice.update();
}

class behavior_notice : public behavior {
 public:
  behavior_notice() : behavior(group::timer, "notice") {}

  bool on_timer(const element& he) override {
    hide(he);
    return false;
  }
};

class behavior_noticeaction : public behavior {
 public:
  behavior_noticeaction() : behavior(group::behavior_event, "noticeaction") {}

  bool on_event(const element& he, const element&, uint32_t event, uintptr_t) override {
    if (event != htmlayout::event::button_click) return false;
    const std::optional<std::wstring> name = he.get_attribute("action");
    if (element notice = he.parent()) hide(notice);
    if (name && !name->empty()) controller().interpret_action(action{*name, {}});
    return true;
  }
};

}  // namespace

void behavior_parts::register_notice() {
  static behavior_notice notice;
  static behavior_noticeaction noticeaction;
}

}  // namespace pvl
