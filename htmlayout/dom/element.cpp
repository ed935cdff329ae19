#include "htmlayout/dom/element.h"

#include <algorithm>
#include <exception>

#include "fml/text.h"
#include "htmlayout/dom/css.h"
#include "htmlayout/dom/document.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/dom/html_parser.h"
#include "htmlayout/dom/html_writer.h"
#include "htmlayout/dom/selector.h"
#include "htmlayout/dom/style.h"
#include "htmlayout/dom/tree_ops.h"

namespace htmlayout {

// Finds the descendants of an element that match a selector, using the
// document's indexes where they apply. A friend of document.
struct selection {
  static void select(element_node* scope, const selector_list& list, bool first_only,
                     std::vector<element_node*>& out);
  // The first descendant of `scope` in a document with the id, from the
  // index alone; false when the index cannot answer (outside a document).
  static bool first_by_id(element_node* scope, std::string_view id, element_node*& found);
  // The smallest of the document's index sets of the indexed bits among
  // `bits`; null when none of them is indexed. `*nobody` tells that an
  // indexed bit is held by no element at all.
  static const node_set* smallest_state_set(const element_node& n,
                                                                     uint32_t bits, bool* nobody);

 private:
  static bool from_index(element_node* scope, const selector_list& list,
                         std::vector<element_node*>& out);
};

namespace {

// Beyond this many indexed candidates a walk of the subtree is cheaper than
// sorting them into document order.
constexpr size_t max_indexed_candidates = 2000;

std::string lower_ascii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool is_descendant(const element_node* e, const element_node* ancestor) {
  for (const element_node* p = e->parent; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

// Whether `a` comes before `b` in document order (both in one tree).
bool precedes(const node* a, const node* b) {
  std::vector<const node*> path_a, path_b;
  for (const node* n = a; n; n = n->parent) path_a.push_back(n);
  for (const node* n = b; n; n = n->parent) path_b.push_back(n);
  auto ia = path_a.rbegin(), ib = path_b.rbegin();
  while (ia != path_a.rend() && ib != path_b.rend() && *ia == *ib) {
    ++ia;
    ++ib;
  }
  if (ia == path_a.rend()) return ib != path_b.rend();  // a is an ancestor of b
  if (ib == path_b.rend()) return false;
  return (*ia)->slot < (*ib)->slot;
}

// Builds the content of `n` when it is not built yet (document.h).
element_node* built(element_node* n) {
  if (n && (n->flags & element_node::unbuilt) && n->doc) n->doc->build_content(dom::element(n));
  return n && n->is_dead() ? nullptr : n;
}

// Builds whatever is not built in the subtree of `top`, including what the
// builds bring, and answers the elements it built.
std::vector<dom::element> build_subtree(element_node* top) {
  std::vector<dom::element> made;
  if (!top->doc) return made;
  for (;;) {
    std::vector<dom::element> pending;
    for_each_in_subtree(top, [&](htmlayout::node* d) {
      if (d->is_element() && (d->flags & element_node::unbuilt)) pending.emplace_back(as_element(d));
    });
    if (pending.empty()) return made;
    for (const dom::element& e : pending)
      if (e.is_valid() && top->doc && top->doc->build_content(e)) made.push_back(e);
  }
}

// Takes the content built by build_subtree away again: those elements are
// unbuilt once more.
void drop_content(const std::vector<dom::element>& made) {
  for (auto e = made.rbegin(); e != made.rend(); ++e) {
    element_node* n = e->node();
    if (!n) continue;
    tree_ops::clear_children(n);
    n->flags |= element_node::unbuilt;
  }
}

// Child position (text included) of the element child `index`, or the end.
size_t child_position(const element_node* parent, size_t index) {
  const element_node* child = parent->element_child(index);
  return child ? parent->children.index_of(child) : parent->children.size();
}

void collect_text(const element_node* e, std::string& out) {
  for_each_in_subtree(const_cast<element_node*>(e), [&](node* n) {
    if (const text_node* t = as_text(n)) out += t->text;
  });
}

}  // namespace

void selection::select(element_node* scope, const selector_list& list, bool first_only,
                       std::vector<element_node*>& out) {
  if (from_index(scope, list, out)) {
    if (first_only && out.size() > 1) out.resize(1);
    return;
  }
  std::vector<std::pair<element_node*, size_t>> stack{{scope, 0}};
  while (!stack.empty()) {
    auto& [parent, next] = stack.back();
    if (next == parent->children.size()) {
      stack.pop_back();
      continue;
    }
    element_node* e = as_element(parent->children[next++]);
    if (!e) continue;
    if (matches(list, *e)) {
      out.push_back(e);
      if (first_only) return;
    }
    if (!e->children.empty()) stack.emplace_back(e, 0);
  }
}

bool selection::first_by_id(element_node* scope, std::string_view id, element_node*& found) {
  if (!scope->doc) return false;
  found = nullptr;
  // The index holds the elements kept on shelves too, outside the tree.
  scope->doc->ids_.for_each(id, [&](element_node* e) {
    if (e == scope || !is_descendant(e, scope)) return;
    if (!found || precedes(e, found)) found = e;
  });
  return true;
}

bool selection::from_index(element_node* scope, const selector_list& list,
                           std::vector<element_node*>& out) {
  document* doc = scope->doc;
  if (!doc) return false;
  std::vector<element_node*> candidates;
  for (const complex_selector& s : list.alternatives) {
    if (const std::string* id = s.subject_id()) {
      for (element_node* e : doc->ids_.find(*id)) candidates.push_back(e);
      continue;
    }
    // The smallest of the indexed sets of the states the subject needs; a
    // state nobody has yet has an empty set.
    uint32_t states = s.subject().states & document::tracked_state_mask;
    if (!states) return false;
    static const node_set none;
    const node_set* smallest = nullptr;
    for (uint32_t bit = 1; bit && bit <= states; bit <<= 1) {
      if (!(states & bit)) continue;
      auto found = doc->by_state_.find(bit);
      const auto* set = found == doc->by_state_.end() ? &none : &found->second;
      if (!smallest || set->size() < smallest->size()) smallest = set;
    }
    candidates.insert(candidates.end(), smallest->begin(), smallest->end());
    if (candidates.size() > max_indexed_candidates) return false;
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (element_node* e : candidates)
    if (is_descendant(e, scope) && matches(list, *e)) out.push_back(e);
  std::sort(out.begin(), out.end(),
            [](element_node* a, element_node* b) { return precedes(a, b); });
  return true;
}

namespace dom {

element::element(element_node* n) : node_(n) {
  if (node_) ++node_->refs;
}

element::element(const element& other) : element(other.node_) {}

element::element(element&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }

element& element::operator=(const element& other) {
  if (this != &other) *this = element(other);
  return *this;
}

element& element::operator=(element&& other) noexcept {
  if (this == &other) return *this;
  element_node* previous = node_;
  node_ = other.node_;
  other.node_ = nullptr;
  element dropped;
  dropped.node_ = previous;  // released by its destructor
  return *this;
}

element::~element() {
  element_node* n = node_;
  if (!n) return;
  node_ = nullptr;
  if (--n->refs != 0) return;
  if (n->is_dead())
    free_node(n);
  else if (!n->parent && !n->doc)
    tree_ops::destroy_unreferenced(n);  // outside any tree and no longer referred to
}

element element::create(std::string_view tag, std::wstring_view text) {
  auto* n = new element_node(intern(lower_ascii(tag)));
  element handle(n);
  if (!text.empty()) tree_ops::replace_with_text(n, fml::wchar2utf8(text));
  return handle;
}

// ---- Tree ----

element element::root() const {
  element_node* n = node();
  return n && n->doc ? n->doc->root() : element();
}

element element::parent() const {
  element_node* n = node();
  return element(n ? n->parent : nullptr);
}

size_t element::children_count() const {
  element_node* n = built(node());
  return n ? n->element_count() : 0;
}

element element::child(size_t index) const {
  element_node* n = built(node());
  return element(n ? n->element_child(index) : nullptr);
}

size_t element::index() const {
  element_node* n = node();
  return n ? n->element_index() : 0;
}

std::string element::tag_name() const {
  element_node* n = node();
  return n ? std::string(name_of(n->tag)) : std::string();
}

element element::select_first(std::string_view selector) const {
  element_node* n = built(node());
  if (!n) return element();
  if (std::optional<std::string_view> id = simple_id_selector(selector)) {
    element_node* found;
    if (selection::first_by_id(n, *id, found)) return element(found);
  }
  std::optional<selector_list> list = parse_selector(selector);
  if (!list) return element();
  std::vector<element_node*> found;
  selection::select(n, *list, true, found);
  return element(found.empty() ? nullptr : found.front());
}

std::vector<element> element::select_all(std::string_view selector) const {
  std::vector<element> result;
  element_node* n = built(node());
  if (!n) return result;
  std::optional<selector_list> list = parse_selector(selector);
  if (!list) return result;
  std::vector<element_node*> found;
  selection::select(n, *list, false, found);
  result.reserve(found.size());
  for (element_node* e : found) result.emplace_back(e);
  return result;
}

size_t element::select_all(std::string_view selector,
                           const std::function<bool(const element&)>& callback) const {
  size_t calls = 0;
  for (const element& e : select_all(selector)) {
    if (!e.is_valid()) continue;
    ++calls;
    if (callback(e)) break;
  }
  return calls;
}

element element::select_parent(std::string_view selector, unsigned depth) const {
  element_node* n = node();
  if (!n) return element();
  std::optional<selector_list> list = parse_selector(selector);
  if (!list) return element();
  unsigned tried = 0;
  for (element_node* e = n; e && (depth == 0 || tried < depth); e = e->parent, ++tried)
    if (matches(*list, *e)) return element(e);
  return element();
}

}  // namespace dom

const node_set* selection::smallest_state_set(const element_node& n,
                                                                       uint32_t bits,
                                                                       bool* nobody) {
  *nobody = false;
  const node_set* smallest = nullptr;
  if (!n.doc) return nullptr;
  const uint32_t indexed = bits & document::tracked_state_mask;
  for (uint32_t bit = 1; bit && bit <= indexed; bit <<= 1) {
    if (!(indexed & bit)) continue;
    auto set = n.doc->by_state_.find(bit);
    if (set == n.doc->by_state_.end() || set->second.empty()) {
      *nobody = true;
      return nullptr;
    }
    if (!smallest || set->second.size() < smallest->size()) smallest = &set->second;
  }
  return smallest;
}

namespace dom {

std::vector<element> element::children_with_state(uint32_t bits) const {
  std::vector<element> found;
  element_node* n = built(node());
  if (!n || !bits) return found;
  auto has_bits = [bits](const element_node* e) { return (e->state & bits) == bits; };
  bool nobody = false;
  const node_set* smallest = selection::smallest_state_set(*n, bits, &nobody);
  if (nobody) return found;
  if (smallest && smallest->size() < n->children.size()) {
    std::vector<element_node*> children;
    for (element_node* e : *smallest)
      if (e->parent == n && has_bits(e)) children.push_back(e);
    std::sort(children.begin(), children.end(),
              [](const element_node* a, const element_node* b) { return a->slot < b->slot; });
    for (element_node* e : children) found.emplace_back(e);
    return found;
  }
  for (htmlayout::node* child : n->children)
    if (element_node* e = as_element(child); e && has_bits(e)) found.emplace_back(e);
  return found;
}

size_t element::count_children_with_state(uint32_t bits, size_t up_to) const {
  element_node* n = built(node());
  if (!n || !bits || up_to == 0) return 0;
  auto has_bits = [bits](const element_node* e) { return (e->state & bits) == bits; };
  bool nobody = false;
  const node_set* smallest = selection::smallest_state_set(*n, bits, &nobody);
  if (nobody) return 0;
  size_t count = 0;
  if (smallest && smallest->size() < n->children.size()) {
    for (element_node* e : *smallest)
      if (e->parent == n && has_bits(e) && ++count == up_to) break;
    return count;
  }
  for (htmlayout::node* child : n->children)
    if (element_node* e = as_element(child); e && has_bits(e) && ++count == up_to) break;
  return count;
}

void element::visit(const std::function<bool(const element&)>& callback) const {
  element_node* n = built(node());
  if (!n) return;
  std::vector<element> all;
  for_each_in_subtree(n, [&](htmlayout::node* d) {
    if (d != n && d->is_element()) all.emplace_back(static_cast<element_node*>(d));
  });
  for (const element& e : all)
    if (e.is_valid() && callback(e)) return;
}

void element::insert(const element& child, size_t index) const {
  element_node* n = built(node());
  element_node* c = child.node();
  if (!n || !c || c == n || is_descendant(n, c)) return;
  if (!c->parent && c->doc) return;  // a document's root stays where it is
  if (c->parent) tree_ops::remove(c, false);
  tree_ops::insert(n, child_position(n, index), {c});
}

void element::append(const element& child) const { insert(child, SIZE_MAX); }

void element::delete_element() const {
  element_node* n = node();
  if (!n) return;
  if (n->parent)
    tree_ops::remove(n, true);
  else if (!n->doc)
    tree_ops::destroy_unreferenced(n);
}

void element::detach() const {
  element_node* n = node();
  if (n && n->parent) tree_ops::remove(n, false);
}

bool element::exchange_children(const element& shelf) const {
  element_node* n = built(node());
  element_node* s = shelf.node();
  if (!n || !s || !n->doc || s->doc != n->doc || s->parent || s == n->doc->root().node())
    return false;
  element_node* top = n;
  while (top->parent) top = top->parent;
  if (top != n->doc->root().node()) return false;
  tree_ops::exchange_children(n, s);
  return true;
}

void element::sort(comparator& order, size_t first, size_t last) const {
  element_node* n = built(node());
  if (!n) return;
  std::vector<htmlayout::node*> before(n->children.begin(), n->children.end());
  std::vector<size_t> positions;  // child positions of the element children
  for (size_t i = 0; i < before.size(); ++i)
    if (before[i]->is_element()) positions.push_back(i);
  last = std::min(last, positions.size());
  if (first >= last) return;
  std::vector<element> items;
  for (size_t k = first; k < last; ++k) items.emplace_back(as_element(before[positions[k]]));
  std::stable_sort(items.begin(), items.end(),
                   [&](const element& a, const element& b) { return order.compare(a, b) < 0; });
  // A comparator that changed the children leaves them as they are now.
  if (!is_valid() ||
      !std::equal(before.begin(), before.end(), n->children.begin(), n->children.end()))
    return;
  std::vector<htmlayout::node*> after = before;
  for (size_t k = first; k < last; ++k) after[positions[k]] = items[k - first].node_;
  tree_ops::reorder(n, after);
}

// ---- Content ----

std::optional<std::wstring> element::get_attribute(std::string_view name) const {
  std::optional<std::string> value = get_attribute_utf8(name);
  if (!value) return std::nullopt;
  return fml::utf82wchar(*value);
}

std::optional<std::string> element::get_attribute_utf8(std::string_view name) const {
  element_node* n = node();
  if (!n) return std::nullopt;
  atom a = find_atom(lower_ascii(name));
  const compact_string* value = a ? n->find_attribute(a) : nullptr;
  if (!value) return std::nullopt;
  return value->str();
}

bool element::has_attribute(std::string_view name) const {
  return get_attribute_utf8(name).has_value();
}

void element::set_attribute(std::string_view name, std::wstring_view value) const {
  set_attribute_utf8(name, fml::wchar2utf8(value));
}

void element::set_attribute_utf8(std::string_view name, std::string_view value) const {
  element_node* n = node();
  if (!n || name.empty()) return;
  tree_ops::set_attribute(n, intern(lower_ascii(name)), value);
}

void element::remove_attribute(std::string_view name) const {
  element_node* n = node();
  if (!n) return;
  if (atom a = find_atom(lower_ascii(name))) tree_ops::remove_attribute(n, a);
}

size_t element::attribute_count() const {
  element_node* n = node();
  return n ? n->attributes.size() : 0;
}

std::string element::attribute_name(size_t index) const {
  element_node* n = node();
  if (!n || index >= n->attributes.size()) return {};
  return std::string(name_of(n->attributes[index].name));
}

std::wstring element::attribute_value(size_t index) const {
  element_node* n = node();
  if (!n || index >= n->attributes.size()) return {};
  return fml::utf82wchar(n->attributes[index].value);
}

std::wstring element::get_style_attribute(std::string_view name) const {
  element_node* n = node();
  if (!n) return {};
  std::string property = lower_ascii(name);
  style_property computed;
  if (find_style_property(property, computed)) return fml::utf82wchar(style_value(*n, computed));
  const compact_string* inline_style = n->find_attribute(names::style);
  if (!inline_style) return {};
  std::wstring value;
  for (const declaration& d : parse_declarations(*inline_style))
    if (d.name == property) value = fml::utf82wchar(d.value);
  return value;
}

void element::set_style_attribute(std::string_view name, std::wstring_view value) const {
  element_node* n = node();
  if (!n || name.empty()) return;
  std::string property = lower_ascii(name);
  std::vector<declaration> declarations;
  if (const compact_string* inline_style = n->find_attribute(names::style))
    declarations = parse_declarations(*inline_style);
  std::erase_if(declarations, [&](const declaration& d) { return d.name == property; });
  if (!value.empty()) declarations.push_back({property, fml::wchar2utf8(value), false});
  if (declarations.empty())
    tree_ops::remove_attribute(n, names::style);
  else
    tree_ops::set_attribute(n, names::style, format_declarations(declarations));
}

std::wstring element::text() const {
  element_node* n = node();
  if (!n) return {};
  const std::vector<element> made = build_subtree(n);
  std::string out;
  if (is_valid()) collect_text(n, out);
  drop_content(made);
  return fml::utf82wchar(out);
}

void element::set_text(std::wstring_view text) const {
  element_node* n = node();
  if (!n) return;
  n->flags &= ~element_node::unbuilt;
  tree_ops::replace_with_text(n, fml::wchar2utf8(text));
}

// Unbuilt elements are built for the writing and dropped again as soon as
// they are written.
std::string element::html(bool outer) const {
  element_node* n = node();
  if (!n) return {};
  const bool was_unbuilt = n->flags & element_node::unbuilt;
  n = built(n);
  std::string out;
  if (!n) return out;
  const bool built_here = was_unbuilt && !(n->flags & element_node::unbuilt);
  const unbuilt_content hooks{
      [](const element_node& e) {
        return e.doc && e.doc->build_content(element(const_cast<element_node*>(&e)));
      },
      [](const element_node& e) { drop_content({element(const_cast<element_node*>(&e))}); }};
  if (outer)
    write_html(*n, out, &hooks);
  else
    write_inner_html(*n, out, &hooks);
  if (built_here) drop_content({*this});
  return out;
}

void element::set_html(std::string_view html, int where) const {
  element_node* n = node();
  if (!n) return;
  bool inside = where == position::replace_content || where == position::insert_at_start ||
                where == position::append_after_last;
  if (!inside && where != position::replace_element && where != position::insert_before &&
      where != position::insert_after)
    return;
  if (where == position::replace_content)
    n->flags &= ~element_node::unbuilt;
  else if (inside)
    n = built(n);
  if (!n) return;
  element_node* context = inside ? n : n->parent;
  if (!context) return;
  std::optional<std::vector<htmlayout::node*>> parsed = parse_fragment(html, context->tag);
  if (!parsed) return;  // refused: nests too deep
  element keep(*this);
  switch (where) {
    case position::replace_content: {
      std::exception_ptr failure;
      try {
        tree_ops::clear_children(n);
      } catch (...) {
        failure = std::current_exception();
      }
      if (is_valid())
        tree_ops::insert(n, 0, *parsed);
      else
        for (htmlayout::node* p : *parsed) free_tree(p);
      if (failure) std::rethrow_exception(failure);
      break;
    }
    case position::insert_at_start:
      tree_ops::insert(n, 0, *parsed);
      break;
    case position::append_after_last:
      tree_ops::insert(n, n->children.size(), *parsed);
      break;
    case position::insert_before:
      tree_ops::insert(context, context->children.index_of(n), *parsed);
      break;
    case position::insert_after:
    case position::replace_element:
      tree_ops::insert(context, context->children.index_of(n) + 1, *parsed);
      if (where == position::replace_element && is_valid() && n->parent) tree_ops::remove(n, true);
      break;
  }
}

// ---- State ----

uint32_t element::get_state() const {
  element_node* n = node();
  return n ? n->state : 0;
}

void element::set_state(uint32_t to_set, uint32_t to_clear, bool update) const {
  if (element_node* n = node()) tree_ops::set_state(n, to_set, to_clear, update);
}

void element::set_children_state(size_t from, uint32_t to_set, uint32_t to_clear,
                                 bool shown_only) const {
  element_node* n = built(node());
  if (!n) return;
  // `from` counts element children, as child(i) does.
  element_node* first = n->element_child(from);
  if (!first) return;
  const size_t start = n->children.index_of(first);
  tree_ops::set_children_state(n, start, to_set, to_clear, shown_only);
}

bool element::is_enabled() const {
  element_node* n = node();
  if (!n) return false;
  for (element_node* e = n; e; e = e->parent)
    if ((e->state & state::disabled) || e->find_attribute(names::disabled)) return false;
  return true;
}

bool element::is_visible() const {
  element_node* n = node();
  if (!n || !n->doc) return false;
  for (element_node* e = n; e; e = e->parent)
    if (style_value(*e, style_property::display) == "none") return false;
  return true;
}

void element::update(bool render_now) const {
  if (element_node* n = node()) tree_ops::request_update(n, render_now);
}

// ---- Events ----

void element::attach_event_handler(element_event_proc proc, void* tag,
                                   uint32_t subscription) const {
  element_node* n = node();
  if (n && proc) tree_ops::attach_handler(n, {proc, tag, subscription, false});
}

void element::detach_event_handler(element_event_proc proc, void* tag) const {
  if (element_node* n = node()) tree_ops::detach_handler(n, proc, tag);
}

bool element::send_event(uint32_t code, const element& source, uintptr_t reason) const {
  element_node* n = node();
  return n && tree_ops::send_event(n, code, source, reason);
}

void element::post_event(uint32_t code, const element& source, uintptr_t reason) const {
  if (element_node* n = node()) tree_ops::post_event(n, code, source, reason);
}

bool element::call_behavior_method(method_params& params) const {
  element_node* n = node();
  if (!n) return false;
  document::event_scope scope(n->doc);
  if (tree_ops::call_handlers(n, group::method_call, &params)) return true;
  // The engine's own handling: the input side clicks buttons, links and
  // menu items.
  interaction* side = is_valid() && n->doc ? n->doc->interaction_side() : nullptr;
  return side && side->default_method(*this, params);
}

}  // namespace dom
}  // namespace htmlayout
