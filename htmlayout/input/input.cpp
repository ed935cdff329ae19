#include "htmlayout/input/input.h"

#include <algorithm>
#include <string>

#include "htmlayout/input/controls.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/keys.h"
#include "htmlayout/dom/style.h"
#include "htmlayout/dom/tree_ops.h"

namespace htmlayout {
namespace {

// The element and its ancestors, nearest first.
std::vector<dom::element> ancestors_of(const dom::element& e) {
  std::vector<dom::element> chain;
  for (dom::element a = e; a; a = a.parent()) chain.push_back(a);
  return chain;
}

bool holds(const std::vector<dom::element>& list, const dom::element& e) {
  return std::find(list.begin(), list.end(), e) != list.end();
}

bool subscribed(const element_node* n, uint32_t group) {
  if (!n->handlers) return false;
  for (const handler_binding& b : *n->handlers)
    if (b.subscription & group) return true;
  return false;
}

// Restores a flag when a scope ends, also by an exception.
class flag_scope {
 public:
  explicit flag_scope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~flag_scope() { flag_ = saved_; }
  flag_scope(const flag_scope&) = delete;
  flag_scope& operator=(const flag_scope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

input::input(document& doc, geometry& layout) : doc_(doc), layout_(layout) {
  doc_.set_interaction(this);
  doc_.add_observer(this);
  for (const document::pending_timer& t : doc_.take_pending_timers())
    set_timer(t.element, t.milliseconds, t.id);
}

input::~input() {
  doc_.remove_observer(this);
  if (doc_.interaction_side() == this) doc_.set_interaction(nullptr);
  for (const popup_entry& entry : popups_) entry.shown.element.set_state(0, state::popup, false);
}

input* input::of(const dom::element& e) {
  element_node* n = e.node();
  return n && n->doc ? dynamic_cast<input*>(n->doc->interaction_side()) : nullptr;
}

bool input::in_document(const dom::element& e) const {
  element_node* n = e.node();
  return n && n->doc == &doc_;
}

dom::element input::hit_test(point p) {
  dom::element hit = layout_.element_at(p);
  return in_document(hit) ? hit : dom::element();
}

dom::element input::pointer_target(const dom::element& hit) const {
  return in_document(capture_) ? capture_ : hit;
}

// ---- Dispatch ----

bool input::propagate(const dom::element& target, uint32_t group, uint32_t& cmd, void* params,
                      const std::function<void(const dom::element&)>& prepare,
                      const std::function<bool()>& at_target) {
  // The path is fixed before the first handler runs; elements that leave the
  // document meanwhile are skipped.
  std::vector<dom::element> path = ancestors_of(target);
  const uint32_t code = cmd;
  auto call = [&](const dom::element& e) {
    element_node* n = e.node();
    if (!n || n->doc != &doc_ || !subscribed(n, group)) return false;
    if (prepare) prepare(e);
    return tree_ops::call_handlers(n, group, params);
  };
  cmd = code | sinking;
  for (auto e = path.rbegin(); e != path.rend(); ++e)
    if (call(*e)) return true;
  cmd = code;
  for (const dom::element& e : path) {
    if (call(e)) return true;
    if (e == target && at_target && at_target()) return true;
  }
  return false;
}

bool input::send_mouse(const dom::element& target, uint32_t code, point p, uint32_t buttons,
                       uint32_t keys) {
  if (!in_document(target)) return false;
  mouse_params params;
  params.cmd = code;
  params.target = target;
  params.pos_document = p;
  params.button_state = buttons;
  params.alt_state = keys;
  auto relative = [&](const dom::element& e) {
    std::optional<rect> box = layout_.location(e);
    params.pos = box ? point{p.x - box->left, p.y - box->top} : p;
  };
  return propagate(target, group::mouse, params.cmd, &params, relative, {});
}

bool input::send_key(uint32_t code, uint32_t key_code, uint32_t keys) {
  dom::element focused = doc_.focused();
  dom::element target = in_document(focused) ? focused : doc_.root();
  key_params params;
  params.cmd = code;
  params.target = target;
  params.key_code = key_code;
  params.alt_state = keys;
  std::function<bool()> edit;
  if (dom::element edited = inline_editor::editable(target)) {
    if (code == key::down)
      edit = [&, edited] { return editor_.key_down(edited, key_code, keys); };
    else if (code == key::chars)
      edit = [&, edited] {
        return editor_.character(edited, static_cast<wchar_t>(key_code), keys);
      };
  }
  return propagate(target, group::key, params.cmd, &params, {}, edit);
}

void input::send_focus(const dom::element& to, focus_params& params) {
  propagate(to, group::focus, params.cmd, &params, {}, {});
}

// ---- Pointer ----

void input::mouse_move(point p, uint32_t buttons, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  track_hover(p, buttons, keys, true);
  send_mouse(pointer_target(hovered_), mouse::move, p, buttons, keys);
  if (selecting_ && (buttons & mouse::main_button)) {
    dom::element edited = inline_editor::editable(doc_.focused());
    if (!in_document(edited)) {
      selecting_ = false;
    } else if (std::optional<size_t> offset = layout_.text_position_at(edited, p)) {
      editor_.place_caret(edited, *offset, true);
    }
  }
  refresh_hover();
}

void input::mouse_down(point p, uint32_t button, uint32_t keys) {
  press(p, button, keys, mouse::down);
}

void input::mouse_double_click(point p, uint32_t button, uint32_t keys) {
  press(p, button, keys, mouse::double_click);
}

void input::press(point p, uint32_t button, uint32_t keys, uint32_t code) {
  document::event_scope scope(&doc_);
  forget_removed();
  track_hover(p, button, keys, true);
  dom::element hit = hit_test(p);
  if (!popup_holding(hit)) hide_all_popups();
  focus_for_click(hit);
  if (!send_mouse(pointer_target(hit), code, p, button, keys) && button == mouse::main_button) {
    if (dom::element control = control_around(hit); control && in_document(control)) {
      pressed_ = control;
      control.set_state(state::active);
      if (is_button(control)) control.send_event(event::button_press, control);
    }
    dom::element edited = inline_editor::editable(doc_.focused());
    if (edited && is_within(hit, edited)) {
      selecting_ = true;
      if (code == mouse::double_click)
        editor_.select(edited, 0, edited.text().size());
      else if (std::optional<size_t> offset = layout_.text_position_at(edited, p))
        editor_.place_caret(edited, *offset, keys & keyboard::shift);
    }
  }
  refresh_hover();
}

void input::mouse_up(point p, uint32_t button, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  track_hover(p, 0, keys, true);
  dom::element hit = hit_test(p);
  dom::element pressed;
  if (button == mouse::main_button) {
    selecting_ = false;
    pressed = std::move(pressed_);
    pressed_ = dom::element();
    if (pressed) pressed.set_state(0, state::active);
  }
  if (!send_mouse(pointer_target(hit), mouse::up, p, button, keys)) {
    if (button == mouse::main_button) {
      if (in_document(pressed) && is_within(hit, pressed))
        click(pressed);
      else if (dom::element item = menu_item_at(hit))
        activate_menu_item(item);
    } else if (button == mouse::prop_button && !popup_holding(hit)) {
      show_context_menu(hit, p);
    }
  }
  refresh_hover();
}

void input::mouse_leave() {
  document::event_scope scope(&doc_);
  forget_removed();
  track_hover(pointer_, 0, 0, false);
}

void input::wheel(point p, int delta, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  track_hover(p, 0, keys, true);
  dom::element hit = hit_test(p);
  if (send_mouse(pointer_target(hit), mouse::wheel, p, 0, keys)) return;
  for (dom::element e = hit; e; e = e.parent()) {
    std::string_view overflow = style_value(*e.node(), style_property::overflow);
    if (overflow != "auto" && overflow != "scroll") continue;
    scroll_range range = layout_.vertical_scroll(e);
    if (range.limit <= 0) continue;
    layout_.set_vertical_scroll(e, std::clamp(range.position + delta, 0, range.limit));
    break;
  }
  refresh_hover();
}

void input::track_hover(point p, uint32_t buttons, uint32_t keys, bool inside) {
  pointer_ = p;
  pointer_inside_ = inside;
  if (in_document(capture_)) return;  // the hover stays where the capture began
  dom::element hit = inside ? hit_test(p) : dom::element();
  if (hit == hovered_ && in_document(hovered_)) return;
  dom::element old = std::move(hovered_);
  hovered_ = hit;
  if (in_document(old)) send_mouse(old, mouse::leave, p, buttons, keys);
  std::vector<dom::element> chain = ancestors_of(hit);
  for (const dom::element& e : hover_chain_)
    if (in_document(e) && !holds(chain, e)) e.set_state(0, state::hover, false);
  for (const dom::element& e : chain)
    if (!holds(hover_chain_, e) || !(e.get_state() & state::hover))
      e.set_state(state::hover, 0, false);
  hover_chain_ = std::move(chain);
  if (in_document(hit) && hit == hovered_) send_mouse(hit, mouse::enter, p, buttons, keys);
}

void input::refresh_hover() {
  // The document or the capture may have changed under a still pointer.
  if (pointer_inside_ && !in_document(capture_)) track_hover(pointer_, 0, 0, true);
}

// ---- Keys ----

void input::key_down(uint32_t key_code, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  if (!popups_.empty() && popup_key(key_code)) return;
  if (send_key(key::down, key_code, keys)) return;
  if (key_code == vk::enter || key_code == vk::space) {
    dom::element focused = doc_.focused();
    if (in_document(focused) && (is_button(focused) || is_link(focused)) && focused.is_enabled())
      press_and_click(focused);
  }
}

void input::key_up(uint32_t key_code, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  send_key(key::up, key_code, keys);
}

void input::characters(std::wstring_view text, uint32_t keys) {
  document::event_scope scope(&doc_);
  forget_removed();
  for (wchar_t c : text) send_key(key::chars, static_cast<uint32_t>(c), keys);
}

void input::view_deactivated() {
  document::event_scope scope(&doc_);
  forget_removed();
  hide_all_popups();
  // The pointer's gestures end too: no release will come.
  capture_ = dom::element();
  if (in_document(pressed_)) pressed_.set_state(0, state::active);
  pressed_ = dom::element();
}

// ---- Focus ----

void input::set_focus(const dom::element& e, bool by_mouse) {
  document::event_scope scope(&doc_);
  move_focus(e, by_mouse);
}

void input::focus_for_click(const dom::element& hit) {
  const popup_entry* popup = popup_holding(hit);
  dom::element focused = doc_.focused();
  for (dom::element e = hit; e; e = e.parent()) {
    if (e == focused) return;
    if (is_focusable(e)) {
      move_focus(e, true);
      return;
    }
    if (popup && e == popup->shown.element) return;
  }
}

void input::move_focus(const dom::element& requested, bool by_mouse) {
  dom::element to = in_document(requested) ? requested : dom::element();
  // A handler told of the loss may move the focus itself; the move then goes
  // on from the element it moved to (a few times at most). An element that
  // is already being told of its loss is not told again.
  for (int round = 0; round < 4; ++round) {
    dom::element from = doc_.focused();
    if (from == to) return;
    if (!from || holds(losing_focus_, from)) break;
    focus_params lost;
    lost.cmd = focus::lost;
    lost.target = to;
    lost.by_mouse_click = by_mouse;
    losing_focus_.push_back(from);
    struct pop {
      std::vector<dom::element>& list;
      ~pop() { list.pop_back(); }
    } popped{losing_focus_};
    send_focus(from, lost);
    if (lost.cancel) return;
    if (to && !in_document(to)) return;
    if (doc_.focused() == from) break;
  }
  dom::element from = doc_.focused();
  if (from == to) return;
  place_focus(to);
  editor_.reset();
  if (!to) return;
  focus_params got;
  got.cmd = focus::got;
  got.target = from;
  got.by_mouse_click = by_mouse;
  send_focus(to, got);
}

void input::place_focus(const dom::element& to) {
  flag_scope placing(placing_focus_);
  if (to)
    to.set_state(state::focus);
  else if (dom::element focused = doc_.focused())
    focused.set_state(0, state::focus);
}

// ---- Positions ----

std::optional<rect> input::location(const dom::element& e) {
  if (!in_document(e)) return std::nullopt;
  return layout_.location(e);
}

bool input::scroll_to_view(const dom::element& e, bool to_top) {
  return in_document(e) && layout_.scroll_to_view(e, to_top);
}

// ---- Controls ----

bool input::click(const dom::element& control) {
  if (!in_document(control) || !control.is_enabled()) return false;
  if (is_link(control)) {
    control.send_event(event::hyperlink_click, control);
    return true;
  }
  if (!is_button(control)) return false;
  if (toggle_checked(control)) control.send_event(event::button_state_changed, control);
  control.send_event(event::button_click, control);
  return true;
}

bool input::press_and_click(const dom::element& control) {
  if (is_button(control)) control.send_event(event::button_press, control);
  return click(control);
}

bool input::default_method(const dom::element& e, method_params& params) {
  if (params.method_id != method::click || !in_document(e)) return false;
  document::event_scope scope(&doc_);
  if (is_button(e) || is_link(e)) return click(e);
  if (e.tag_name() == "li" && popup_holding(e)) return activate_menu_item(e);
  return false;
}

// ---- Capture and timers ----

void input::set_capture(const dom::element& e) {
  if (in_document(e)) capture_ = e;
}

void input::release_capture() { capture_ = dom::element(); }

dom::element input::capture() const { return in_document(capture_) ? capture_ : dom::element(); }

dom::element input::hovered() const { return in_document(hovered_) ? hovered_ : dom::element(); }

void input::set_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id) {
  if (!in_document(e) && milliseconds != 0) return;
  timers_.set(e, milliseconds, id);
  if (timers_changed_) timers_changed_();
}

void input::advance_clock(uint64_t now_ms) { timers_.advance(now_ms); }

// ---- Popups and menus ----

std::vector<input::shown_popup> input::popups() const {
  std::vector<shown_popup> shown;
  for (const popup_entry& entry : popups_)
    if (in_document(entry.shown.element)) shown.push_back(entry.shown);
  return shown;
}

std::optional<input::caret_position> input::caret() const {
  dom::element edited = inline_editor::editable(doc_.focused());
  if (!in_document(edited)) return std::nullopt;
  return caret_position{edited, editor_.caret(edited), editor_.anchor(edited)};
}

bool input::show_popup(const dom::element& popup, const dom::element& anchor,
                       uint32_t /*placement*/) {
  if (!in_document(popup) || !in_document(anchor)) return false;
  std::optional<rect> box = layout_.location(anchor);
  point at = box ? point{box->left, box->bottom} : pointer_;
  return show(popup, anchor, at);
}

bool input::show_popup_at(const dom::element& popup, point p, const dom::element& owner) {
  if (!in_document(popup)) return false;
  return show(popup, owner, p);
}

bool input::show(const dom::element& popup, const dom::element& owner, point at) {
  dom::element focus_before = doc_.focused();
  auto shown = std::find_if(popups_.begin(), popups_.end(),
                            [&](const popup_entry& e) { return e.shown.element == popup; });
  if (shown != popups_.end()) {
    focus_before = shown->focus_before;
    popups_.erase(shown);
  }
  popups_.push_back({{popup, owner, at}, focus_before});
  popup.set_state(state::popup);
  return true;
}

bool input::hide_popup(const dom::element& popup) {
  auto shown = std::find_if(popups_.begin(), popups_.end(),
                            [&](const popup_entry& e) { return e.shown.element == popup; });
  if (shown == popups_.end()) return false;
  popup_entry entry = std::move(*shown);
  popups_.erase(shown);
  document::event_scope scope(&doc_);
  popup.set_state(0, state::popup);
  if (is_within(doc_.focused(), popup)) {
    dom::element back = entry.focus_before;
    move_focus(in_document(back) && !popup_holding(back) ? back : dom::element(), false);
  }
  return true;
}

void input::hide_all_popups() {
  while (!popups_.empty()) hide_popup(dom::element(popups_.back().shown.element));
}

const input::popup_entry* input::popup_holding(const dom::element& e) const {
  if (!e) return nullptr;
  for (auto entry = popups_.rbegin(); entry != popups_.rend(); ++entry)
    if (is_within(e, entry->shown.element)) return &*entry;
  return nullptr;
}

dom::element input::menu_item_at(const dom::element& hit) const {
  const popup_entry* popup = popup_holding(hit);
  if (!popup) return {};
  for (dom::element e = hit; e && e != popup->shown.element; e = e.parent())
    if (e.tag_name() == "li") return e.is_enabled() ? e : dom::element();
  return {};
}

bool input::activate_menu_item(const dom::element& item) {
  const popup_entry* popup = popup_holding(item);
  if (!popup || !item.is_enabled()) return false;
  dom::element menu = popup->shown.element;
  dom::element owner = popup->shown.owner;
  std::string type = item.get_attribute_utf8("type").value_or("");
  if (type == "check") {
    if (item.get_state() & state::checked)
      item.set_state(0, state::checked);
    else
      item.set_state(state::checked);
    menu.send_event(event::button_state_changed, item);
    return true;
  }
  // The menu closes first, so that what the item starts (an edit that takes
  // the focus, another popup) is not undone by the closing.
  hide_popup(menu);
  if (in_document(owner)) owner.send_event(event::menu_item_click, item);
  return true;
}

void input::show_context_menu(const dom::element& hit, point p) {
  for (dom::element e = hit; e; e = e.parent()) {
    std::wstring named = e.get_style_attribute("context-menu");
    if (named.empty() || named == L"none") continue;
    if (dom::element menu = context_menu_of(e)) show_popup_at(menu, p, e);
    return;
  }
}

bool input::popup_key(uint32_t key_code) {
  dom::element menu = popups_.back().shown.element;
  if (key_code == vk::escape) return hide_popup(menu);
  if (key_code != vk::up && key_code != vk::down && key_code != vk::enter) return false;
  std::vector<dom::element> items;
  for (const dom::element& li : menu.select_all("li"))
    if (li.is_enabled() && li.is_visible()) items.push_back(li);
  if (items.empty()) return false;
  auto current = std::find_if(items.begin(), items.end(), [](const dom::element& li) {
    return (li.get_state() & state::current) != 0;
  });
  if (key_code == vk::enter) {
    if (current == items.end())
      current = std::find_if(items.begin(), items.end(), [](const dom::element& li) {
        return (li.get_state() & state::focus) != 0;
      });
    return current != items.end() && activate_menu_item(dom::element(*current));
  }
  size_t next;
  if (current == items.end())
    next = key_code == vk::down ? 0 : items.size() - 1;
  else if (key_code == vk::down)
    next = std::min<size_t>(current - items.begin() + 1, items.size() - 1);
  else
    next = current == items.begin() ? 0 : current - items.begin() - 1;
  if (current != items.end()) current->set_state(0, state::current);
  items[next].set_state(state::current);
  return true;
}

void input::loaded() {
  popups_.clear();
  hover_chain_.clear();
  hovered_ = capture_ = pressed_ = dom::element();
  editor_.reset();
  timers_.clear();
}

void input::forget_removed() {
  std::vector<dom::element> gone;
  for (const popup_entry& entry : popups_)
    if (!in_document(entry.shown.element)) gone.push_back(entry.shown.element);
  for (const dom::element& popup : gone) {
    std::erase_if(popups_, [&](const popup_entry& e) { return e.shown.element == popup; });
    if (element_node* n = popup.node()) n->state &= ~state::popup;
  }
  if (!in_document(capture_)) capture_ = dom::element();
}

// ---- Operations for behaviours ----

bool set_capture(const dom::element& e) {
  input* side = input::of(e);
  if (!side) return false;
  side->set_capture(e);
  return true;
}

bool release_capture(const dom::element& any) {
  input* side = input::of(any);
  if (!side) return false;
  side->release_capture();
  return true;
}

bool set_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id) {
  element_node* n = e.node();
  if (!n || !n->doc) return false;
  if (input* side = input::of(e))
    side->set_timer(e, milliseconds, id);
  else
    n->doc->keep_timer(e, milliseconds, id);
  return true;
}

bool show_popup(const dom::element& popup, const dom::element& anchor, uint32_t placement) {
  input* side = input::of(popup);
  return side && side->show_popup(popup, anchor, placement);
}

bool hide_popup(const dom::element& popup) {
  input* side = input::of(popup);
  return side && side->hide_popup(popup);
}

std::optional<rect> element_location(const dom::element& e) {
  input* side = input::of(e);
  return side ? side->location(e) : std::nullopt;
}

bool scroll_to_view(const dom::element& e, bool to_top) {
  input* side = input::of(e);
  return side && side->scroll_to_view(e, to_top);
}

bool select_text(const dom::element& e, size_t from, size_t to) {
  input* side = input::of(e);
  if (side) side->select_text(e, from, to);
  return side != nullptr;
}

}  // namespace htmlayout
