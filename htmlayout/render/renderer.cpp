#include "htmlayout/render/renderer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "htmlayout/dom/events.h"
#include "htmlayout/render/default_style.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/row_spacer.h"
#include "htmlayout/render/tree_edit.h"
#include "htmlayout/dom/style.h"

namespace htmlayout::render {

namespace {

struct state_name {
  uint32_t bit;
  const char* name;
};
constexpr state_name kStateNames[] = {
    {state::link, "link"},         {state::hover, "hover"},         {state::active, "active"},
    {state::focus, "focus"},       {state::visited, "visited"},     {state::current, "current"},
    {state::checked, "checked"},   {state::disabled, "disabled"},   {state::readonly, "readonly"},
    {state::expanded, "expanded"}, {state::collapsed, "collapsed"}, {state::anchor, "anchor"},
};

// Attributes litehtml turns into style by itself, whatever the style sheets.
constexpr const char* kPresentationalAttributes[] = {
    "align",   "valign", "bgcolor", "background", "border", "cellspacing", "cellpadding",
    "width",   "height", "color",   "face",       "size",   "src",         "colspan",
    "rowspan", "nowrap", "clear",   "href",       "class",  "id",          "style"};

bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

// True when `text` holds `prefix` + `name` not followed by more of a name.
bool mentions(std::string_view text, std::string_view prefix, std::string_view name) {
  const std::string needle = std::string(prefix) + std::string(name);
  for (std::size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + 1)) {
    const std::size_t end = at + needle.size();
    if (end >= text.size() || !is_name_char(text[end])) return true;
  }
  return false;
}

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

// True when the element and all its ancestors are displayed.
bool displayed(const litehtml::element* el) {
  for (litehtml::element::ptr at = el ? const_cast<litehtml::element*>(el)->shared_from_this()
                                      : nullptr;
       at; at = at->parent()) {
    if (!at->is_visible()) return false;
  }
  return el != nullptr;
}

litehtml::element::ptr shared(litehtml::element* el) {
  return el ? el->shared_from_this() : nullptr;
}

std::size_t depth_of(const element_node* e) {
  std::size_t depth = 0;
  for (const element_node* at = e; at; at = at->parent) ++depth;
  return depth;
}

}  // namespace

renderer::renderer(document& doc, viewport_container& container)
    : doc_(doc), container_(container) {
  container_.set_viewport(width_, height_);
  doc_.add_observer(this);
}

renderer::~renderer() {
  doc_.remove_observer(this);
  drop_all();
}

void renderer::set_viewport(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width != width_) width_changed_ = true;
  width_ = width;
  height_ = height;
  container_.set_viewport(width, height);
  dirty_rects_.push_back({0, 0, width_, height_});
  mark();
}

// ---- Building ----

void renderer::drop_all() {
  lists_.clear();
  containers_.clear();
  mirror_of_.clear();
  source_.clear();
  restyles_.clear();
  touched_.clear();
  rebuilds_.clear();
  painted_.clear();
  mirror_.reset();
}

void renderer::read_style_sheets() {
  sheets_.master = &default_context().master_css();
  sheets_.author = litehtml::css();
  std::string all = default_style_sheet();
  for (const document::style_sheet& sheet : doc_.style_sheets()) {
    sheets_.author.parse_stylesheet(sheet.text.c_str(), sheet.url.c_str(), mirror_, nullptr);
    all += sheet.text;
  }
  sheets_.author.sort_selectors();
  styled_states_ = 0;
  for (const state_name& s : kStateNames)
    if (mentions(all, ":", s.name)) styled_states_ |= s.bit;
  styled_attributes_.clear();
  for (const char* name : kPresentationalAttributes) styled_attributes_.insert(intern(name));
  // Attribute selectors: "[name", "[name=", "[ name ]" ...
  for (std::size_t at = all.find('['); at != std::string::npos; at = all.find('[', at + 1)) {
    std::size_t begin = at + 1;
    while (begin < all.size() && all[begin] == ' ') ++begin;
    std::size_t end = begin;
    while (end < all.size() && is_name_char(all[end])) ++end;
    if (end > begin) {
      std::string name = all.substr(begin, end - begin);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      styled_attributes_.insert(intern(name));
    }
  }
}

void renderer::build_all() {
  std::vector<std::pair<dom::element, int>> scrolls;
  for (const auto& [box, list] : lists_)
    scrolls.emplace_back(dom::element(const_cast<element_node*>(list->box)), list->scroll_y);
  drop_all();
  for (auto& kept : scrolls) kept_scroll_.push_back(std::move(kept));
  build_pending_ = false;
  element_node* root = doc_.root().node();
  if (!root) return;
  mirror_ = litehtml::document::createFromString("<html></html>", &container_, &default_context());
  litehtml::element::ptr top = mirror_->root();
  litehtml::html_tag* top_tag = detail::as_tag(top);
  for (const auto& child : top_tag->children()) child->parent(nullptr);
  top_tag->children().clear();
  read_style_sheets();
  mirror_->media_changed();
  for (const attribute& a : root->attributes)
    top->set_attr(std::string(name_of(a.name)).c_str(), a.value.str().c_str());
  for (const state_name& s : kStateNames)
    if (root->state & s.bit) top->set_pseudo_class(s.name, true);
  mirror_of_[root] = top.get();
  source_[top.get()] = root;
  build_children(*root, top);
  restyle(top, sheets_);
  kept_scroll_.clear();
  painted_.clear();
  popups_placed_ = false;
  dirty_rects_.push_back({0, 0, width_, height_});
  layout_needed_ = true;
}

