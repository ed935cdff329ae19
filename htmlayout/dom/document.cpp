#include "htmlayout/dom/document.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <sstream>
#include <utility>

#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/tree_ops.h"

namespace htmlayout {
namespace {

constexpr uint32_t tracked_states[] = {state::focus,     state::current, state::checked,
                                       state::anchor,    state::hover,   state::expanded,
                                       state::collapsed, state::active};

bool is_control(atom tag) {
  return tag == names::button || tag == names::input || tag == names::select ||
         tag == names::textarea;
}

bool is_style_sheet_element(const element_node& e) {
  if (e.tag == names::style) return true;
  if (e.tag != names::link) return false;
  const compact_string* rel = e.find_attribute(names::rel);
  if (!rel) return false;
  std::string lower = rel->str();
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("stylesheet") != std::string::npos && e.find_attribute(names::href);
}

std::string text_content(const element_node& e) {
  std::string out;
  for (node* child : e.children)
    if (const text_node* t = as_text(child)) out += t->text;
  return out;
}

bool read_local_file(const std::string& url, std::string& out) {
  std::string path = url;
  if (path.rfind("file://", 0) == 0) path = path.substr(7);
  if (path.empty() || path[0] != '/') return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream content;
  content << in.rdbuf();
  out = content.str();
  return true;
}

// An element that comes into the document with this attribute has its
// content built on first use (set_content_builder); the attribute becomes
// the element's flag.
void take_lazy_attribute(element_node& e) {
  static const atom lazy = intern("lazy");
  for (const attribute& a : e.attributes) {
    if (a.name != lazy) continue;
    e.attributes.erase(&a);
    if (e.children.empty()) e.flags |= element_node::unbuilt;
    return;
  }
}

bool draws(const element_node& e) {
  if (!e.handlers) return false;
  for (const handler_binding& b : *e.handlers)
    if (b.subscription & group::draw) return true;
  return false;
}

atom behavior_of(uint32_t style) {
  return style_at(style).values[static_cast<size_t>(style_property::behavior)];
}

}  // namespace

// ---- event_scope ----

document::event_scope::event_scope(document* doc)
    : doc_(doc), exceptions_(std::uncaught_exceptions()) {
  if (doc_) ++doc_->dispatch_depth_;
}

document::event_scope::~event_scope() {
  if (!doc_) return;
  if (--doc_->dispatch_depth_ == 0 && std::uncaught_exceptions() == exceptions_) {
    doc_->deliver_posted_events();
  }
}

// ---- document ----

document::document() { load_html(""); }

document::~document() {
  drop_shelves();
  if (element_node* r = root_.node()) {
    disconnect(r);
    tree_ops::remove(r, true);
  }
  root_ = dom::element();
}

bool document::build_content(const dom::element& e) {
  element_node* n = e.node();
  if (!n || !(n->flags & element_node::unbuilt) || n->doc != this) return false;
  n->flags &= ~element_node::unbuilt;
  if (builder_) builder_(e);
  return true;
}

void document::set_notification_callback(notification_callback callback) {
  callback_ = std::move(callback);
}

uint32_t document::notify(notification& record) {
  record.doc = this;
  return callback_ ? callback_(record) : 0;
}

bool document::load_html(std::string_view html, std::string_view base_url) {
  drop_shelves();
  if (element_node* old = root_.node()) {
    disconnect(old);
    dom::element keep = std::move(root_);
    tree_ops::remove(old, true);
  }
  posted_.clear();
  pending_timers_.clear();
  sheets_.clear();
  loaded_sheets_.clear();
  pending_requests_.clear();
  resolver_.clear();
  base_url_ = base_url;

  element_node* top = parse_document(html);
  bool parsed = top != nullptr;
  if (!parsed) top = parse_document("");
  root_ = dom::element(top);
  connect(top);

  event_scope scope(this);
  collect_style_sheets();
  rebuild_resolver();
  std::vector<std::pair<dom::element, uint32_t>> elements;
  for_each_in_subtree(top, [&](node* n) {
    if (element_node* e = as_element(n)) {
      e->style = resolver_.compute(*e);
      elements.emplace_back(dom::element(e), 0);
    }
  });
  each_observer([](document_observer& o) { o.loaded(); });
  attach_new_elements(elements);
  return parsed;
}

dom::element document::root() const { return root_; }

std::string document::combine_url(std::string_view relative) const {
  if (base_url_.empty() || relative.empty()) return std::string(relative);
  size_t colon = relative.find(':');
  size_t slash = relative.find('/');
  if (relative[0] == '/' || (colon != std::string_view::npos && colon < slash)) {
    return std::string(relative);
  }
  size_t last = base_url_.rfind('/');
  std::string base = last == std::string::npos ? std::string() : base_url_.substr(0, last + 1);
  return base + std::string(relative);
}

void document::collect_style_sheets() {
  std::vector<sheet_slot> previous = std::move(sheets_);
  sheets_.clear();
  if (!root_.node()) return;
  for_each_in_subtree(root_.node(), [&](node* n) {
    element_node* e = as_element(n);
    if (!e || !is_style_sheet_element(*e)) return;
    if (e->tag == names::style) {
      sheets_.push_back({e, {}, text_content(*e), true});
    } else {
      sheets_.push_back({e, combine_url(*e->find_attribute(names::href)), {}, false});
    }
  });
  collecting_sheets_ = true;
  for (sheet_slot& slot : sheets_) {
    if (slot.owner->tag == names::style) continue;
    auto loaded = loaded_sheets_.find(slot.url);
    if (loaded != loaded_sheets_.end()) {
      slot.text = loaded->second;
      slot.arrived = true;
      continue;
    }
    bool requested = std::any_of(previous.begin(), previous.end(), [&](const sheet_slot& p) {
      return p.owner == slot.owner && p.url == slot.url;
    });
    if (!requested) load_style_sheet(slot);
  }
  collecting_sheets_ = false;
}

void document::load_style_sheet(sheet_slot& slot) {
  load_data_notification request;
  request.code = notification_code::load_data;
  request.uri = slot.url;
  request.data_type = resource_type::style;
  request.principal = dom::element(slot.owner);
  uint32_t answer = notify(request);
  // data_ready during the call has filled every slot with this URL.
  if (slot.arrived || answer != load_answer::ok) return;
  std::string text;
  if (read_local_file(slot.url, text)) {
    loaded_sheets_[slot.url] = text;
    slot.text = std::move(text);
    slot.arrived = true;
  }
}

void document::rebuild_resolver() {
  resolver_.clear();
  for (const sheet_slot& slot : sheets_)
    if (slot.arrived) resolver_.add_style_sheet(slot.text);
}

std::vector<document::style_sheet> document::style_sheets() const {
  std::vector<style_sheet> out;
  for (const sheet_slot& slot : sheets_)
    if (slot.arrived) out.push_back({slot.url, slot.text});
  return out;
}

bool document::data_ready(std::string_view uri, std::string_view data) {
  bool taken = false;
  for (sheet_slot& slot : sheets_) {
    if (slot.owner->tag == names::link && slot.url == uri) {
      slot.text = std::string(data);
      slot.arrived = true;
      taken = true;
    }
  }
  if (taken) {
    loaded_sheets_[std::string(uri)] = std::string(data);
    if (!collecting_sheets_) {
      rebuild_resolver();
      restyle_all();
      each_observer([](document_observer& o) { o.style_sheets_changed(); });
    }
  }
  auto pending = std::find(pending_requests_.begin(), pending_requests_.end(), uri);
  if (pending != pending_requests_.end()) {
    pending_requests_.erase(pending);
    each_observer([&](document_observer& o) { o.data_arrived(uri, data); });
    taken = true;
  }
  return taken;
}

void document::request_data(std::string_view uri, uint32_t data_type,
                            const dom::element& principal) {
  std::string url = combine_url(uri);
  pending_requests_.push_back(url);
  load_data_notification request;
  request.code = notification_code::load_data;
  request.uri = url;
  request.data_type = data_type;
  request.principal = principal;
  uint32_t answer = notify(request);
  auto still_pending = std::find(pending_requests_.begin(), pending_requests_.end(), url);
  if (still_pending == pending_requests_.end() || answer == load_answer::delayed) return;
  pending_requests_.erase(still_pending);
  std::string data;
  if (answer == load_answer::ok && read_local_file(url, data))
    each_observer([&](document_observer& o) { o.data_arrived(url, data); });
}

void document::style_sheets_changed() {
  collect_style_sheets();
  rebuild_resolver();
  restyle_all();
  each_observer([](document_observer& o) { o.style_sheets_changed(); });
}

void document::restyle_all() {
  if (root_.node()) restyle(root_.node(), true);
}

void document::restyle(element_node* top, bool with_descendants) {
  std::vector<std::pair<dom::element, uint32_t>> changed;
  auto one = [&](element_node* e) {
    uint32_t old = e->style;
    uint32_t now = resolver_.compute(*e);
    if (now == old) return;
    e->style = now;
    changed.emplace_back(dom::element(e), old);
  };
  if (with_descendants) {
    for_each_in_subtree(top, [&](node* n) {
      if (element_node* e = as_element(n)) one(e);
    });
  } else {
    one(top);
  }
  for (auto& [handle, old] : changed)
    if (element_node* e = handle.node())
      each_observer([&](document_observer& o) { o.style_changed(*e); });
  for (auto& [handle, old] : changed)
    if (element_node* e = handle.node(); e && e->doc == this) bind_behavior(e, old);
}

void document::bind_behavior(element_node* e, uint32_t old_style) {
  atom before = behavior_of(old_style);
  atom now = behavior_of(e->style);
  if (before == now) return;
  dom::element handle(e);
  if (e->handlers) {
    std::vector<handler_binding> bound;
    for (const handler_binding& b : *e->handlers)
      if (b.from_style) bound.push_back(b);
    for (const handler_binding& b : bound)
      if (handle.is_valid()) tree_ops::detach_handler(e, b.proc, b.tag);
  }
  // The property may name several behaviours, separated by spaces; each is
  // asked for in turn.
  std::string_view names = name_of(now);
  while (!names.empty() && handle.is_valid() && e->doc == this) {
    size_t start = names.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    size_t end = names.find(' ', start);
    if (end == std::string_view::npos) end = names.size();
    attach_behavior_notification request;
    request.code = notification_code::attach_behavior;
    request.element = handle;
    request.behavior_name = std::string(names.substr(start, end - start));
    names.remove_prefix(end);
    notify(request);
    if (request.element_proc && handle.is_valid())
      tree_ops::attach_handler(
          e, {request.element_proc, request.element_tag, request.element_events, true});
  }
}

void document::attach_new_elements(const std::vector<std::pair<dom::element, uint32_t>>& elements) {
  for (const auto& [handle, old_style] : elements) {
    element_node* e = handle.node();
    if (!e || e->doc != this) continue;
    if (is_control(e->tag) && !(e->flags & element_node::control_notified)) {
      e->flags |= element_node::control_notified;
      // A control written "checked" (a radio button, a check box) starts in
      // the checked state.
      static const atom checked = intern("checked");
      if (e->find_attribute(checked)) tree_ops::set_state(e, state::checked, 0, false);
      create_control_notification request;
      request.code = notification_code::create_control;
      request.element = handle;
      notify(request);
      if (!handle.is_valid() || e->doc != this) continue;
    }
    bind_behavior(e, old_style);
  }
}

bool document::connect(node* top) {
  bool sheets = false;
  for_each_in_subtree(top, [&](node* n) {
    element_node* e = as_element(n);
    if (!e) return;
    e->doc = this;
    take_lazy_attribute(*e);
    if (e->find_attribute(names::id)) ids_.insert(e);
    if (e->state & tracked_state_mask)
      for (uint32_t bit : tracked_states)
        if (e->state & bit) by_state_[bit].insert(e);
    if (draws(*e)) drawing_.insert(e);
    if (is_style_sheet_element(*e)) sheets = true;
  });
  return sheets;
}

void document::handlers_changed(element_node* e) {
  if (e->doc != this) return;
  if (draws(*e))
    drawing_.insert(e);
  else
    drawing_.erase(e);
}

void document::attribute_changed(element_node* e, atom name) {
  each_observer([&](document_observer& o) { o.attribute_changed(*e, name); });
  if (e->doc != this) return;
  if (resolver_.attribute_affects_descendants(name))
    restyle(e, true);
  else if (resolver_.attribute_affects_element(name))
    restyle(e, false);
  if (e->doc == this && e->tag == names::link && (name == names::rel || name == names::href))
    style_sheets_changed();
}

void document::state_changed(element_node* e, uint32_t old_state) {
  uint32_t changed = old_state ^ e->state;
  for (uint32_t bit : tracked_states) {
    if (!(changed & bit)) continue;
    if (e->state & bit)
      by_state_[bit].insert(e);
    else
      by_state_[bit].erase(e);
  }
  each_observer([&](document_observer& o) { o.state_changed(*e, old_state); });
  if (e->doc != this) return;
  if (resolver_.state_affects_descendants(changed))
    restyle(e, true);
  else if (resolver_.state_affects_element(changed))
    restyle(e, false);
}

void document::children_state_changed(
    element_node* parent, const std::vector<std::pair<element_node*, uint32_t>>& changed,
    uint32_t to_set, uint32_t to_clear) {
  const auto now = [&](uint32_t old) { return (old | to_set) & ~to_clear; };
  uint32_t bits = 0;
  for (const auto& [e, old] : changed) bits |= old ^ now(old);
  for (uint32_t bit : tracked_states) {
    if (!(bits & bit)) continue;
    node_set& set = by_state_[bit];
    const bool on = now(0) & bit;  // every changed element has it now, or none
    if (on) set.reserve(set.size() + changed.size());
    for (const auto& [e, old] : changed) {
      if (!((old ^ now(old)) & bit)) continue;
      if (on)
        set.insert(e);
      else
        set.erase(e);
    }
  }
  each_observer([&](document_observer& o) { o.children_state_changed(*parent, bits); });
  if (!resolver_.state_affects_descendants(bits) && !resolver_.state_affects_element(bits)) return;
  std::vector<dom::element> held;
  held.reserve(changed.size());
  for (const auto& [e, old] : changed) held.emplace_back(e);
  for (size_t i = 0; i < held.size(); ++i) {
    element_node* e = held[i].node();
    if (!e || e->doc != this) continue;
    const uint32_t one = changed[i].second ^ e->state;
    if (resolver_.state_affects_descendants(one))
      restyle(e, true);
    else if (resolver_.state_affects_element(one))
      restyle(e, false);
  }
}

bool document::disconnect(node* top) {
  bool sheets = false;
  for_each_in_subtree(top, [&](node* n) {
    element_node* e = as_element(n);
    if (!e) return;
    if (e->find_attribute(names::id)) ids_.erase(e);
    if (e->state & tracked_state_mask)
      for (uint32_t bit : tracked_states)
        if (e->state & bit) by_state_[bit].erase(e);
    if (focused_ == e) focused_ = nullptr;
    drawing_.erase(e);
    if (is_style_sheet_element(*e)) sheets = true;
    e->doc = nullptr;
  });
  return sheets;
}

void document::add_observer(document_observer* observer) { observers_.push_back(observer); }

void document::remove_observer(document_observer* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void document::post(posted_event event) {
  posted_.push_back(std::move(event));
  if (dispatch_depth_ == 0 && !delivering_ && post_wakeup_) post_wakeup_();
}

void document::deliver_posted_events() {
  if (delivering_) return;
  delivering_ = true;
  struct reset {
    bool& flag;
    ~reset() { flag = false; }
  } guard{delivering_};
  while (!posted_.empty()) {
    posted_event event = std::move(posted_.front());
    posted_.pop_front();
    if (element_node* e = event.to.node())
      tree_ops::send_event(e, event.code, event.source, event.reason);
  }
}

void document::set_post_wakeup(std::function<void()> wakeup) { post_wakeup_ = std::move(wakeup); }

dom::element document::focused() const { return dom::element(focused_); }

void document::keep_timer(const dom::element& e, uint32_t milliseconds, uintptr_t id) {
  std::erase_if(pending_timers_,
                [&](const pending_timer& t) { return t.element == e && t.id == id; });
  if (milliseconds != 0) pending_timers_.push_back({e, milliseconds, id});
}

std::vector<document::pending_timer> document::take_pending_timers() {
  return std::exchange(pending_timers_, {});
}

std::vector<dom::element> document::elements_with_draw_handlers() const {
  std::vector<dom::element> out;
  out.reserve(drawing_.size());
  for (element_node* e : drawing_) {
    const element_node* top = e;
    while (top->parent) top = top->parent;
    if (top == root_.node()) out.emplace_back(e);  // not on a shelf
  }
  return out;
}

dom::element document::create_shelf() {
  dom::element shelf = dom::element::create("table");
  connect(shelf.node());
  shelves_.push_back(shelf);
  return shelf;
}

void document::drop_shelves() {
  for (const dom::element& shelf : shelves_) {
    if (element_node* s = shelf.node()) {
      disconnect(s);
      tree_ops::clear_children(s);
    }
  }
  shelves_.clear();
}

bool document::draw_element(const dom::element& e, draw_params& params) const {
  element_node* n = e.node();
  if (!n || n->doc != this) return false;
  return tree_ops::call_handlers(n, group::draw, &params);
}

}  // namespace htmlayout
