// The renderer's scrolling boxes: finding the element that holds a box's
// rows, laying out the window of rows its row_window asks for with spacers
// for the rest, measuring them, and scrolling.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "htmlayout/dom/style.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_internal.h"
#include "htmlayout/render/row_spacer.h"
#include "htmlayout/render/tree_edit.h"

namespace htmlayout::render {

using detail::displayed;
using detail::shared;

namespace {

bool is_white_space(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
  });
}

// Tags whose children are a list's rows even when there is only one.
bool is_list_tag(atom tag) {
  return tag == names::table || tag == names::tbody || tag == names::thead || tag == names::tfoot ||
         tag == names::ul || tag == names::ol || tag == names::menu || tag == names::dl ||
         tag == names::select;
}

bool is_one_of(std::string_view value, std::initializer_list<std::string_view> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// The top of the element's margin box in its parent's content box: where it
// starts in the flow of its container.
int flow_top(litehtml::element& el) {
  return el.get_position().y - el.padding_top() - el.border_top() - el.margin_top();
}

}  // namespace

// ---- Scrolling boxes and their rows ----

bool renderer::mirror::is_scroll_box(const element_node& e, const litehtml::element* mirror) const {
  const std::string_view overflow = style_value(e, style_property::overflow);
  if (overflow != "auto" && overflow != "scroll") return false;
  return dynamic_cast<const scrollable*>(mirror) != nullptr;
}

const element_node* renderer::mirror::find_long_list(const element_node& box) const {
  // A few levels down, not into other scrolling boxes nor into the rows of
  // a long list: the element with the most children beyond the threshold.
  const element_node* best = nullptr;
  std::size_t most = kWholeListRows;
  std::vector<std::pair<const element_node*, int>> pending{{&box, 0}};
  while (!pending.empty()) {
    const auto [at, depth] = pending.back();
    pending.pop_back();
    const std::size_t count = at->element_count();
    if (count > kWholeListRows) {
      if (count > most) {
        best = at;
        most = count;
      }
      continue;
    }
    if (depth == 3) continue;
    for (const node* child : at->children) {
      const element_node* e = as_element(child);
      if (!e) continue;
      const std::string_view overflow = style_value(*e, style_property::overflow);
      if (overflow != "auto" && overflow != "scroll") pending.emplace_back(e, depth + 1);
    }
  }
  return best;
}

const element_node* renderer::mirror::find_row_container(const element_node& box) const {
  if (const element_node* list = find_long_list(box)) return list;
  // Otherwise down through lone children (a wrapper, a table) to where
  // there are several, or to a list's element.
  const element_node* at = &box;
  for (int depth = 0; depth < 16; ++depth) {
    if (is_list_tag(at->tag)) return at;
    const element_node* only = nullptr;
    for (const node* child : at->children) {
      if (const element_node* e = as_element(child)) {
        if (only) return at;
        only = e;
      } else if (!is_white_space(static_cast<const text_node*>(child)->text.str())) {
        return at;
      }
    }
    if (!only) return at;
    const std::string_view overflow = style_value(*only, style_property::overflow);
    if (overflow == "auto" || overflow == "scroll") return at;
    at = only;
  }
  return at;
}

bool renderer::mirror::holds_rows(const scroll_list& list) const {
  for (const element_node* at = list.container; at != list.box; at = at->parent)
    if (!at->parent || at->doc != &doc_) return false;
  // A long list anywhere in the box is where the rows are.
  if (const element_node* long_list = find_long_list(*list.box)) return long_list == list.container;
  // Short lists: the element found once stays while it is still the box or
  // inside a chain of lone children below it, so that a list emptied down
  // to one row keeps its rows where they were instead of becoming that
  // row's content; it gives way to a lone child that is a list's element.
  if (list.container->element_count() == 1 && list.container->children.text_count() == 0 &&
      is_list_tag(list.container->element_child(0)->tag) &&
      find_row_container(*list.box) != list.container)
    return false;
  for (const element_node* at = list.container; at != list.box; at = at->parent) {
    for (const node* child : at->parent->children) {
      if (child == at) continue;
      if (child->is_element() || !is_white_space(static_cast<const text_node*>(child)->text.str()))
        return false;
    }
  }
  return true;
}

renderer::mirror::scroll_list* renderer::mirror::list_above_rows(const element_node* e) const {
  for (const element_node* at = e; at; at = at->parent) {
    if (at != e && list_of_container(at)) return nullptr;  // inside a row
    scroll_list* list = list_of_box(at);
    if (!list) continue;
    if (!list->container) return list;
    for (const element_node* c = list->container->parent; c; c = c->parent) {
      if (c == e) return list;
      if (c == list->box) break;
    }
    return nullptr;
  }
  return nullptr;
}

