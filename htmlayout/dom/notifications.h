// Notifications the engine sends to its host (the window that owns the
// document): control creation, load requests and behaviour attachment, and
// the reports of the stock "command" and "hyperlink" behaviours. The
// host installs one callback per document; the callback looks at `code`
// and casts the record to the matching type. The answer is 0 unless a
// record says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "htmlayout/dom/element.h"

namespace htmlayout {

class document;

namespace notification_code {
// A button, input, select or textarea element was created. The host may
// attach handlers to it directly.
inline constexpr uint32_t create_control = 2816;
// The document needs a resource (a linked style sheet, an image). The host
// answers with document::data_ready, during the call or later.
inline constexpr uint32_t load_data = 2817;
// An element was created whose style names a behaviour. The host answers by
// filling in element_proc, element_tag and element_events.
inline constexpr uint32_t attach_behavior = 2823;
// A "command" element was clicked, or a "hyperlink" was entered, left or
// activated (behavior_notify_notification). The answer is not used.
inline constexpr uint32_t behavior_notify = 1124;
}  // namespace notification_code

// The kinds of resource a load request asks for.
namespace resource_type {
inline constexpr uint32_t html = 0;
inline constexpr uint32_t image = 1;
inline constexpr uint32_t style = 2;
inline constexpr uint32_t cursor = 3;
}  // namespace resource_type

// What the callback answers to a load request.
namespace load_answer {
// Handled, or left to the engine: when no data_ready came during the call,
// the engine reads the resource from a local file if there is one.
inline constexpr uint32_t ok = 0;
// Do not load this resource at all.
inline constexpr uint32_t discard = 1;
// The host will call data_ready later.
inline constexpr uint32_t delayed = 2;
}  // namespace load_answer

struct notification {
  uint32_t code;
  document* doc;
};

struct create_control_notification : notification {
  dom::element element;
};

struct load_data_notification : notification {
  std::string uri;  // the reference as written, combined with the base URL
  uint32_t data_type = resource_type::html;
  dom::element principal;  // the element that needs it (the link element)
};

struct attach_behavior_notification : notification {
  dom::element element;
  std::string behavior_name;
  // The answer: the procedure, its tag and the groups it subscribes to. A
  // null procedure leaves the element without a handler.
  element_event_proc element_proc = nullptr;
  void* element_tag = nullptr;
  uint32_t element_events = 0;
};

// What a behavior_notify notification reports.
namespace behavior_notify_kind {
inline constexpr uint32_t command = 1;
inline constexpr uint32_t hyperlink = 2;
}  // namespace behavior_notify_kind

// What happened to a hyperlink.
namespace hyperlink_action {
inline constexpr uint32_t enter = 1;  // the pointer came over it
inline constexpr uint32_t leave = 2;  // the pointer left it
inline constexpr uint32_t activate = 3;
}  // namespace hyperlink_action

struct behavior_notify_notification : notification {
  // Each text is cut to this many characters.
  static constexpr size_t max_text = 2048;

  uint32_t kind = 0;    // behavior_notify_kind
  std::wstring id;      // command: the element's id
  uint32_t action = 0;  // hyperlink: hyperlink_action
  std::wstring href;    // hyperlink: its `href` combined with the document's URL
  std::wstring target;  // hyperlink: its `target` attribute (empty without one)
  dom::element element;
};

using notification_callback = std::function<uint32_t(notification& record)>;

}  // namespace htmlayout
