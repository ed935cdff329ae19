#include "controller/pvcontroller.h"

#include <cstdint>
#include <ostream>
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

struct action_row {
  const wchar_t* name;
  shape how;
  int32_t model_event;
  // The start of the action's line in "cntrl"; null for no line.
  const char* log;
};

const action_row kActions[] = {
    {L"mark_quote_with_tag", shape::tag_then_quote, me::mark_quote, "mark_quote_with_tag"},
    {L"mark_tag_with_quote", shape::quote_then_tag, me::mark_quote, "mark_tag_with_quote"},
    {L"delete_vtag", shape::one_id, me::delete_tag, "delete_vtag; tag: "},
    {L"delete_vtags", shape::id_list, me::delete_tags, nullptr},
    {L"delete_quote_mark", shape::tag_on_quote, me::delete_mark, "delete_quote_mark"},
    {L"delete_quote", shape::one_id, me::delete_quote, "delete_quote; quote: "},
    {L"delete_quotes", shape::id_list, me::delete_quotes, nullptr},
    {L"add_quote", shape::utf8_text, me::add_quote, "add_quote; "},
    {L"add_search_tag", shape::one_id, me::add_search_tag, "add_search_tag; id: "},
    {L"add_search_tags", shape::id_list, me::add_search_tags, nullptr},
    {L"delete_search_tag", shape::one_id, me::delete_search_tag, "delete_search_tag; id: "},
    {L"clear_search_tags", shape::nothing, me::clear_search_tags, "clear_search_tags"},
    {L"add_tag", shape::text, me::add_tag, "add_tag; id: "},
    {L"rename_vtag", shape::edit_tag, 0, nullptr},
    {L"rename_tag", shape::renamed_tag, me::rename_tag, "rename_tag; id: "},
    {L"export_data", shape::path, me::export_data, nullptr},
    {L"copy_quote", shape::one_id, me::copy_quote, nullptr},
    {L"copy_quotes", shape::id_list, me::copy_quotes, nullptr},
    {L"copy_quotes_with_data", shape::id_list, me::copy_quotes_with_data, nullptr},
    {L"copy_quote_with_data", shape::one_id, me::copy_quote_with_data, nullptr},
    {L"set_search_mode_and", shape::nothing, me::set_search_mode_and, nullptr},
    {L"set_search_mode_or", shape::nothing, me::set_search_mode_or, nullptr},
    {L"undo_delete", shape::nothing, me::undo_delete, "undo_delete"},
};

const action_row* find_action(std::wstring_view name) {
  for (const action_row& row : kActions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

std::ostream& cntrl() { return fml::getlog("cntrl"); }

void to_model(int32_t id, const void* data) { model().on_model_event(model_event{id, data}); }

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
    case vcaction_types::captured_text:
      interpret_action(action{L"add_quote", message.data});
      return true;
    case vcaction_types::mouse_event:
      return mouse_step(message);
    default:
      throw unknown_vcaction("pvcontroller::send");
  }
}

bool pvcontroller::mouse_step(const vcaction& message) {
  if (!message.data) throw fml::exception("pvcontroller::send: mouse event without its record");
  const mouse_record& mouse = *static_cast<const mouse_record*>(message.data);
  bool main_button = mouse.buttons & htmlayout::mouse::main_button;

  switch (mouse.event) {
    case htmlayout::mouse::down: {
      if (!main_button) return false;
      // The press that armed the source, reported again by it or passed on
      // by an element around it: the innermost source stays armed.
      bool same_press =
          drag_.is_armed() && !drag_.is_dragging() && holds(message.element, drag_.source());
      // Any other press starts a new gesture. A source still armed here lost
      // its release somewhere that does not report to the controller; its
      // drag must not go on with this press.
      if (!same_press && drag_.is_armed()) {
        log_element("dnd cancel: ", drag_.source());
        drag_.end_drag();
      }
      log_element("dnd ready: ", message.element);
      if (!same_press) drag_.arm(message.element, mouse.x, mouse.y);
      return false;
    }
    case htmlayout::mouse::up:
      if (!main_button) return false;
      log_element("dnd stop: ", drag_.source());
      return drag_.drop(message.element);
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
  if (!request.param && row->how != shape::nothing) {
    throw fml::exception("interpret_action " + fml::wchar2utf8(request.name) + ": no parameter");
  }
  // For the element actions: elements[0], and elements[1] where two are
  // needed. The caller keeps them for the call; a handle whose element is
  // deleted meanwhile answers empty and reads as an element without id.
  const element* elements = static_cast<const element*>(request.param);

  switch (row->how) {
    case shape::one_id: {
      const int32_t id = parse_element_id(elements[0]);
      if (row->log) cntrl() << row->log << id << std::endl;
      to_model(row->model_event, &id);
      break;
    }
    case shape::id_list: {
      const std::vector<int32_t> ids = checked_ids(elements[0]);
      to_model(row->model_event, &ids);
      break;
    }
    case shape::tag_then_quote:
    case shape::quote_then_tag:
    case shape::tag_on_quote: {
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
      to_model(row->model_event, &ids);
      break;
    }
    case shape::text: {
      const wchar_t* text = static_cast<const wchar_t*>(request.param);
      cntrl() << row->log << fml::wchar2utf8(text) << std::endl;
      to_model(row->model_event, text);
      break;
    }
    case shape::utf8_text:
      // The text itself may be megabytes long: only the action is logged.
      cntrl() << row->log << std::endl;
      to_model(row->model_event, request.param);
      break;
    case shape::edit_tag: {
      const element tag = elements[0];
      if (view_) view_->on_view_event(view_event{view_events::vedit_tag, &tag});
      break;
    }
    case shape::renamed_tag: {
      const element_and_name& renamed = *static_cast<const element_and_name*>(request.param);
      const element edited = renamed.element;
      const tag_rename rename{parse_element_id(edited), renamed.name};
      edited.remove_attribute("editable");
      edited.update(true);
      cntrl() << row->log << rename.tag << std::endl;
      to_model(row->model_event, &rename);
      break;
    }
    case shape::path:
      to_model(row->model_event, request.param);
      break;
    case shape::nothing:
      if (row->log) cntrl() << row->log << std::endl;
      to_model(row->model_event, nullptr);
      break;
  }
}

}  // namespace pvl