litehtml::element::ptr renderer::build_element(const element_node& e) {
  litehtml::string_map attributes;
  for (const attribute& a : e.attributes) attributes[std::string(name_of(a.name))] = a.value.str();
  const std::string tag(name_of(e.tag));
  litehtml::element::ptr el = mirror_->create_element(tag.c_str(), attributes);
  mirror_of_[&e] = el.get();
  source_[el.get()] = &e;
  for (const state_name& s : kStateNames)
    if (e.state & s.bit) el->set_pseudo_class(s.name, true);
  if (is_scroll_box(e, el.get())) {
    auto list = std::make_unique<scroll_list>();
    list->box = &e;
    list->box_mirror = el.get();
    for (auto kept = kept_scroll_.begin(); kept != kept_scroll_.end(); ++kept) {
      if (kept->first.node() == &e) {
        list->scroll_y = kept->second;
        kept_scroll_.erase(kept);
        break;
      }
    }
    scroll_list* made = list.get();
    lists_[&e] = std::move(list);
    start_list(*made);
  }
  if (scroll_list* list = list_of_container(&e)) list->container_mirror = el.get();
  build_children(e, el);
  return el;
}

void renderer::build_node(const node& n, litehtml::elements_vector& out) {
  if (const element_node* e = as_element(&n)) {
    out.push_back(build_element(*e));
    return;
  }
  // The text of a style element is the style sheet, which the renderer
  // reads from the document; litehtml would collect it once more on every
  // restyle.
  if (n.parent && n.parent->tag == names::style) return;
  const text_node& t = static_cast<const text_node&>(n);
  for (const litehtml::element::ptr& word : make_text_nodes(mirror_, t.text.str())) {
    source_[word.get()] = &n;
    out.push_back(word);
  }
}

void renderer::build_children(const element_node& e, const litehtml::element::ptr& mirror) {
  // Style and script elements keep their text to themselves in litehtml.
  if (!detail::as_tag(mirror)) return;
  litehtml::elements_vector nodes;
  scroll_list* list = list_of_container(&e);
  if (list) {
    if (list->windowed) nodes.push_back(list->above);
    for (std::size_t i = list->first; i < list->last; ++i) build_node(*e.children[i], nodes);
    if (list->windowed) nodes.push_back(list->below);
  } else {
    for (const node* child : e.children) build_node(*child, nodes);
  }
  // Straight into the children: litehtml's appendChild() of a table takes
  // row groups only, and the document's tables hold their rows directly.
  litehtml::elements_vector& children = detail::as_tag(mirror)->children();
  for (const auto& node : nodes) {
    node->parent(mirror);
    children.push_back(node);
  }
}

void renderer::unregister_subtree(const litehtml::element::ptr& el) {
  auto found = source_.find(el.get());
  if (found != source_.end()) {
    const node* src = found->second;
    source_.erase(found);
    auto mirrored = mirror_of_.find(src);
    if (mirrored != mirror_of_.end() && mirrored->second == el.get()) mirror_of_.erase(mirrored);
    auto as_box = lists_.find(src);
    if (as_box != lists_.end() && as_box->second->box_mirror == el.get()) {
      scroll_list& list = *as_box->second;
      auto as_container = containers_.find(list.container);
      if (as_container != containers_.end() && as_container->second == &list)
        containers_.erase(as_container);
      lists_.erase(as_box);
    }
    auto as_container = containers_.find(src);
    if (as_container != containers_.end() && as_container->second->container_mirror == el.get()) {
      // The box stays; it finds its rows again at the next update.
      as_container->second->container = nullptr;
      as_container->second->container_mirror = nullptr;
      containers_.erase(as_container);
    }
  }
  if (litehtml::html_tag* tag = detail::as_tag(el)) {
    for (const auto& child : tag->children()) unregister_subtree(child);
  }
}

void renderer::remove_mirror_children(const litehtml::element::ptr& parent,
                                      const std::function<bool(const node*)>& which) {
  litehtml::html_tag* tag = detail::as_tag(parent);
  if (!tag) return;
  litehtml::elements_vector kept;
  bool table_parts = false;
  for (const auto& child : tag->children()) {
    auto found = source_.find(child.get());
    if (found != source_.end() && which(found->second)) {
      table_parts = table_parts || is_table_part(child->get_display());
      unregister_subtree(child);
      child->parent(nullptr);
    } else {
      kept.push_back(child);
    }
  }
  if (kept.size() == tag->children().size()) return;
  tag->children().swap(kept);
  if (table_parts) rebuild_enclosing_table(parent);
  detail::release_table_parts(*mirror_);
  layout_needed_ = true;
}