renderer::mirror::scroll_list* renderer::mirror::list_gaining_rows(const element_node& e) const {
  if (e.children.size() <= kWholeListRows) return nullptr;
  for (const element_node* at = e.parent; at; at = at->parent) {
    scroll_list* list = list_of_box(at);
    if (!list) continue;
    return list->stale || find_long_list(*list->box) == &e ? list : nullptr;
  }
  return nullptr;
}

renderer::mirror::scroll_list* renderer::mirror::list_of_box(const element_node* box) const {
  auto found = lists_.find(box);
  return found == lists_.end() ? nullptr : found->second.get();
}

renderer::mirror::scroll_list* renderer::mirror::list_of_container(
    const element_node* container) const {
  auto found = containers_.find(container);
  return found == containers_.end() ? nullptr : found->second;
}

litehtml::element* renderer::mirror::mirror_of(const node* n) const {
  auto found = mirror_of_.find(n);
  return found == mirror_of_.end() ? nullptr : found->second;
}

void renderer::mirror::start_list(scroll_list& list) {
  list.container = find_row_container(*list.box);
  containers_[list.container] = &list;
  list.rows.heights.assign(list.container->children.size());
  list.rows.windowed = wants_window(list);
  if (list.rows.windowed) {
    list.above = std::make_shared<row_spacer>(mirror_doc_);
    list.below = std::make_shared<row_spacer>(mirror_doc_);
  }
  const row_window::span wanted = list.rows.wanted(height_, row_margins_);
  list.rows.first = wanted.first;
  list.rows.last = wanted.last;
  if (list.rows.windowed) {
    list.above->set_height(list.rows.height_above());
    list.below->set_height(list.rows.height_below());
  }
}

bool renderer::mirror::wants_window(const scroll_list& list) const {
  const element_node* container = list.container;
  if (!container || container->children.size() <= kWholeListRows) return false;
  // Rows can stand in as heights only when they stack as blocks. A hidden
  // list may be shown as a popup.
  if (!is_one_of(style_value(*container, style_property::display),
                 {"block", "list-item", "inline-block", "table-cell", "none"}))
    return false;
  std::size_t looked = 0;
  for (const node* child : container->children) {
    if (++looked > 64) break;
    if (const element_node* row = as_element(child))
      return is_one_of(style_value(*row, style_property::display),
                       {"block", "list-item", "table", "none"});
  }
  return false;
}

void renderer::mirror::materialise(scroll_list& list, std::size_t from, std::size_t to) {
  if (from >= to) return;
  litehtml::elements_vector nodes;
  for (std::size_t i = from; i < to; ++i) build_row(*list.container->children[i], nodes);
  litehtml::element::ptr parent = shared(list.container_mirror);
  insert_mirror(parent, mirror_index(parent, *list.container, from), nodes);
}

void renderer::mirror::dematerialise(scroll_list& list, std::size_t from, std::size_t to) {
  if (from >= to) return;
  std::unordered_set<const node*> rows;
  for (std::size_t i = from; i < to; ++i) rows.insert(list.container->children[i]);
  remove_mirror_children(shared(list.container_mirror),
                         [&](const node* s) { return rows.count(s) != 0; });
}

void renderer::mirror::set_window(scroll_list& list, std::size_t first, std::size_t last) {
  if (first >= list.rows.last || last <= list.rows.first || list.rows.first == list.rows.last) {
    dematerialise(list, list.rows.first, list.rows.last);
    list.rows.first = list.rows.last = first;  // where the rows go in
    materialise(list, first, last);
  } else {
    dematerialise(list, list.rows.first, std::min(first, list.rows.last));
    dematerialise(list, std::max(last, list.rows.first), list.rows.last);
    if (first < list.rows.first) materialise(list, first, list.rows.first);
    if (last > list.rows.last) materialise(list, std::max(list.rows.last, first), last);
  }
  list.rows.first = first;
  list.rows.last = last;
}

void renderer::mirror::add_spacers(scroll_list& list) {
  list.above = std::make_shared<row_spacer>(mirror_doc_);
  list.below = std::make_shared<row_spacer>(mirror_doc_);
  litehtml::element::ptr parent = shared(list.container_mirror);
  insert_children(parent, mirror_index(parent, *list.container, 0), {list.above}, sheets_);
  insert_children(parent, mirror_index(parent, *list.container, list.rows.heights.size()), {list.below},
                  sheets_);
  layout_needed_ = true;
}

