// How the engine itself sees the elements the user points at and types to:
// which are buttons, links and focusable, and how a button's checked state
// changes when it is clicked. Used by the input side (input.h).
#pragma once

#include "htmlayout/dom/element.h"

namespace htmlayout {

// A `button`, or an `input` of type button, submit, reset, checkbox or
// radio.
bool is_button(const dom::element& e);
// An `a` with an `href`.
bool is_link(const dom::element& e);
// The nearest of `e` and its ancestors that is an enabled button or a link;
// null when none.
dom::element control_around(const dom::element& e);
// Whether a click may give `e` the focus: it is enabled and a control (button,
// input, select, textarea), a link, has a "tabindex" attribute, or has a
// handler that takes key or focus events.
bool is_focusable(const dom::element& e);
// For a radio button: makes it the one checked among the radio buttons of
// the document with the same `name`. For a check box: toggles its checked
// state. Answers whether its state changed (false for other buttons).
bool toggle_checked(const dom::element& button);
// The element that the `context-menu` style of `e` names
// ("selector(<selector>)", looked up from the root), or null.
dom::element context_menu_of(const dom::element& e);
// Whether `e` is `ancestor` or lies inside it.
bool is_within(const dom::element& e, const dom::element& ancestor);

}  // namespace htmlayout