std::size_t renderer::mirror_index(const litehtml::element::ptr& parent,
                                   const element_node& engine_parent, std::size_t position) const {
  const litehtml::elements_vector& children = detail::as_tag(parent)->children();
  int spacers = 0;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const litehtml::element* child = children[i].get();
    auto found = source_.find(child);
    if (found == source_.end()) {
      if (as_spacer(child)) {
        if (spacers++ == 0) continue;  // the spacer above the rows
        return i;
      }
      if (!std::strcmp(child->get_tagName(), "::after")) return i;
      continue;
    }
    if (engine_parent.children.index_of(found->second) >= position) return i;
  }
  return children.size();
}

void renderer::insert_mirror(const litehtml::element::ptr& parent, std::size_t index,
                             const litehtml::elements_vector& nodes) {
  if (nodes.empty()) return;
  insert_children(parent, index, nodes, sheets_);
  for (const auto& node : nodes) touch(node);
  layout_needed_ = true;
}

void renderer::rebuild_subtree(const element_node& e) {
  litehtml::element* old = mirror_of(&e);
  if (!old) return;
  if (!e.parent || !old->parent()) {
    build_pending_ = true;
    return;
  }
  if (scroll_list* list = list_of_box(&e))
    kept_scroll_.emplace_back(dom::element(const_cast<element_node*>(&e)), list->scroll_y);
  litehtml::element::ptr parent = old->parent();
  const litehtml::elements_vector& siblings = detail::as_tag(parent)->children();
  const std::size_t index = static_cast<std::size_t>(
      std::find_if(siblings.begin(), siblings.end(),
                   [&](const litehtml::element::ptr& s) { return s.get() == old; }) -
      siblings.begin());
  remove_mirror_children(parent, [&](const node* s) { return s == &e; });
  insert_mirror(parent, index, {build_element(e)});
}

// ---- Scrolling boxes and their rows ----

bool renderer::is_scroll_box(const element_node& e, const litehtml::element* mirror) const {
  const std::string_view overflow = style_value(e, style_property::overflow);
  if (overflow != "auto" && overflow != "scroll") return false;
  return dynamic_cast<const scrollable*>(mirror) != nullptr;
}

