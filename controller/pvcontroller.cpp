#include "controller/pvcontroller.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "controller/element_ids.h"
#include "fml/app_errors.h"
#include "fml/log.h"
#include "fml/text.h"
#include "htmlayout/dom/events.h"
#include "model/model_event.h"
#include "model/model_instance.h"

namespace pvl {

using htmlayout::dom::element;

namespace {

namespace me = model_events;

// How an action reads its parameter and what it makes of it.
enum class shape {
  one_id,          // [element]: its number
  id_list,         // [table]: the numbers of its checked rows
  tag_then_quote,  // [tag, quote]: {Q, T}
  quote_then_tag,  // [quote, tag]: {Q, T}
  tag_on_quote,    // [qtag]: {number of the quote holding it, T}
  text,            // zero-terminated text, handed on as it is
  utf8_text,       // std::string, handed on as it is
  edit_tag,        // [tag]: to the view
  renamed_tag,     // element_and_name
  path,            // std::wstring, handed on as it is
  nothing,         // no parameter
};

// Hands one model event to the model; the event's type says what its
// payload is built from.
template <typename Event, typename Value>
void to_model(Value value) {
  model().on_model_event(Event{value});
}
template <typename Event>
void to_model_plain() {
  model().on_model_event(Event{});
}

// How an action's model event is sent, by what the action reads.
using send_id = void (*)(int32_t);
using send_ids = void (*)(const std::vector<int32_t>&);
using send_pair = void (*)(quote_tag_ids);
using send_utf8 = void (*)(std::string_view);
using send_text = void (*)(std::wstring_view);
using send_rename = void (*)(const tag_rename&);
using send_plain = void (*)();
using model_sender = std::variant<std::monostate, send_id, send_ids, send_pair, send_utf8,
                                  send_text, send_rename, send_plain>;

struct action_row {
  const wchar_t* name;
  shape how;
  model_sender send;  // std::monostate for rename_vtag, which goes to the view
  // The start of the action's line in "cntrl"; null for no line.
  const char* log;
};

const action_row kActions[] = {
    {L"mark_quote_with_tag", shape::tag_then_quote, to_model<me::mark_quote, quote_tag_ids>,
     "mark_quote_with_tag"},
    {L"mark_tag_with_quote", shape::quote_then_tag, to_model<me::mark_quote, quote_tag_ids>,
     "mark_tag_with_quote"},
    {L"delete_vtag", shape::one_id, to_model<me::delete_tag, int32_t>, "delete_vtag; tag: "},
    {L"delete_vtags", shape::id_list, to_model<me::delete_tags, const std::vector<int32_t>&>,
     nullptr},
    {L"delete_quote_mark", shape::tag_on_quote, to_model<me::delete_mark, quote_tag_ids>,
     "delete_quote_mark"},
    {L"delete_quote", shape::one_id, to_model<me::delete_quote, int32_t>, "delete_quote; quote: "},
    {L"delete_quotes", shape::id_list, to_model<me::delete_quotes, const std::vector<int32_t>&>,
     nullptr},
    {L"add_quote", shape::utf8_text, to_model<me::add_quote, std::string_view>, "add_quote; "},
    {L"add_search_tag", shape::one_id, to_model<me::add_search_tag, int32_t>,
     "add_search_tag; id: "},
    {L"add_search_tags", shape::id_list, to_model<me::add_search_tags, const std::vector<int32_t>&>,
     nullptr},
    {L"delete_search_tag", shape::one_id, to_model<me::delete_search_tag, int32_t>,
     "delete_search_tag; id: "},
    {L"clear_search_tags", shape::nothing, to_model_plain<me::clear_search_tags>,
     "clear_search_tags"},
    {L"add_tag", shape::text, to_model<me::add_tag, std::wstring_view>, "add_tag; id: "},
    {L"rename_vtag", shape::edit_tag, std::monostate{}, nullptr},
    {L"rename_tag", shape::renamed_tag, to_model<me::rename_tag, const tag_rename&>,
     "rename_tag; id: "},
    {L"export_data", shape::path, to_model<me::export_data, std::wstring_view>, nullptr},
    {L"copy_quote", shape::one_id, to_model<me::copy_quote, int32_t>, nullptr},
    {L"copy_quotes", shape::id_list, to_model<me::copy_quotes, const std::vector<int32_t>&>,
     nullptr},
    {L"copy_quotes_with_data", shape::id_list,
     to_model<me::copy_quotes_with_data, const std::vector<int32_t>&>, nullptr},
    {L"copy_quote_with_data", shape::one_id, to_model<me::copy_quote_with_data, int32_t>, nullptr},
    {L"set_search_mode_and", shape::nothing, to_model_plain<me::set_search_mode_and>, nullptr},
    {L"set_search_mode_or", shape::nothing, to_model_plain<me::set_search_mode_or>, nullptr},
    {L"undo_delete", shape::nothing, to_model_plain<me::undo_delete>, "undo_delete"},
};

const action_row* find_action(std::wstring_view name) {
  for (const action_row& row : kActions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

std::ostream& cntrl() { return fml::getlog("cntrl"); }

// The parameter of type T of the action `request`; raises fml::exception
// when the action came without one or with another kind.
template <typename T>
const T& param_of(const action& request) {
  if (const T* param = std::get_if<T>(&request.param)) return *param;
  std::string name = fml::wchar2utf8(request.name);
  if (std::holds_alternative<std::monostate>(request.param)) {
    throw fml::exception("interpret_action " + name + ": no parameter");
  }
  fml::getlog("debug") << "interpret_action " << name << ": wrong parameter" << std::endl;
  throw fml::exception("interpret_action " + name + ": wrong parameter");
}

// Whether `inner` is `outer` or lies inside it.
bool holds(const element& outer, const element& inner) {
  for (element e = inner; e; e = e.parent()) {
    if (e == outer) return true;
  }
  return false;
}

}  // namespace

pvcontroller::pvcontroller() : drag_(*this) {
  fml::getlog("debug") << "Controller init" << std::endl;
}

pvcontroller::~pvcontroller() { fml::getlog("debug") << "Controller destruct" << std::endl; }

bool pvcontroller::is_drop_action(std::wstring_view name) {
  const action_row* row = find_action(name);
  if (!row) return false;
  switch (row->how) {
    case shape::one_id:
    case shape::id_list:
    case shape::tag_then_quote:
    case shape::quote_then_tag:
    case shape::tag_on_quote:
    case shape::edit_tag:
      return true;
    default:
      return false;
  }
}

void pvcontroller::set_view(view_event_sink* view) { view_ = view; }

bool pvcontroller::send(const vcaction& message) {
  fml::getlog("debug") << "Controller send action. type: " << message.type << std::endl;
  switch (message.type) {
    case vcaction_types::none:
      throw wrong_vcaction("pvcontroller::send");
    case vcaction_types::init:
      throw fml::deprecated("pvcontroller::send vcaction::init");
  }
  if (const auto* captured = std::get_if<text_record>(&message.data)) {
    interpret_action(action{L"add_quote", captured->text});
    return true;
  }
  if (const auto* mouse = std::get_if<mouse_record>(&message.data)) {
    return mouse_step(message.element, *mouse);
  }
  throw unknown_vcaction("pvcontroller::send");
}

bool pvcontroller::mouse_step(const element& on, const mouse_record& mouse) {
  bool main_button = mouse.buttons & htmlayout::mouse::main_button;

  switch (mouse.event) {
    case htmlayout::mouse::down: {
      if (!main_button) return false;
      // The press that armed the source, reported again by it or passed on
      // by an element around it: the innermost source stays armed.
      bool same_press = drag_.is_armed() && !drag_.is_dragging() && holds(on, drag_.source());
      // Any other press starts a new gesture. A source still armed here lost
      // its release somewhere that does not report to the controller; its
      // drag must not go on with this press.
      if (!same_press && drag_.is_armed()) {
        log_element("dnd cancel: ", drag_.source());
        drag_.end_drag();
      }
      log_element("dnd ready: ", on);
      if (!same_press) drag_.arm(on, mouse.x, mouse.y);
      return false;
    }
    case htmlayout::mouse::up:
      if (!main_button) return false;
      log_element("dnd stop: ", drag_.source());
      return drag_.drop(on);
    case htmlayout::mouse::move:
      if (!drag_.is_armed_and_moved(mouse.x, mouse.y) || drag_.is_dragging()) return false;
      log_element("dnd start: ", drag_.source());
      drag_.start_drag();
      return true;
    default:
      return false;
  }
}

void pvcontroller::interpret_action(const action& request) {
  fml::getlog("debug") << "Controller send interpret_action. type: "
                       << fml::wchar2ansi(request.name) << std::endl;
  const action_row* row = find_action(request.name);
  if (!row) throw unknown_vcaction("");

  switch (row->how) {
    case shape::one_id: {
      const int32_t id = parse_element_id(param_of<action_elements>(request)[0]);
      if (row->log) cntrl() << row->log << id << std::endl;
      std::get<send_id>(row->send)(id);
      break;
    }
    case shape::id_list: {
      const std::vector<int32_t> ids = checked_ids(param_of<action_elements>(request)[0]);
      std::get<send_ids>(row->send)(ids);
      break;
    }
    case shape::tag_then_quote:
    case shape::quote_then_tag:
    case shape::tag_on_quote: {
      // A handle whose element is deleted meanwhile answers empty and reads
      // as an element without id.
      const action_elements& elements = param_of<action_elements>(request);
      quote_tag_ids ids;
      if (row->how == shape::tag_then_quote) {
        ids.tag = parse_element_id(elements[0]);
        ids.quote = parse_element_id(elements[1]);
      } else if (row->how == shape::quote_then_tag) {
        ids.quote = parse_element_id(elements[0]);
        ids.tag = parse_element_id(elements[1]);
      } else {
        ids.tag = parse_element_id(elements[0]);
        ids.quote = parse_element_id(quote_of_qtag(elements[0]));
      }
      cntrl() << row->log << "; quote: " << ids.quote << "; tag: " << ids.tag << std::endl;
      std::get<send_pair>(row->send)(ids);
      break;
    }
    case shape::text: {
      const std::wstring_view text = param_of<std::wstring_view>(request);
      cntrl() << row->log << fml::wchar2utf8(text) << std::endl;
      std::get<send_text>(row->send)(text);
      break;
    }
    case shape::utf8_text: {
      const std::string_view text = param_of<std::string_view>(request);
      // The text itself may be megabytes long: only the action is logged.
      cntrl() << row->log << std::endl;
      std::get<send_utf8>(row->send)(text);
      break;
    }
    case shape::edit_tag: {
      const element tag = param_of<action_elements>(request)[0];
      if (view_) view_->on_view_event(view_events::vedit_tag{tag});
      break;
    }
    case shape::renamed_tag: {
      const element_and_name& renamed = param_of<element_and_name>(request);
      const element edited = renamed.element;
      const tag_rename rename{parse_element_id(edited), renamed.name};
      edited.remove_attribute("editable");
      edited.update(true);
      cntrl() << row->log << rename.tag << std::endl;
      std::get<send_rename>(row->send)(rename);
      break;
    }
    case shape::path:
      std::get<send_text>(row->send)(param_of<std::wstring_view>(request));
      break;
    case shape::nothing:
      if (row->log) cntrl() << row->log << std::endl;
      std::get<send_plain>(row->send)();
      break;
  }
}

}  // namespace pvl
