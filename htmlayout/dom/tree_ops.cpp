#include "htmlayout/dom/tree_ops.h"

#include <algorithm>
#include <exception>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/dom/style.h"

namespace htmlayout {

void tree_ops::insert(element_node* parent, size_t position, const std::vector<node*>& nodes) {
  for (node* n : nodes) {
    n->parent = parent;
    parent->children.insert(position++, n);
  }
  document* doc = parent->doc;
  if (!doc) return;
  bool sheets = parent->tag == names::style;
  for (node* n : nodes) sheets |= doc->connect(n);

  std::vector<std::pair<dom::element, uint32_t>> elements;
  elements.reserve(32);
  style_batch styles(doc->resolver_);
  for (node* n : nodes) {
    for_each_in_subtree(n, [&](node* d) {
      if (element_node* e = as_element(d)) {
        uint32_t old = e->style;
        e->style = styles.compute(*e);
        elements.emplace_back(dom::element(e), old);
      }
    });
  }
  for (node* n : nodes) doc->each_observer([&](document_observer& o) { o.inserted(*n); });
  if (sheets) doc->style_sheets_changed();
  doc->attach_new_elements(elements);
}

void tree_ops::remove(node* n, bool destroy) {
  element_node* parent = n->parent;
  element_node* e = as_element(n);
  document* doc = parent ? parent->doc : nullptr;
  bool sheets = false;
  if (doc) {
    doc->each_observer([&](document_observer& o) { o.removing(*n); });
    sheets = doc->disconnect(n) || parent->tag == names::style;
  }
  if (parent) {
    parent->children.erase(parent->children.index_of(n));
    n->parent = nullptr;
  }
  if (sheets) doc->style_sheets_changed();
  if (!e)
    free_node(n);
  else if (destroy || e->refs == 0)
    destroy_subtree(e);
}

void tree_ops::destroy_unreferenced(element_node* e) { destroy_subtree(e); }

void tree_ops::clear_children(element_node* e) {
  dom::element keep(e);
  std::exception_ptr failure;
  while (keep.is_valid() && !e->children.empty()) {
    try {
      remove(e->children[0], true);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void tree_ops::destroy_subtree(element_node* top) {
  // Keep the top alive while its handlers hear that they are detached; they
  // may take handles of their own or change the subtree.
  dom::element keep(top);
  std::vector<dom::element> with_handlers;
  for_each_in_subtree(top, [&](node* n) {
    element_node* e = as_element(n);
    if (e && e->handlers && !e->handlers->empty()) with_handlers.emplace_back(e);
  });
  // A handler that throws does not stop the destruction: the first error
  // is raised once everything is gone.
  std::exception_ptr failure;
  for (const dom::element& handle : with_handlers) {
    element_node* e = handle.node();
    if (!e || !e->handlers) continue;
    std::vector<handler_binding> bindings = std::move(*e->handlers);
    e->handlers.reset();
    for (const handler_binding& b : bindings) {
      initialization_params params{behavior_detach};
      try {
        b.proc(b.tag, handle, group::initialization, &params);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
  }
  // Whatever is below the top now goes, unless a handle still refers to it:
  // then it stays in memory, dead, until the last handle is dropped.
  std::vector<node*> pending{top};
  while (!pending.empty()) {
    node* n = pending.back();
    pending.pop_back();
    element_node* e = as_element(n);
    if (!e) {
      free_node(n);
      continue;
    }
    for (node* child : e->children) pending.push_back(child);
    e->children.clear();
    e->parent = nullptr;
    e->doc = nullptr;
    e->flags |= element_node::dead;
    e->handlers.reset();
    e->attributes.clear();
    if (e->refs == 0) free_node(e);
  }
  with_handlers.clear();
  keep = dom::element();
  if (failure) std::rethrow_exception(failure);
}

void tree_ops::set_attribute(element_node* e, atom name, std::string_view value) {
  document* doc = e->doc;
  auto found = std::find_if(e->attributes.begin(), e->attributes.end(),
                            [&](const attribute& a) { return a.name == name; });
  if (found != e->attributes.end() && found->value == value) return;
  bool indexed = doc && name == names::id;
  if (indexed && found != e->attributes.end()) doc->ids_.erase(e);
  if (found != e->attributes.end())
    found->value = compact_string(value);
  else
    e->attributes.push_back({name, compact_string(value)});
  if (!doc) return;
  if (indexed) doc->ids_.insert(e);
  doc->attribute_changed(e, name);
}

void tree_ops::remove_attribute(element_node* e, atom name) {
  auto found = std::find_if(e->attributes.begin(), e->attributes.end(),
                            [&](const attribute& a) { return a.name == name; });
  if (found == e->attributes.end()) return;
  document* doc = e->doc;
  if (doc && name == names::id) doc->ids_.erase(e);
  e->attributes.erase(found);
  if (doc) doc->attribute_changed(e, name);
}

void tree_ops::set_state(element_node* e, uint32_t to_set, uint32_t to_clear, bool update) {
  document* doc = e->doc;
  // With an input side, the focus moves through it, which tells the
  // elements losing and getting it; the other bits follow.
  if (doc && doc->interaction_ && doc->interaction_->routes_focus()) {
    bool gets = (to_set & state::focus) && doc->focused_ != e;
    bool loses = !(to_set & state::focus) && (to_clear & state::focus) && doc->focused_ == e;
    if (gets || loses) {
      dom::element keep(e);
      doc->interaction_->move_focus(gets ? keep : dom::element());
      to_set &= ~state::focus;
      to_clear &= ~state::focus;
      if (!keep.is_valid() || (!to_set && !to_clear)) {
        if (update && keep.is_valid() && e->doc) request_update(e, false);
        return;
      }
      doc = e->doc;
    }
  }
  uint32_t old = e->state;
  uint32_t now = (old | to_set) & ~to_clear;
  if (doc && (now & state::focus) && doc->focused_ != e) {
    // One element holds the focus: it leaves the one that had it.
    if (element_node* previous = doc->focused_) {
      doc->focused_ = nullptr;
      set_state(previous, 0, state::focus, true);
    }
    doc->focused_ = e;
    old = e->state;
    now = (old | to_set) & ~to_clear;
  }
  if (doc && !(now & state::focus) && doc->focused_ == e) doc->focused_ = nullptr;
  if (now != old) {
    e->state = now;
    if (doc) doc->state_changed(e, old);
  }
  if (update && doc) request_update(e, false);
}

// How many children ahead a pass over a long child list asks the memory for.
constexpr size_t kReadAhead = 16;

void tree_ops::set_children_state(element_node* parent, size_t from, uint32_t to_set,
                                  uint32_t to_clear, bool shown_only) {
  to_set &= ~state::focus;
  to_clear &= ~state::focus;
  std::vector<std::pair<element_node*, uint32_t>> changed;  // with the old state
  const size_t count = parent->children.size();
  if (from < count) changed.reserve(count - from);
  // Siblings mostly share one style and tag: their display is looked up once
  // per run of equals. A shown popup is displayed whatever its style says.
  uint32_t run_style = 0;
  atom run_tag = 0;
  bool run_hidden = false, run_known = false;
  auto hidden = [&](const element_node& e) {
    if (e.state & state::popup) return style_value(e, style_property::display) == "none";
    if (!run_known || e.style != run_style || e.tag != run_tag) {
      run_style = e.style;
      run_tag = e.tag;
      run_hidden = style_value(e, style_property::display) == "none";
      run_known = true;
    }
    return run_hidden;
  };
  for (size_t i = from; i < count; ++i) {
    // The rows lie apart in memory: reading ahead hides the wait for each.
    if (i + kReadAhead < count) __builtin_prefetch(parent->children[i + kReadAhead]);
    element_node* e = as_element(parent->children[i]);
    if (!e || (shown_only && hidden(*e))) continue;
    const uint32_t old = e->state;
    const uint32_t now = (old | to_set) & ~to_clear;
    if (now == old) continue;
    e->state = now;
    changed.emplace_back(e, old);
  }
  if (document* doc = parent->doc; doc && !changed.empty())
    doc->children_state_changed(parent, changed, to_set, to_clear);
}

void tree_ops::replace_with_text(element_node* e, std::string text) {
  document* doc = e->doc;
  bool sheets = e->tag == names::style && doc;
  // The old children go without removing() calls: text_changed() says the
  // whole content is new.
  std::vector<node*> old(e->children.begin(), e->children.end());
  e->children.clear();
  std::exception_ptr failure;
  for (node* n : old) {
    n->parent = nullptr;
    if (element_node* child = as_element(n)) {
      if (doc) sheets |= doc->disconnect(child);
      try {
        destroy_subtree(child);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    } else {
      free_node(n);
    }
  }
  if (!text.empty()) {
    auto* t = new text_node(std::move(text));
    t->parent = e;
    e->children.insert(0, t);
  }
  if (doc) {
    doc->each_observer([&](document_observer& o) { o.text_changed(*e); });
    if (sheets) doc->style_sheets_changed();
  }
  if (failure) std::rethrow_exception(failure);
}

void tree_ops::exchange_children(element_node* e, element_node* shelf) {
  document* doc = e->doc;
  // The focus does not go to the shelf with an element that holds it.
  for (element_node* p = doc->focused_; p; p = p->parent) {
    if (p != e) continue;
    set_state(doc->focused_, 0, state::focus, false);
    break;
  }
  e->children.swap(shelf->children);
  // A long list's rows lie apart in memory: write ahead of the loop.
  auto adopt = [](element_node* parent) {
    const size_t count = parent->children.size();
    for (size_t i = 0; i < count; ++i) {
      if (i + kReadAhead < count) __builtin_prefetch(parent->children[i + kReadAhead], 1);
      parent->children[i]->parent = parent;
    }
  };
  adopt(e);
  adopt(shelf);
  // The children that left are still there for the observers to forget
  // (text_changed says the whole content is new); those that came in were
  // never in the tree they observe.
  doc->each_observer([&](document_observer& o) { o.text_changed(*e); });
  request_update(e, false);
}

void tree_ops::reorder(element_node* parent, const std::vector<node*>& children) {
  parent->children.assign(children);
  if (document* doc = parent->doc)
    doc->each_observer([&](document_observer& o) { o.children_reordered(*parent); });
}

void tree_ops::request_update(element_node* e, bool render_now) {
  if (document* doc = e->doc)
    doc->each_observer([&](document_observer& o) { o.update_requested(*e, render_now); });
}

void tree_ops::attach_handler(element_node* e, const handler_binding& binding) {
  if (!e->handlers) e->handlers = std::make_unique<std::vector<handler_binding>>();
  for (const handler_binding& b : *e->handlers)
    if (b.proc == binding.proc && b.tag == binding.tag) return;
  e->handlers->push_back(binding);
  if (e->doc) e->doc->handlers_changed(e);
  dom::element handle(e);
  initialization_params params{behavior_attach};
  binding.proc(binding.tag, handle, group::initialization, &params);
}

void tree_ops::detach_handler(element_node* e, element_event_proc proc, void* tag) {
  if (!e->handlers) return;
  auto& list = *e->handlers;
  auto found = std::find_if(list.begin(), list.end(), [&](const handler_binding& b) {
    return b.proc == proc && b.tag == tag;
  });
  if (found == list.end()) return;
  list.erase(found);
  if (list.empty()) e->handlers.reset();
  if (e->doc) e->doc->handlers_changed(e);
  dom::element handle(e);
  initialization_params params{behavior_detach};
  proc(tag, handle, group::initialization, &params);
}

bool tree_ops::call_handlers(element_node* e, uint32_t group, void* params) {
  if (!e->handlers) return false;
  // Handlers may attach or detach others (or delete the element) while they
  // run: go through a copy and skip those no longer attached.
  std::vector<handler_binding> bindings = *e->handlers;
  dom::element handle(e);
  for (const handler_binding& b : bindings) {
    if (group != group::initialization && !(b.subscription & group)) continue;
    if (!handle.is_valid() || !e->handlers) return false;
    bool attached =
        std::any_of(e->handlers->begin(), e->handlers->end(),
                    [&](const handler_binding& h) { return h.proc == b.proc && h.tag == b.tag; });
    if (!attached) continue;
    if (b.proc(b.tag, handle, group, params)) return true;
  }
  return false;
}

bool tree_ops::send_event(element_node* e, uint32_t code, const dom::element& source,
                          uintptr_t reason) {
  document::event_scope scope(e->doc);
  behavior_event_params params;
  params.cmd = code;
  params.sent_to = dom::element(e);
  params.target = source.is_valid() ? source : params.sent_to;
  params.reason = reason;
  // The way up is fixed before the first handler runs.
  std::vector<dom::element> path;
  for (element_node* n = e; n; n = n->parent) path.emplace_back(n);
  for (const dom::element& step : path) {
    element_node* n = step.node();
    if (n && call_handlers(n, group::behavior_event, &params)) return true;
  }
  return false;
}

void tree_ops::post_event(element_node* e, uint32_t code, const dom::element& source,
                          uintptr_t reason) {
  if (document* doc = e->doc) doc->post({dom::element(e), code, source, reason});
}

}  // namespace htmlayout