void renderer::mirror::remove_spacers(scroll_list& list) {
  litehtml::element::ptr parent = shared(list.container_mirror);
  if (list.above) parent->removeChild(list.above);
  if (list.below) parent->removeChild(list.below);
  list.above.reset();
  list.below.reset();
  layout_needed_ = true;
}

bool renderer::mirror::plan_window(scroll_list& list) {
  if (!list.container || !list.container_mirror) return false;
  bool changed = false;
  // A box litehtml does not scroll shows all its rows.
  const scrollable* box = as_scroll_box(shared(list.box_mirror));
  const bool windowed = wants_window(list) && box;
  if (windowed != list.rows.windowed) {
    if (windowed)
      add_spacers(list);
    else
      remove_spacers(list);
    list.rows.windowed = windowed;
    changed = true;
  }
  const row_window::span wanted = list.rows.wanted(height_, row_margins_);
  if (wanted.first != list.rows.first || wanted.last != list.rows.last) {
    set_window(list, wanted.first, wanted.last);
    changed = true;
  }
  if (list.rows.windowed) {
    const int above = list.rows.height_above();
    const int below = list.rows.height_below();
    if (above != list.above->height_wanted() || below != list.below->height_wanted()) {
      list.above->set_height(above);
      list.below->set_height(below);
      changed = true;
    }
  }
  return changed;
}

bool renderer::mirror::build_mirrored_unbuilt() {
  bool built = false;
  // Building inserts the content, which is mirrored at once (the element's
  // mirror is there) and may hold more elements to build.
  while (!unbuilt_.empty()) {
    std::vector<dom::element> now = std::move(unbuilt_);
    unbuilt_.clear();
    for (const dom::element& e : now)
      if (element_node* n = e.node(); n && n->doc == &doc_ && mirror_of(n))
        built = doc_.build_content(e) || built;
  }
  if (built) layout_needed_ = true;
  return built;
}

void renderer::mirror::measure(scroll_list& list) {
  const scrollable* box = as_scroll_box(shared(list.box_mirror));
  if (!box || !displayed(list.box_mirror)) {
    list.rows.viewport = 0;
    return;
  }
  list.rows.viewport = box->metrics().viewport_height;
  if (!list.rows.windowed || !list.container) return;
  // Each row reaches from the top of its margin box to that of the next
  // displayed row (or of the spacer below), so collapsed margins count once.
  std::size_t previous = SIZE_MAX;
  int previous_top = 0;
  for (std::size_t i = list.rows.first; i < list.rows.last; ++i) {
    litehtml::element* row = mirror_of(list.container->children[i]);
    if (!row || !row->is_visible()) {
      list.rows.heights.set_measured(i, 0);
      continue;
    }
    const int top = flow_top(*row);
    if (previous != SIZE_MAX) list.rows.heights.set_measured(previous, top - previous_top);
    previous = i;
    previous_top = top;
  }
  if (previous != SIZE_MAX)
    list.rows.heights.set_measured(previous, flow_top(*list.below) - previous_top);
  const litehtml::position spacer = locate(list.above);
  const litehtml::position padding = locate(shared(list.box_mirror), box_area::padding);
  list.rows.origin = spacer.y - padding.y + box->metrics().scroll_y;
}

void renderer::mirror::push_scroll(scroll_list& list) {
  scrollable* box = as_scroll_box(shared(list.box_mirror));
  if (!box || !displayed(list.box_mirror)) return;
  box->set_scroll_y(list.rows.scroll_y);
  list.rows.scroll_y = box->metrics().scroll_y;
}

bool renderer::mirror::unlaid_row(const node& n, scroll_list*& list, std::size_t& row) const {
  const node* child = &n;
  for (const element_node* parent = n.parent; parent; child = parent, parent = parent->parent) {
    if (scroll_list* found = list_of_container(parent)) {
      const std::size_t position = parent->children.index_of(child);
      if (position >= found->rows.first && position < found->rows.last) return false;
      list = found;
      row = position;
      return true;
    }
    if (mirror_of(parent)) return false;
  }
  return false;
}

litehtml::position renderer::mirror::row_box(const scroll_list& list, std::size_t row) const {
  if (!list.above) return {};
  litehtml::position box = locate(list.above);
  box.y += static_cast<int>(list.rows.heights.offset(row));
  box.height = list.rows.heights.height(row);
  return box;
}

}  // namespace htmlayout::render
