#include "htmlayout/behaviors/dialog.h"

#include <cctype>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/program_resources.h"

namespace htmlayout {

namespace {

dialog_runner& runner() {
  static dialog_runner installed;
  return installed;
}

std::function<void(const std::wstring&)>& url_opener() {
  static std::function<void(const std::wstring&)> installed;
  return installed;
}

// The button names that end a dialog, in the order of their results (1 to
// 9). Two of them end in a blank.
constexpr std::wstring_view kButtonNames[] = {L"OK",  L"CANCEL", L"ABORT ", L"RETRY ", L"IGNORE",
                                              L"YES", L"NO",     L"CLOSE",  L"HELP"};

bool equal_ignoring_ascii_case(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::wstring type_of(const dom::element& e) {
  std::wstring type = e.get_attribute("type").value_or(L"");
  for (wchar_t& c : type) c = static_cast<wchar_t>(std::towlower(c));
  return type;
}

// The elements under `parent` matching `selector` whose `name` is `name`.
std::vector<dom::element> named(const dom::element& parent, std::string_view selector,
                                const std::wstring& name) {
  std::vector<dom::element> out;
  for (const dom::element& e : parent.select_all(selector))
    if (e.get_attribute("name") == name) out.push_back(e);
  return out;
}

// The radio buttons named `name` under `parent`, in document order.
std::vector<dom::element> radio_group(const dom::element& parent, const std::wstring& name) {
  return named(parent, "[type='radio'][name]", name);
}

bool is_control(const dom::element& e) {
  const std::string tag = e.tag_name();
  return tag == "input" || tag == "textarea" || tag == "select" || tag == "button" ||
         !e.get_style_attribute("behavior").empty();
}

int as_int(const dialog_value& value) {
  if (const int* i = std::get_if<int>(&value)) return *i;
  if (const bool* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  try {
    return std::stoi(std::get<std::wstring>(value));
  } catch (...) {
    return -1;
  }
}

bool as_bool(const dialog_value& value) {
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  if (const int* i = std::get_if<int>(&value)) return *i != 0;
  const std::wstring& text = std::get<std::wstring>(value);
  return !text.empty() && text != L"0" && !equal_ignoring_ascii_case(text, L"false");
}

std::wstring as_text(const dialog_value& value) {
  if (const std::wstring* text = std::get_if<std::wstring>(&value)) return *text;
  if (const bool* b = std::get_if<bool>(&value)) return *b ? L"true" : L"false";
  return std::to_wstring(std::get<int>(value));
}

void set_control_value(const dom::element& e, const std::wstring& name, const dialog_value& value) {
  const std::wstring type = type_of(e);
  if (type == L"radio") {
    const std::vector<dom::element> group = radio_group(e.parent(), name);
    const int chosen = as_int(value);
    for (size_t i = 0; i < group.size(); ++i) {
      if (static_cast<int>(i) == chosen)
        group[i].set_state(state::checked);
      else
        group[i].set_state(0, state::checked);
    }
  } else if (type == L"checkbox") {
    if (as_bool(value))
      e.set_state(state::checked);
    else
      e.set_state(0, state::checked);
  } else if (e.tag_name() == "input") {
    e.set_attribute("value", as_text(value));
  } else {
    e.set_text(as_text(value));
  }
}

dialog_value control_value(const dom::element& e, const std::wstring& name) {
  const std::wstring type = type_of(e);
  if (type == L"radio") {
    const std::vector<dom::element> group = radio_group(e.parent(), name);
    for (size_t i = 0; i < group.size(); ++i)
      if (group[i].get_state() & state::checked) return static_cast<int>(i);
    return -1;
  }
  if (type == L"checkbox") return (e.get_state() & state::checked) != 0;
  if (e.tag_name() == "input") return e.get_attribute("value").value_or(L"");
  if (e.tag_name() == "select") {
    dom::element chosen = e.select_first("option:checked");
    if (!chosen) return std::wstring();
    return chosen.get_attribute("value").value_or(chosen.text());
  }
  return e.text();
}

}  // namespace

dialog::dialog(const document* owner_document)
    : event_handler(group::behavior_event | group::key), owner(owner_document) {}

dialog::~dialog() = default;

int dialog::show(uint32_t resource_id) {
  std::optional<std::string_view> html =
      find_program_resource(std::to_string(html_resource_type), std::to_string(resource_id));
  if (!html || html->empty() || !runner()) return 0;
  return runner()(*this, *html);
}

void dialog::begin_run(document& page, std::function<void(int)> end_window) {
  page_ = &page;
  end_window_ = std::move(end_window);
}

void dialog::end_run() {
  page_ = nullptr;
  end_window_ = nullptr;
}

bool dialog::end(int code) {
  if (!end_window_) return false;
  end_window_(code);
  return true;
}

uint32_t dialog::handle_notification(notification& record) {
  if (record.code == notification_code::load_data)
    on_load_data(static_cast<load_data_notification&>(record));
  else if (record.code == notification_code::attach_behavior)
    on_attach_behavior(static_cast<attach_behavior_notification&>(record));
  return 0;
}

void dialog::on_load_data(load_data_notification& request) {
  const std::string url = request.uri.substr(0, 260);
  if (url.empty() || !request.doc) return;
  std::string name = url, type = std::to_string(html_resource_type);
  if (size_t dot = url.rfind('.'); dot != std::string::npos) {
    name = url.substr(0, dot);
    type = url.substr(dot + 1);
    if (equal_ignoring_ascii_case(std::wstring(type.begin(), type.end()), L"html"))
      type = std::to_string(html_resource_type);
  }
  if (std::optional<std::string_view> bytes = find_program_resource(type, name))
    request.doc->data_ready(request.uri, *bytes);
}

void dialog::on_attach_behavior(attach_behavior_notification& request) {
  answer_attach_behavior(request);
}

void dialog::attached(const dom::element& root) {
  if (!values) return;
  for (const auto& [name, value] : *values) {
    const std::vector<dom::element> found = named(root, "[name]", name);
    if (!found.empty() && is_control(found.front())) set_control_value(found.front(), name, value);
  }
}

bool dialog::handle_key(const dom::element& he, key_params& params) {
  if (params.cmd != key::down) return false;
  const char* role = params.key_code == vk::enter    ? "[role='default-button']"
                     : params.key_code == vk::escape ? "[role='cancel-button']"
                                                     : nullptr;
  if (!role) return false;
  dom::element button = he.root().select_first(role);
  if (!button) return false;
  method_params click;
  click.method_id = method::click;
  return button.call_behavior_method(click);
}

bool dialog::handle_event(const dom::element& he, behavior_event_params& params) {
  if (params.cmd == event::hyperlink_click) {
    if (std::optional<std::wstring> href = params.target.get_attribute("href"))
      if (url_opener()) url_opener()(*href);
    return false;
  }
  if (params.cmd != event::button_click) return false;
  std::optional<std::wstring> name = params.target.get_attribute("name");
  if (!name) return false;
  int result = 0;
  for (size_t i = 0; i < std::size(kButtonNames); ++i)
    if (equal_ignoring_ascii_case(*name, kButtonNames[i])) result = static_cast<int>(i) + 1;
  if (result == 0) return false;
  if (values && (result == dialog_result::ok || result == dialog_result::retry ||
                 result == dialog_result::yes)) {
    values->clear();
    for (const dom::element& e : he.root().select_all("[name]")) {
      const std::wstring field = e.get_attribute("name").value_or(L"");
      (*values)[field] = control_value(e, field);
    }
  }
  return end(result);
}

void set_dialog_runner(dialog_runner run) { runner() = std::move(run); }

void set_url_opener(std::function<void(const std::wstring& url)> opener) {
  url_opener() = std::move(opener);
}

}  // namespace htmlayout
