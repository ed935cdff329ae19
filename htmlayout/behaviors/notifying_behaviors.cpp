// "command" and "hyperlink": elements that tell the window hosting the page
// what the user did with them, through the behavior_notify notification.
//
// "command": a press captures the mouse and makes the element :current; the
// release lets go and, when it falls inside the element that has an id,
// reports the command with that id.
//
// "hyperlink": reports the pointer entering and leaving it; a main-button
// press and release on it, or Space or Enter while it has the focus,
// activate it: hyperlink_click is posted to it (reason 0 for the mouse, 1
// for the keys), and an `href` of the form "#name" scrolls the element of
// that id or name to the top of its box, while any other is reported to the
// host with its `target`. The click method gives it the focus.
#include <string>

#include "fml/text.h"
#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/notifications.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/behaviors/stock_parts.h"

namespace htmlayout {
namespace {

std::wstring cut(std::wstring text) {
  if (text.size() > behavior_notify_notification::max_text)
    text.resize(behavior_notify_notification::max_text);
  return text;
}

// Sends the report about `he` to its document's host.
void notify_host(const dom::element& he, behavior_notify_notification& record) {
  element_node* n = he.node();
  if (!n || !n->doc) return;
  record.code = notification_code::behavior_notify;
  record.element = he;
  n->doc->notify(record);
}

class command : public behavior {
 public:
  command() : behavior(group::mouse, "command") {}

  bool on_mouse(const dom::element& he, const dom::element&, uint32_t event_type, int x, int y,
                uint32_t, uint32_t) override {
    if (event_type == mouse::down) {
      set_capture(he);
      he.set_state(state::current);
      return true;
    }
    if (event_type != mouse::up) return false;
    const bool was_current = (he.get_state() & state::current) != 0;
    release_capture(he);
    he.set_state(0, state::current);
    std::optional<rect> box = element_location(he);
    const bool inside =
        box && x >= 0 && y >= 0 && x < box->right - box->left && y < box->bottom - box->top;
    std::wstring id = he.get_attribute("id").value_or(L"");
    if (was_current && inside && !id.empty()) {
      behavior_notify_notification report;
      report.kind = behavior_notify_kind::command;
      report.id = cut(std::move(id));
      notify_host(he, report);
    }
    return true;
  }
};

class hyperlink : public behavior {
 public:
  hyperlink()
      : behavior(group::mouse | group::key | group::focus | group::method_call, "hyperlink") {}

  bool on_mouse(const dom::element& he, const dom::element&, uint32_t event_type, int, int,
                uint32_t buttons, uint32_t) override {
    switch (event_type) {
      case mouse::enter:
        report(he, hyperlink_action::enter);
        return false;
      case mouse::leave:
        // A press that leaves the link is given up, so that a later release
        // on it without a press of its own does not activate it.
        he.set_state(0, state::current);
        report(he, hyperlink_action::leave);
        return false;
      case mouse::down:
        if (!(buttons & mouse::main_button)) return false;
        he.set_state(state::current);
        return true;
      case mouse::up:
        if (!(he.get_state() & state::current)) return false;
        he.set_state(0, state::current);
        activate(he, 0);
        return true;
    }
    return false;
  }

  bool on_key(const dom::element& he, const dom::element&, uint32_t event_type, uint32_t code,
              uint32_t) override {
    if (code != vk::space && code != vk::enter) return false;
    // The press is taken too, so that the engine does not click a link
    // element on its own as well: the link is activated once, on release.
    if (event_type == key::down) return true;
    if (event_type != key::up) return false;
    activate(he, 1);
    return true;
  }

  bool on_focus(const dom::element&, const dom::element&, uint32_t) override { return true; }

  bool on_method_call(const dom::element& he, uint32_t method_id, method_params&) override {
    if (method_id != method::click) return false;
    he.set_state(state::focus);
    return true;
  }

 private:
  static void report(const dom::element& he, uint32_t action) {
    element_node* n = he.node();
    if (!n || !n->doc) return;
    behavior_notify_notification record;
    record.kind = behavior_notify_kind::hyperlink;
    record.action = action;
    const std::string href = he.get_attribute_utf8("href").value_or("");
    record.href = cut(fml::utf82wchar(n->doc->combine_url(href)));
    record.target = cut(he.get_attribute("target").value_or(L""));
    notify_host(he, record);
  }

  static void activate(const dom::element& he, uintptr_t reason) {
    he.post_event(event::hyperlink_click, he, reason);
    const std::string href = he.get_attribute_utf8("href").value_or("");
    if (href.empty() || href[0] != '#') {
      report(he, hyperlink_action::activate);
      return;
    }
    if (href.size() == 1) return;
    const std::string name = quoted_selector_value(href.substr(1));
    if (dom::element anchor = he.root().select_first("[id=" + name + "],[name=" + name + "]"))
      scroll_to_view(anchor, true);
  }
};

}  // namespace

void stock_parts::register_notifying() {
  static command command_object;
  static hyperlink hyperlink_object;
}

}  // namespace htmlayout
