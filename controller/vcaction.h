// vcaction: the low-level message that pvcontroller::send takes. It is
// either a mouse event on an element of the window (which drives drag and
// drop) or a text to be stored as a new quote (a clipboard capture or a text
// dropped on the window).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "htmlayout/dom/element.h"

namespace pvl {

// The vcaction types, written to the log "debug" as they stand.
namespace vcaction_types {
enum : int32_t {
  none = 0,             // rejected: wrong_vcaction
  init = 1,             // rejected: fml::deprecated
  mouse_event = 1024,   // mouse_record
  captured_text = 1025  // text_record
};
}  // namespace vcaction_types

// A mouse event as an element's behaviour receives it.
struct mouse_record {
  static constexpr int32_t type = vcaction_types::mouse_event;
  htmlayout::dom::element target;  // the deepest element under the pointer
  // The engine's event code (htmlayout::mouse: 2 move, 3 release, 4 press,
  // 5 double click), with htmlayout::sinking added in the sinking phase. Only
  // the plain (bubbling) codes take part in drag and drop, so each physical
  // event counts once.
  uint32_t event = 0;
  // The pointer in document coordinates (mouse_params::pos_document), so that
  // positions reported by different elements compare.
  int32_t x = 0;
  int32_t y = 0;
  // htmlayout::mouse button bits: the buttons held, and on a press or a
  // release the button that went down or up.
  uint32_t buttons = 0;
  uint32_t keys = 0;  // htmlayout::keyboard bits
};

// A text to be stored as a new quote: UTF-8, of any length, the sender's and
// valid for the call.
struct text_record {
  static constexpr int32_t type = vcaction_types::captured_text;
  std::string_view text;
};

struct vcaction {
  // A captured or dropped text.
  vcaction(const text_record& record) : type(text_record::type), data(record) {}
  // A mouse event reported by `on`, an element whose behaviour forwards it.
  vcaction(const mouse_record& record, htmlayout::dom::element on, std::wstring on_cls,
           std::wstring on_id)
      : type(mouse_record::type),
        element(on),
        cls(std::move(on_cls)),
        id(std::move(on_id)),
        data(record) {}
  // A type without its record, which the controller rejects.
  explicit vcaction(int32_t bare_type) : type(bare_type) {}

  int32_t type = vcaction_types::none;
  // The element the message is about (for a mouse event: the element whose
  // behaviour forwards it), or null.
  htmlayout::dom::element element;
  // The `class` and `id` attributes of `element`; empty when not applicable.
  std::wstring cls;
  std::wstring id;
  std::variant<std::monostate, mouse_record, text_record> data;  // set by `type`
};

}  // namespace pvl