const element_node* renderer::find_long_list(const element_node& box) const {
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

const element_node* renderer::find_row_container(const element_node& box) const {
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

bool renderer::holds_rows(const scroll_list& list) const {
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

renderer::scroll_list* renderer::list_above_rows(const element_node* e) const {
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

renderer::scroll_list* renderer::list_of_box(const element_node* box) const {
  auto found = lists_.find(box);
  return found == lists_.end() ? nullptr : found->second.get();
}

renderer::scroll_list* renderer::list_of_container(const element_node* container) const {
  auto found = containers_.find(container);
  return found == containers_.end() ? nullptr : found->second;
}

litehtml::element* renderer::mirror_of(const node* n) const {
  auto found = mirror_of_.find(n);
  return found == mirror_of_.end() ? nullptr : found->second;
}

void renderer::start_list(scroll_list& list) {
  list.container = find_row_container(*list.box);
  containers_[list.container] = &list;
  list.heights.assign(list.container->children.size());
  list.windowed = wants_window(list);
  if (list.windowed) {
    list.above = std::make_shared<row_spacer>(mirror_);
    list.below = std::make_shared<row_spacer>(mirror_);
  }
  window_for(list, list.first, list.last);
  if (list.windowed) {
    list.above->set_height(static_cast<int>(list.heights.offset(list.first)));
    list.below->set_height(static_cast<int>(list.heights.total() - list.heights.offset(list.last)));
  }
}

bool renderer::wants_window(const scroll_list& list) const {
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

void renderer::window_for(const scroll_list& list, std::size_t& first, std::size_t& last) const {
  const std::size_t count = list.heights.size();
  if (!list.windowed) {
    first = 0;
    last = count;
    return;
  }
  if (count == 0) {
    first = last = 0;
    return;
  }
  const int viewport = list.viewport >= 0 ? list.viewport : height_;
  const int64_t top = int64_t{list.scroll_y} - list.origin;
  const int64_t extra = std::max(viewport / 2, 64);
  first = list.heights.row_at(top - extra);
  last = std::min(count, list.heights.row_at(top + viewport + extra) + 1);
  if (last - first > kMaxLaidOutRows) {
    const std::size_t middle = list.heights.row_at(top);
    first = middle > kMaxLaidOutRows / 4 ? middle - kMaxLaidOutRows / 4 : 0;
    first = std::min(first, last - kMaxLaidOutRows);
    last = first + kMaxLaidOutRows;
  }
}

void renderer::materialise(scroll_list& list, std::size_t from, std::size_t to) {
  if (from >= to) return;
  litehtml::elements_vector nodes;
  for (std::size_t i = from; i < to; ++i) build_node(*list.container->children[i], nodes);
  litehtml::element::ptr parent = shared(list.container_mirror);
  insert_mirror(parent, mirror_index(parent, *list.container, from), nodes);
}

void renderer::dematerialise(scroll_list& list, std::size_t from, std::size_t to) {
  if (from >= to) return;
  std::unordered_set<const node*> rows;
  for (std::size_t i = from; i < to; ++i) rows.insert(list.container->children[i]);
  remove_mirror_children(shared(list.container_mirror),
                         [&](const node* s) { return rows.count(s) != 0; });
}

void renderer::set_window(scroll_list& list, std::size_t first, std::size_t last) {
  if (first >= list.last || last <= list.first || list.first == list.last) {
    dematerialise(list, list.first, list.last);
    list.first = list.last = first;  // where the rows go in
    materialise(list, first, last);
  } else {
    dematerialise(list, list.first, std::min(first, list.last));
    dematerialise(list, std::max(last, list.first), list.last);
    if (first < list.first) materialise(list, first, list.first);
    if (last > list.last) materialise(list, std::max(list.last, first), last);
  }
  list.first = first;
  list.last = last;
}

void renderer::add_spacers(scroll_list& list) {
  list.above = std::make_shared<row_spacer>(mirror_);
  list.below = std::make_shared<row_spacer>(mirror_);
  litehtml::element::ptr parent = shared(list.container_mirror);
  insert_children(parent, mirror_index(parent, *list.container, 0), {list.above}, sheets_);
  insert_children(parent, mirror_index(parent, *list.container, list.heights.size()), {list.below},
                  sheets_);
  layout_needed_ = true;
}

void renderer::remove_spacers(scroll_list& list) {
  litehtml::element::ptr parent = shared(list.container_mirror);
  if (list.above) parent->removeChild(list.above);
  if (list.below) parent->removeChild(list.below);
  list.above.reset();
  list.below.reset();
  layout_needed_ = true;
}

bool renderer::plan_window(scroll_list& list) {
  if (!list.container || !list.container_mirror) return false;
  bool changed = false;
  // A box litehtml does not scroll shows all its rows.
  const scrollable* box = as_scroll_box(shared(list.box_mirror));
  const bool windowed = wants_window(list) && box;
  if (windowed != list.windowed) {
    if (windowed)
      add_spacers(list);
    else
      remove_spacers(list);
    list.windowed = windowed;
    changed = true;
  }
  std::size_t first = 0, last = 0;
  window_for(list, first, last);
  if (first != list.first || last != list.last) {
    set_window(list, first, last);
    changed = true;
  }
  if (list.windowed) {
    const int above = static_cast<int>(list.heights.offset(list.first));
    const int below = static_cast<int>(list.heights.total() - list.heights.offset(list.last));
    if (above != list.above->height_wanted() || below != list.below->height_wanted()) {
      list.above->set_height(above);
      list.below->set_height(below);
      changed = true;
    }
  }
  return changed;
}

void renderer::measure(scroll_list& list) {
  const scrollable* box = as_scroll_box(shared(list.box_mirror));
  if (!box || !displayed(list.box_mirror)) {
    list.viewport = 0;
    return;
  }
  list.viewport = box->metrics().viewport_height;
  if (!list.windowed || !list.container) return;
  // Each row reaches from the top of its margin box to that of the next
  // displayed row (or of the spacer below), so collapsed margins count once.
  std::size_t previous = SIZE_MAX;
  int previous_top = 0;
  for (std::size_t i = list.first; i < list.last; ++i) {
    litehtml::element* row = mirror_of(list.container->children[i]);
    if (!row || !row->is_visible()) {
      list.heights.set_measured(i, 0);
      continue;
    }
    const int top = flow_top(*row);
    if (previous != SIZE_MAX) list.heights.set_measured(previous, top - previous_top);
    previous = i;
    previous_top = top;
  }
  if (previous != SIZE_MAX)
    list.heights.set_measured(previous, flow_top(*list.below) - previous_top);
  const litehtml::position spacer = locate(list.above);
  const litehtml::position padding = locate(shared(list.box_mirror), box_area::padding);
  list.origin = spacer.y - padding.y + box->metrics().scroll_y;
}

void renderer::push_scroll(scroll_list& list) {
  scrollable* box = as_scroll_box(shared(list.box_mirror));
  if (!box || !displayed(list.box_mirror)) return;
  box->set_scroll_y(list.scroll_y);
  list.scroll_y = box->metrics().scroll_y;
}

bool renderer::unlaid_row(const node& n, scroll_list*& list, std::size_t& row) const {
  const node* child = &n;
  for (const element_node* parent = n.parent; parent; child = parent, parent = parent->parent) {
    if (scroll_list* found = list_of_container(parent)) {
      const std::size_t position = parent->children.index_of(child);
      if (position >= found->first && position < found->last) return false;
      list = found;
      row = position;
      return true;
    }
    if (mirror_of(parent)) return false;
  }
  return false;
}

litehtml::position renderer::row_box(const scroll_list& list, std::size_t row) const {
  if (!list.above) return {};
  litehtml::position box = locate(list.above);
  box.y += static_cast<int>(list.heights.offset(row));
  box.height = list.heights.height(row);
  return box;
}

// ---- Notifications ----

void renderer::loaded() {
  drop_all();
  kept_scroll_.clear();
  popups_.clear();
  build_pending_ = true;
  mark();
}

void renderer::style_sheets_changed() {
  if (build_pending_) return;
  for (const auto& [box, list] : lists_)
    kept_scroll_.emplace_back(dom::element(const_cast<element_node*>(list->box)), list->scroll_y);
  std::vector<std::pair<dom::element, int>> kept = std::move(kept_scroll_);
  drop_all();
  kept_scroll_ = std::move(kept);
  build_pending_ = true;
  mark();
}

void renderer::inserted(const node& n) {
  if (build_pending_ || !n.parent) return;
  const element_node* parent = n.parent;
  const std::size_t position = parent->children.index_of(&n);
  if (scroll_list* list = list_of_container(parent)) {
    // Rows laid out stay one run: a row coming in among them is laid out
    // too (or, in a run already at its longest, ends it); one coming in at
    // either end waits for update(), which lays out what shows.
    list->heights.insert(position);
    if (position <= list->first) {
      ++list->first;
      ++list->last;
    } else if (position < list->last) {
      if (list->last - list->first < kMaxLaidOutRows) {
        ++list->last;
        litehtml::elements_vector nodes;
        build_node(n, nodes);
        litehtml::element::ptr mirror = shared(list->container_mirror);
        insert_mirror(mirror, mirror_index(mirror, *parent, position), nodes);
      } else {
        dematerialise(*list, position + 1, list->last + 1);
        list->last = position;
      }
    }
    mark();
    return;
  }
  litehtml::element* parent_mirror = mirror_of(parent);
  if (!parent_mirror) return;  // inside a row that is not laid out
  if (scroll_list* list = list_above_rows(parent)) {
    // Its rows may be elsewhere now (a lone row gained siblings): built
    // again at the next update, from the document as it will be then.
    list->stale = true;
    mark();
    return;
  }
  litehtml::elements_vector nodes;
  build_node(n, nodes);
  litehtml::element::ptr mirror = shared(parent_mirror);
  insert_mirror(mirror, mirror_index(mirror, *parent, position), nodes);
  mark();
}

void renderer::removing(const node& n) {
  if (build_pending_ || !n.parent) return;
  const element_node* parent = n.parent;
  if (scroll_list* list = list_of_container(parent)) {
    const std::size_t position = parent->children.index_of(&n);
    if (position >= list->first && position < list->last) {
      remove_mirror_children(shared(list->container_mirror),
                             [&](const node* s) { return s == &n; });
      --list->last;
    } else if (position < list->first) {
      --list->first;
      --list->last;
    }
    list->heights.erase(position);
    mark();
    return;
  }
  litehtml::element* parent_mirror = mirror_of(parent);
  if (!parent_mirror) return;
  remove_mirror_children(shared(parent_mirror), [&](const node* s) { return s == &n; });
  if (scroll_list* list = list_above_rows(parent)) list->stale = true;
  mark();
}

void renderer::attribute_changed(const element_node& e, atom name) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  const std::string attribute(name_of(name));
  if (const compact_string* value = e.find_attribute(name))
    el->set_attr(attribute.c_str(), value->str().c_str());
  else
    remove_attribute(shared(el), attribute);
  if (styled_attributes_.count(name)) {
    restyles_.push_back(shared(el));
    mark();
  }
}

void renderer::state_changed(const element_node& e, uint32_t old_state) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  const uint32_t changed = old_state ^ e.state;
  for (const state_name& s : kStateNames)
    if (changed & s.bit) el->set_pseudo_class(s.name, (e.state & s.bit) != 0);
  if (changed & styled_states_) {
    restyles_.push_back(shared(el));
    mark();
  }
}

void renderer::text_changed(const element_node& e) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  // The old children are already gone: forget their mirrors without
  // looking at them.
  litehtml::element::ptr mirror = shared(el);
  remove_mirror_children(mirror, [](const node*) { return true; });
  if (scroll_list* list = list_of_container(&e)) {
    // Its rows were replaced: the box finds its rows again.
    remove_spacers(*list);
    containers_.erase(list->container);
    list->container = nullptr;
    list->container_mirror = nullptr;
  } else if (scroll_list* above = list_above_rows(&e)) {
    above->stale = true;
  } else {
    litehtml::elements_vector nodes;
    for (const node* child : e.children) build_node(*child, nodes);
    insert_mirror(mirror, mirror_index(mirror, e, 0), nodes);
  }
  touch(shared(el));
  mark();
}

void renderer::style_changed(const element_node& e) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  if (is_scroll_box(e, el) != (list_of_box(&e) != nullptr)) {
    rebuilds_.emplace_back(const_cast<element_node*>(&e));
    mark();
  }
}

void renderer::children_reordered(const element_node& e) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  litehtml::element::ptr mirror = shared(el);
  if (scroll_list* list = list_of_container(&e)) {
    // The rows laid out are other rows now: lay out again from the scroll
    // position, measuring anew.
    remove_mirror_children(mirror, [](const node*) { return true; });
    list->first = list->last = 0;
    list->heights.forget_all();
    mark();
    return;
  }
  litehtml::elements_vector& children = detail::as_tag(mirror)->children();
  auto key = [&](const litehtml::element::ptr& child) -> int64_t {
    auto found = source_.find(child.get());
    if (found != source_.end()) return static_cast<int64_t>(e.children.index_of(found->second));
    return !std::strcmp(child->get_tagName(), "::after") ? INT64_MAX : -1;
  };
  std::stable_sort(children.begin(), children.end(),
                   [&](const litehtml::element::ptr& a, const litehtml::element::ptr& b) {
                     return key(a) < key(b);
                   });
  touch(shared(el));
  mark();
}

