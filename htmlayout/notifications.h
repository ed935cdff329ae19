// Notifications the engine sends to its host (the window that owns the
// document): control creation, load requests and behaviour attachment. The
// host installs one callback per document; the callback looks at `code`
// and casts the record to the matching type. The answer is 0 unless a
// record says otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "htmlayout/element.h"

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

using notification_callback = std::function<uint32_t(notification& record)>;

}  // namespace htmlayout
