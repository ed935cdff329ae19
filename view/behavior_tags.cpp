// The tags of the tag list ("vtag") and of the search bar ("stag"): drag
// sources through the common forwarding; a double click with the main button
// puts a tag into the search or takes it out.
#include "controller/controller_instance.h"
#include "htmlayout/input/inline_editor.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
namespace mouse = htmlayout::mouse;
using htmlayout::dom::element;

bool is_main_double_click(const htmlayout::mouse_params& p) {
  return p.cmd == mouse::double_click && p.button_state == mouse::main_button;
}

void run_on(const wchar_t* name, const element& he) {
  const action_elements elements{he, element()};
  run_gesture([&] {
    controller().interpret_action(action{name, elements});
    return true;
  });
}

// The tag being named or renamed in place: the pointer selects its text,
// and it is not a tag to drag or search for until the edit ends.
bool is_edited(const element& he) {
  return (he.get_state() & htmlayout::state::focus) && htmlayout::inline_editor::editable(he);
}

class behavior_vtag : public behavior {
 public:
  behavior_vtag() : behavior(group::mouse | group::behavior_event, "vtag") {}

  // The event is forwarded once: handing the same press or release to the
  // controller a second time would only repeat its drag step.
  // A row without id holds a tag not saved yet: nothing to drag or search.
  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (is_edited(he) || !he.has_attribute("id")) return false;
    if (forward_mouse(he, p)) return true;
    if (!is_main_double_click(p)) return false;
    run_on(L"add_search_tag", he);
    return true;
  }

  bool handle_event(const element& he, htmlayout::behavior_event_params& params) override {
    return run_menu_item(he, params);
  }
};

class behavior_stag : public behavior {
 public:
  behavior_stag() : behavior(group::mouse, "stag") {}

  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (forward_mouse(he, p)) return true;
    if (!is_main_double_click(p)) return false;
    run_on(L"delete_search_tag", he);
    return true;
  }
};

}  // namespace

void behavior_parts::register_tags() {
  static behavior_vtag vtag;
  static behavior_stag stag;
}

}  // namespace pvl