void renderer::update_requested(const element_node& e, bool /*render_now*/) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  touch(shared(el));
  set_dirty();
}

// ---- Updating ----

void renderer::touch(const litehtml::element::ptr& el) {
  if (el) touched_.push_back(el);
}

void renderer::flush_restyles() {
  if (restyles_.empty()) return;
  std::unordered_set<const litehtml::element*> pending;
  for (const auto& el : restyles_) pending.insert(el.get());
  std::unordered_set<const litehtml::element*> done;
  const litehtml::element::ptr root = mirror_->root();
  for (const auto& el : restyles_) {
    if (!done.insert(el.get()).second) continue;
    bool attached = false, covered = false;
    for (litehtml::element::ptr at = el->parent(); at; at = at->parent()) {
      if (pending.count(at.get())) covered = true;
      if (at == root) attached = true;
    }
    if (el == root) attached = true;
    if (!attached || covered) continue;
    restyle(el, sheets_);
    touch(el);
  }
  restyles_.clear();
  popups_placed_ = false;
  layout_needed_ = true;
}

void renderer::place_popups() {
  if (popups_placed_) return;
  popups_placed_ = true;
  for (auto p = popups_.begin(); p != popups_.end();) {
    litehtml::element* el = mirror_of(p->element.node());
    litehtml::html_tag* tag = el ? detail::as_tag(shared(el)) : nullptr;
    if (!tag) {
      p = popups_.erase(p);
      continue;
    }
    // Over whatever the style sheets say; a restyle of the element clears it.
    const std::string placement =
        "display: block !important; position: absolute !important; float: none !important;"
        "left: " +
        std::to_string(p->x + p->shift_x) +
        "px !important; top: " + std::to_string(p->y + p->shift_y) +
        "px !important; right: auto !important; bottom: auto !important;"
        "z-index: 2147483000 !important";
    detail::tag_members::cascaded_style(*tag).add(placement.c_str(), "", tag);
    tag->parse_styles();
    touch(shared(el));
    layout_needed_ = true;
    ++p;
  }
}

