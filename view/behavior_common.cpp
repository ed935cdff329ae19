// The common mouse forwarding, the menu item rules, the host callbacks and
// the registration of all the program's behaviours (and the stock ones).
#include <string>

#include "controller/controller_instance.h"
#include "fml/app_errors.h"
#include "fml/log.h"
#include "htmlayout/behaviors/stock_behaviors.h"
#include "view/behavior_host.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"
#include "view/view_instance.h"

namespace pvl {

using htmlayout::dom::element;

behavior_host& host() { return view().host(); }

void register_behaviors() {
  static const bool registered = [] {
    behavior_parts::register_plain();
    behavior_parts::register_tags();
    behavior_parts::register_buttons();
    behavior_parts::register_managetags();
    behavior_parts::register_showtext();
    behavior_parts::register_lists();
    behavior_parts::register_grids();
    behavior_parts::register_splitter();
    behavior_parts::register_notice();
    behavior_parts::register_words();
    // The general-purpose behaviours the main page and dialogs may name.
    htmlayout::register_stock_behaviors();
    return true;
  }();
  (void)registered;
}

bool run_gesture(const std::function<bool()>& work) {
  try {
    return work();
  } catch (const detail::wrong_id_format& error) {
    fml::getlog("app") << "Gesture ignored: " << error.what() << std::endl;
  } catch (const wrong_tag_id& error) {
    fml::getlog("app") << "Gesture ignored: " << error.what() << std::endl;
  } catch (const wrong_quote_id& error) {
    fml::getlog("app") << "Gesture ignored: " << error.what() << std::endl;
  }
  return false;
}

bool behavior::handle_mouse(const element& he, htmlayout::mouse_params& params) {
  return on_mouse_event(he, params);
}

bool behavior::forward_mouse(const element& he, const htmlayout::mouse_params& params) {
  std::optional<std::wstring> cls = he.get_attribute("class");
  std::optional<std::wstring> id = he.get_attribute("id");
  if (!cls || !id) return false;
  mouse_record record;
  record.target = params.target;
  record.event = params.cmd;
  record.x = params.pos_document.x;
  record.y = params.pos_document.y;
  record.buttons = params.button_state;
  record.keys = params.alt_state;
  const vcaction message(record, he, *cls, *id);
  return run_gesture([&] { return controller().send(message); });
}

bool run_menu_item(const element& he, const htmlayout::behavior_event_params& p) {
  if (p.cmd != htmlayout::event::menu_item_click) return false;
  std::optional<std::wstring> name = p.target.get_attribute("action");
  if (!name) return false;
  if (!he.has_attribute("id")) return true;
  const action_elements elements{he, element()};
  run_gesture([&] {
    controller().interpret_action(action{*name, elements});
    return true;
  });
  return true;
}

bool run_list_menu_item(const element& list, const element& item) {
  std::optional<std::wstring> name = item.get_attribute("action");
  if (!name) return false;
  action_elements elements;
  element table = list.select_first("table");
  if (table.has_attribute("multiselect")) {
    elements[0] = table;
  } else {
    // A menu opened over a list with nothing selected has nothing to act on.
    elements[0] = list.select_first(":checked").select_first("div");
    // A row without id is a tag not saved yet: nothing to act on.
    if (!elements[0] || !elements[0].has_attribute("id")) return false;
  }
  run_gesture([&] {
    controller().interpret_action(action{*name, elements});
    return true;
  });
  return true;
}

}  // namespace pvl