bool renderer::correct_popups() {
  bool moved = false;
  for (popup& p : popups_) {
    litehtml::element* el = mirror_of(p.element.node());
    if (!el) continue;
    const litehtml::position at = locate(shared(el));
    if (at.x == p.x && at.y == p.y) continue;
    p.shift_x += p.x - at.x;
    p.shift_y += p.y - at.y;
    moved = true;
  }
  if (moved) {
    popups_placed_ = false;
    place_popups();
  }
  return moved;
}

bool renderer::show_popup(const dom::element& element, int x, int y) {
  update();
  litehtml::element* el = mirror_of(element.node());
  if (!el || !element.node() || element.node()->doc != &doc_) return false;
  auto shown = std::find_if(popups_.begin(), popups_.end(),
                            [&](const popup& p) { return p.element == element; });
  if (shown == popups_.end()) shown = popups_.insert(popups_.end(), popup{element});
  shown->x = x;
  shown->y = y;
  popups_placed_ = false;
  mark();
  return true;
}

void renderer::hide_popup(const dom::element& element) {
  auto shown = std::find_if(popups_.begin(), popups_.end(),
                            [&](const popup& p) { return p.element == element; });
  if (shown == popups_.end()) return;
  popups_.erase(shown);
  if (litehtml::element* el = mirror_of(element.node())) restyles_.push_back(shared(el));
  mark();
}

void renderer::layout() {
  mirror_->render(width_);
  ++layouts_;
}

std::vector<renderer::scroll_list*> renderer::lists_outer_first() const {
  std::vector<std::pair<std::size_t, scroll_list*>> by_depth;
  for (const auto& [box, list] : lists_) by_depth.emplace_back(depth_of(list->box), list.get());
  std::sort(by_depth.begin(), by_depth.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<scroll_list*> out;
  for (const auto& [depth, list] : by_depth) out.push_back(list);
  return out;
}

bool renderer::still_listed(const scroll_list* list) const {
  for (const auto& [box, held] : lists_)
    if (held.get() == list) return true;
  return false;
}

void renderer::update() {
  if ((!dirty_ && !build_pending_) || updating_) return;
  updating_ = true;
  struct done_updating {
    bool& flag;
    ~done_updating() { flag = false; }
  } guard{updating_};

  if (build_pending_) build_all();
  if (!mirror_) {
    dirty_ = false;
    return;
  }
  if (width_changed_) {
    width_changed_ = false;
    for (const auto& [box, list] : lists_) list->heights.forget_all();
    layout_needed_ = true;
  }
  // litehtml restyles quickly (losing attribute styles) when a media query
  // starts or stops to apply: style properly after it.
  if (mirror_->media_changed()) restyles_.push_back(mirror_->root());
  flush_restyles();

  // Boxes whose rows moved to another element, and elements that became or
  // stopped being scrolling boxes, are built again.
  std::vector<dom::element> rebuild = std::move(rebuilds_);
  rebuilds_.clear();
  for (const auto& [box, list] : lists_)
    if (list->stale || !list->container || !holds_rows(*list))
      rebuild.emplace_back(const_cast<element_node*>(list->box));
  std::sort(rebuild.begin(), rebuild.end(), [](const dom::element& a, const dom::element& b) {
    return depth_of(a.node()) < depth_of(b.node());
  });
  for (const dom::element& e : rebuild)
    if (element_node* n = e.node(); n && n->doc == &doc_) rebuild_subtree(*n);
  if (!rebuild.empty()) popups_placed_ = false;
  if (build_pending_) build_all();
  place_popups();

  // Keep the row at the top of each box where it is while estimates give
  // way to measurements.
  for (const auto& [box, list] : lists_) {
    list->anchor_row = SIZE_MAX;
    // A box at its top stays there.
    if (list->windowed && list->viewport > 0 && list->scroll_y > 0 && list->heights.size() > 0) {
      const int64_t top = int64_t{list->scroll_y} - list->origin;
      if (top >= 0) {
        list->anchor_row = list->heights.row_at(top);
        list->anchor_delta = top - list->heights.offset(list->anchor_row);
      }
    }
    list->heights.refresh_estimate();
  }

  for (int pass = 0; pass < 4; ++pass) {
    bool changed = false;
    for (scroll_list* list : lists_outer_first())
      if (still_listed(list)) changed = plan_window(*list) || changed;
    if (!changed && !layout_needed_) break;
    layout();
    layout_needed_ = false;
    if (correct_popups()) layout_needed_ = true;
    for (const auto& [box, list] : lists_) {
      measure(*list);
      // A large correction of the estimate (the first rows of a list were
      // measured) is taken at once so that the content's height is right.
      // Small changes wait for the next update, so one layout is enough.
      if (std::abs(list->heights.mean() - list->heights.estimate()) * 8 > list->heights.estimate())
        list->heights.refresh_estimate();
      if (list->anchor_row < list->heights.size()) {
        list->scroll_y = static_cast<int>(list->origin + list->heights.offset(list->anchor_row) +
                                          list->anchor_delta);
      }
      push_scroll(*list);
    }
  }
  for (const auto& [box, list] : lists_) push_scroll(*list);

  painted_areas now;
  now.capture(mirror_->root(), {0, 0, width_, height_});
  painted_areas::differences(painted_, now, dirty_rects_);
  for (const auto& el : touched_) {
    std::function<void(const litehtml::element::ptr&)> add = [&](const litehtml::element::ptr& x) {
      dirty_rects_.push_back(painted_.area_of(x.get()));
      dirty_rects_.push_back(now.area_of(x.get()));
      if (litehtml::html_tag* tag = detail::as_tag(x))
        for (const auto& child : tag->children()) add(child);
    };
    add(el);
  }
  touched_.clear();
  kept_scroll_.clear();
  painted_ = std::move(now);
  dirty_ = false;
}

// ---- Queries ----

void renderer::paint(litehtml::uint_ptr hdc, const litehtml::position& clip) {
  update();
  if (mirror_) mirror_->draw(hdc, 0, 0, &clip);
}

std::vector<litehtml::position> renderer::take_dirty_rects() {
  update();
  std::vector<litehtml::position> clipped;
  for (const auto& r : dirty_rects_) clipped.push_back(intersection(r, {0, 0, width_, height_}));
  dirty_rects_.clear();
  return merge_rectangles(std::move(clipped));
}

dom::element renderer::element_at(int x, int y) {
  update();
  if (!mirror_) return {};
  for (litehtml::element::ptr at = mirror_->root()->get_element_by_point(x, y, x, y); at;
       at = at->parent()) {
    auto found = source_.find(at.get());
    if (found != source_.end() && found->second->is_element())
      return dom::element(
          const_cast<element_node*>(static_cast<const element_node*>(found->second)));
  }
  return {};
}

dom::element renderer::scroll_box_at(int x, int y) {
  update();
  if (!mirror_) return {};
  for (litehtml::element::ptr at = mirror_->root()->get_element_by_point(x, y, x, y); at;
       at = at->parent()) {
    auto found = source_.find(at.get());
    if (found == source_.end() || !found->second->is_element()) continue;
    const auto* e = static_cast<const element_node*>(found->second);
    if (!list_of_box(e)) continue;
    const scrollable* box = as_scroll_box(at);
    if (box && box->metrics().max_scroll_y() > 0) return dom::element(const_cast<element_node*>(e));
  }
  return {};
}

litehtml::position renderer::location(const dom::element& e, box_area area) {
  update();
  const element_node* n = e.node();
  if (!n || n->doc != &doc_ || !mirror_) return {};
  if (litehtml::element* el = mirror_of(n)) return locate(shared(el), area);
  scroll_list* list = nullptr;
  std::size_t row = 0;
  if (!unlaid_row(*n, list, row) || !displayed(list->container_mirror)) return {};
  const node* row_node = list->container->children[row];
  for (const element_node* at = n; at; at = at->parent) {
    if (style_value(*at, style_property::display) == "none") return {};
    if (at == row_node) break;
  }
  return row_box(*list, row);
}

litehtml::position renderer::visible_area(const dom::element& e) {
  update();
  const element_node* n = e.node();
  if (!n || n->doc != &doc_) return {};
  litehtml::element* el = mirror_of(n);
  return el ? painted_.area_of(el) : litehtml::position();
}

bool renderer::scroll_info(const dom::element& box, scroll_metrics& out) {
  update();
  scroll_list* list = list_of_box(box.node());
  if (!list || !displayed(list->box_mirror)) return false;
  const scrollable* scrolling = as_scroll_box(shared(list->box_mirror));
  if (!scrolling) return false;
  out = scrolling->metrics();
  return true;
}

bool renderer::set_scroll_pos(const dom::element& box, int y) {
  update();
  scroll_list* list = list_of_box(box.node());
  if (!list) return false;
  if (list->scroll_y != y) {
    list->scroll_y = y;
    set_dirty();
  }
  return true;
}

bool renderer::scroll_to_view(const dom::element& e, bool to_top) {
  for (int pass = 0; pass < 4; ++pass) {
    update();
    const element_node* n = e.node();
    if (!n || n->doc != &doc_ || !mirror_) return false;
    litehtml::position target = location(e);
    if (target.width <= 0 && target.height <= 0 && target.x == 0 && target.y == 0) return false;
    bool moved = false;
    for (const element_node* a = n->parent; a; a = a->parent) {
      scroll_list* list = list_of_box(a);
      if (!list || !displayed(list->box_mirror)) continue;
      const scrollable* box = as_scroll_box(shared(list->box_mirror));
      if (!box) continue;
      const scroll_metrics m = box->metrics();
      const litehtml::position padding = locate(shared(list->box_mirror), box_area::padding);
      const int top = target.y - padding.y + m.scroll_y;
      int wanted = m.scroll_y;
      if (to_top || top < m.scroll_y || target.height > padding.height)
        wanted = top;
      else if (top + target.height > m.scroll_y + padding.height)
        wanted = top + target.height - padding.height;
      wanted = std::clamp(wanted, 0, m.max_scroll_y());
      if (wanted != m.scroll_y) {
        list->scroll_y = wanted;
        moved = true;
        set_dirty();
      }
      // For the boxes further out, the element is where this box shows it.
      target.y -= wanted - m.scroll_y;
    }
    if (!moved) break;
  }
  const litehtml::position shown = visible_area(e);
  return shown.width > 0 && shown.height > 0;
}

litehtml::element::ptr renderer::mirror_of(const dom::element& e) const {
  const element_node* n = e.node();
  return n ? shared(mirror_of(n)) : nullptr;
}

std::optional<std::pair<std::size_t, std::size_t>> renderer::laid_out_rows(
    const dom::element& container) const {
  const scroll_list* list = list_of_container(container.node());
  if (!list) return std::nullopt;
  return std::make_pair(list->first, list->last);
}

dom::element renderer::row_container(const dom::element& box) const {
  const scroll_list* list = list_of_box(box.node());
  if (!list || !list->container) return {};
  return dom::element(const_cast<element_node*>(list->container));
}

}  // namespace htmlayout::render
