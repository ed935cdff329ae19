// The renderer's mirror: building litehtml nodes from the document's and
// dropping them, and the document's notifications edited into the mirror.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "htmlayout/dom/style.h"
#include "htmlayout/render/default_style.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/renderer_internal.h"
#include "htmlayout/render/restyle.h"
#include "htmlayout/render/row_spacer.h"
#include "htmlayout/render/tree_edit.h"

namespace htmlayout::render {

using detail::shared;

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

// True when `at` in style sheet text `css` lies in a selector: after the
// last block that closed, not inside a declaration block.
bool in_selector(std::string_view css, std::size_t at) {
  const std::size_t open = css.rfind('{', at);
  const std::size_t close = css.rfind('}', at);
  return open == std::string_view::npos || (close != std::string_view::npos && close > open);
}

// True when the declaration block that follows `at` in `css` sets nothing
// but the engine's own properties, which the renderer does not draw.
bool sets_only_undrawn(std::string_view css, std::size_t at) {
  const std::size_t open = css.find('{', at);
  if (open == std::string_view::npos) return false;
  const std::size_t close = css.find('}', open);
  if (close == std::string_view::npos) return false;
  std::string_view block = css.substr(open + 1, close - open - 1);
  bool any = false;
  while (!block.empty()) {
    const std::size_t end = std::min(block.find(';'), block.size());
    std::string_view declaration = block.substr(0, end);
    block.remove_prefix(std::min(end + 1, block.size()));
    const std::size_t colon = declaration.find(':');
    std::string_view name = declaration.substr(0, colon);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
      name.remove_prefix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
      name.remove_suffix(1);
    if (name.empty() && colon == std::string_view::npos) continue;  // blank
    if (name != "context-menu" && name != "behavior") return false;
    any = true;
  }
  return any;
}

}  // namespace

// ---- Building ----

void renderer::mirror::drop_all() {
  lists_.clear();
  containers_.clear();
  mirror_of_.clear();
  source_.clear();
  restyles_.clear();
  touched_.clear();
  rebuilds_.clear();
  unbuilt_.clear();
  painted_.clear();
  mirrored_rows_.clear();
  kept_rows_.clear();
  stand_ins_.clear();
  mirror_doc_.reset();
}

void renderer::mirror::read_style_sheets() {
  sheets_.master = &default_context().master_css();
  sheets_.author = litehtml::css();
  std::string all = default_style_sheet();
  for (const document::style_sheet& sheet : doc_.style_sheets()) {
    sheets_.author.parse_stylesheet(sheet.text.c_str(), sheet.url.c_str(), mirror_doc_, nullptr);
    all += sheet.text;
  }
  sheets_.author.sort_selectors();
  styled_states_ = 0;
  for (const state_name& s : kStateNames)
    if (mentions(all, ":", s.name)) styled_states_ |= s.bit;
  styled_attributes_.clear();
  for (const char* name : kPresentationalAttributes) styled_attributes_.insert(intern(name));
  ancestor_tests_.clear();
  for (const litehtml::css* sheet :
       {sheets_.master, static_cast<const litehtml::css*>(&sheets_.author)}) {
    if (!sheet) continue;
    for (const litehtml::css_selector::ptr& selector : sheet->selectors()) {
      for (const litehtml::css_selector* left = selector->m_left.get(); left;
           left = left->m_left.get()) {
        const litehtml::css_element_selector& compound = left->m_right;
        ancestor_test where;
        if (!compound.m_tag.empty() && compound.m_tag != "*") where.tag = intern(compound.m_tag);
        for (const litehtml::css_attribute_selector& test : compound.m_attrs)
          if (test.attribute == "id" && test.condition == litehtml::select_equal) where.id = test.val;
        for (const litehtml::css_attribute_selector& test : compound.m_attrs) {
          if (test.condition == litehtml::select_pseudo_element) continue;
          ancestor_test added = where;
          if (test.condition != litehtml::select_pseudo_class) {
            added.attribute = intern(test.attribute);
          } else {
            for (const state_name& s : kStateNames)
              if (test.val == s.name) added.states |= s.bit;
            if (!added.states) continue;
          }
          ancestor_tests_.push_back(std::move(added));
        }
      }
    }
  }
  // Attribute selectors: "[name", "[name=", "[ name ]" ... A rule that sets
  // only properties nothing here draws (the engine's own behavior and
  // context-menu) cannot change a look: its attributes are left out, so
  // that toggling one (a table's "multiselect") restyles nothing.
  for (std::size_t at = all.find('['); at != std::string::npos; at = all.find('[', at + 1)) {
    if (in_selector(all, at) && sets_only_undrawn(all, at)) continue;
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

void renderer::mirror::build_all() {
  for (const auto& [box, list] : lists_) keep_scroll(*list);
  std::vector<kept_list> scrolls = std::move(kept_scroll_);
  drop_all();
  kept_scroll_ = std::move(scrolls);
  build_pending_ = false;
  element_node* root = doc_.root().node();
  if (!root) return;
  mirror_doc_ =
      litehtml::document::createFromString("<html></html>", &container_, &default_context());
  litehtml::element::ptr top = mirror_doc_->root();
  litehtml::html_tag* top_tag = detail::as_tag(top);
  for (const auto& child : top_tag->children()) child->parent(nullptr);
  top_tag->children().clear();
  read_style_sheets();
  mirror_doc_->media_changed();
  for (const attribute& a : root->attributes)
    top->set_attr(std::string(name_of(a.name)).c_str(), a.value.str().c_str());
  for (const state_name& s : kStateNames)
    if (root->state & s.bit) top->set_pseudo_class(s.name, true);
  mirror_of_[root] = top.get();
  source_[top.get()] = root;
  build_children(*root, top);
  restyle(top, sheets_);
  put_back_rows();
  kept_scroll_.clear();
  painted_.clear();
  popups_placed_ = false;
  dirty_rects_.push_back({0, 0, width_, height_});
  layout_needed_ = true;
}

litehtml::element::ptr renderer::mirror::build_element(const element_node& e) {
  litehtml::string_map attributes;
  for (const attribute& a : e.attributes) attributes[std::string(name_of(a.name))] = a.value.str();
  const std::string tag(name_of(e.tag));
  litehtml::element::ptr el = mirror_doc_->create_element(tag.c_str(), attributes);
  ++built_;
  mirror_of_[&e] = el.get();
  source_[el.get()] = &e;
  for (const state_name& s : kStateNames)
    if (e.state & s.bit) el->set_pseudo_class(s.name, true);
  if (is_scroll_box(e, el.get())) {
    auto list = std::make_unique<scroll_list>();
    list->box = &e;
    list->box_mirror = el.get();
    for (auto kept = kept_scroll_.begin(); kept != kept_scroll_.end(); ++kept) {
      if (kept->box.node() == &e) {
        list->rows.scroll_y = kept->scroll_y;
        list->rows.heights.assume(kept->row_height);
        kept_scroll_.erase(kept);
        break;
      }
    }
    scroll_list* made = list.get();
    lists_[&e] = std::move(list);
    start_list(*made);
  }
  if (scroll_list* list = list_of_container(&e)) list->container_mirror = el.get();
  if (e.flags & element_node::unbuilt) unbuilt_.emplace_back(const_cast<element_node*>(&e));
  build_children(e, el);
  return el;
}

void renderer::mirror::build_node(const node& n, litehtml::elements_vector& out) {
  if (const element_node* e = as_element(&n)) {
    out.push_back(build_element(*e));
    return;
  }
  // The text of a style element is the style sheet, which the renderer
  // reads from the document; litehtml would collect it once more on every
  // restyle.
  if (n.parent && n.parent->tag == names::style) return;
  const text_node& t = static_cast<const text_node&>(n);
  for (const litehtml::element::ptr& word : make_text_nodes(mirror_doc_, t.text.str())) {
    source_[word.get()] = &n;
    out.push_back(word);
  }
}

void renderer::mirror::build_children(const element_node& e, const litehtml::element::ptr& mirror) {
  // Style and script elements keep their text to themselves in litehtml.
  if (!detail::as_tag(mirror)) return;
  litehtml::elements_vector nodes;
  scroll_list* list = list_of_container(&e);
  if (list) {
    if (list->rows.windowed) nodes.push_back(list->above);
    for (std::size_t i = list->rows.first; i < list->rows.last; ++i) build_row(*e.children[i], nodes);
    if (list->rows.windowed) nodes.push_back(list->below);
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

void renderer::mirror::unregister_subtree(const litehtml::element::ptr& el, bool keep_rows) {
  auto found = source_.find(el.get());
  if (found != source_.end()) {
    const node* src = found->second;
    if (auto row = mirrored_rows_.find(src); row != mirrored_rows_.end()) {
      dom::element handle = std::move(row->second);
      mirrored_rows_.erase(row);
      if (keep_rows && keep_row(el, std::move(handle))) return;
      found = source_.find(el.get());
    }
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
    for (const auto& child : tag->children()) unregister_subtree(child, keep_rows);
  }
}

void renderer::mirror::remove_mirror_children(const litehtml::element::ptr& parent,
                                              const std::function<bool(const node*)>& which,
                                              bool keep_rows) {
  litehtml::html_tag* tag = detail::as_tag(parent);
  if (!tag) return;
  inherited_from_ = nullptr;  // styles may have changed since the last call
  litehtml::elements_vector kept;
  bool table_parts = false;
  for (const auto& child : tag->children()) {
    auto found = source_.find(child.get());
    if (found != source_.end() && which(found->second)) {
      table_parts = table_parts || is_table_part(child->get_display());
      unregister_subtree(child, keep_rows);
      child->parent(nullptr);
    } else {
      kept.push_back(child);
    }
  }
  if (kept.size() == tag->children().size()) return;
  tag->children().swap(kept);
  if (table_parts) rebuild_enclosing_table(parent);
  detail::release_table_parts(*mirror_doc_);
  layout_needed_ = true;
}

std::size_t renderer::mirror::mirror_index(const litehtml::element::ptr& parent,
                                           const element_node& engine_parent,
                                           std::size_t position) const {
  const litehtml::elements_vector& children = detail::as_tag(parent)->children();
  // From the end first, so that rows appended one by one to a long list
  // (a list built again) are placed without walking the rows before them:
  // behind a mirrored child that comes before `position`, the place is the
  // first child after it that is mirrored or "::after". A list with spacers
  // holds few rows: it is looked at from the start, where the spacer above
  // the rows is told from the one below.
  std::size_t behind = children.size();
  for (std::size_t i = children.size(); i-- > 0;) {
    const litehtml::element* child = children[i].get();
    auto found = source_.find(child);
    if (found == source_.end()) {
      if (as_spacer(child)) break;
      if (!std::strcmp(child->get_tagName(), "::after")) behind = i;
      continue;
    }
    if (engine_parent.children.index_of(found->second) < position) return behind;
    behind = i;
  }
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

void renderer::mirror::insert_mirror(const litehtml::element::ptr& parent, std::size_t index,
                                     const litehtml::elements_vector& nodes) {
  if (nodes.empty()) return;
  insert_children(parent, index, nodes, sheets_);
  put_back_rows();
  for (const auto& node : nodes) touch(node);
  layout_needed_ = true;
}

void renderer::mirror::keep_scroll(const scroll_list& list) {
  kept_scroll_.push_back({dom::element(const_cast<element_node*>(list.box)), list.rows.scroll_y,
                          list.rows.heights.mean()});
}

void renderer::mirror::rebuild_subtree(const element_node& e) {
  litehtml::element* old = mirror_of(&e);
  if (!old) return;
  if (!e.parent || !old->parent()) {
    build_pending_ = true;
    return;
  }
  if (scroll_list* list = list_of_box(&e))
    keep_scroll(*list);
  litehtml::element::ptr parent = old->parent();
  const litehtml::elements_vector& siblings = detail::as_tag(parent)->children();
  const std::size_t index = static_cast<std::size_t>(
      std::find_if(siblings.begin(), siblings.end(),
                   [&](const litehtml::element::ptr& s) { return s.get() == old; }) -
      siblings.begin());
  remove_mirror_children(parent, [&](const node* s) { return s == &e; });
  insert_mirror(parent, index, {build_element(e)});
}
// ---- Kept rows ----

void renderer::mirror::build_row(const node& n, litehtml::elements_vector& out) {
  const element_node* e = as_element(&n);
  if (!e) {
    build_node(n, out);
    return;
  }
  if (auto found = kept_rows_.find(e); found != kept_rows_.end()) {
    kept_row kept = std::move(found->second);
    kept_rows_.erase(found);
    if (kept.row.node() == e && e->parent == kept.container.node() && e->state == kept.state) {
      for (const auto& [mirror, source] : kept.sources) {
        source_[mirror] = source;
        if (source->is_element()) mirror_of_[source] = mirror;
      }
      mirrored_rows_[e] = std::move(kept.row);
      // A bare element of the same tag takes the row's place while what is
      // inserted with it is styled; put_back_rows() swaps the row in.
      litehtml::element::ptr stand_in = mirror_doc_->create_element(kept.mirror->get_tagName(), {});
      stand_ins_.push_back({stand_in, std::move(kept.mirror), std::move(kept.inherited)});
      out.push_back(stand_in);
      return;
    }
  }
  build_node(n, out);
  mirrored_rows_[e] = dom::element(const_cast<element_node*>(e));
}

bool renderer::mirror::keep_row(const litehtml::element::ptr& el, dom::element row) {
  const element_node* e = row.node();
  auto container = source_.find(el->parent().get());
  if (!e || container == source_.end()) return false;
  kept_row kept;
  bool keepable = true;
  std::function<void(const litehtml::element::ptr&)> collect = [&](const litehtml::element::ptr& at) {
    if (auto found = source_.find(at.get()); found != source_.end()) {
      const node* source = found->second;
      // A list inside the row, or content still to build, lives in what
      // the renderer keeps about the tree, not in the row's mirror.
      const element_node* inner = as_element(const_cast<node*>(source));
      if (lists_.count(source) || containers_.count(source) ||
          (inner && (inner->flags & element_node::unbuilt)))
        keepable = false;
      kept.sources.emplace_back(at.get(), source);
    }
    if (litehtml::html_tag* tag = detail::as_tag(at))
      for (const auto& child : tag->children()) collect(child);
  };
  collect(el);
  if (!keepable) return false;
  // A restyle waiting for the row, for something in it or above it would
  // miss the row once it is out of the tree.
  for (const litehtml::element::ptr& waiting : restyles_) {
    for (litehtml::element* at = waiting.get(); at; at = at->parent().get())
      if (at == el.get()) return false;
    for (litehtml::element::ptr at = el->parent(); at; at = at->parent())
      if (at == waiting) return false;
  }
  for (const auto& [mirror, source] : kept.sources) {
    source_.erase(mirror);
    if (auto mirrored = mirror_of_.find(source);
        mirrored != mirror_of_.end() && mirrored->second == mirror)
      mirror_of_.erase(mirrored);
  }
  if (kept_rows_.size() >= kKeptRows) {
    std::erase_if(kept_rows_, [](const auto& entry) { return !entry.second.row.is_valid(); });
    if (kept_rows_.size() >= kKeptRows)
      kept_rows_.erase(std::min_element(kept_rows_.begin(), kept_rows_.end(),
                                        [](const auto& a, const auto& b) {
                                          return a.second.serial < b.second.serial;
                                        }));
  }
  kept.container = dom::element(as_element(const_cast<node*>(container->second)));
  kept.inherited = inherited_style(el->parent());
  kept.state = e->state;
  kept.mirror = el;
  kept.serial = ++kept_serial_;
  kept.row = std::move(row);
  kept_rows_[e] = std::move(kept);
  return true;
}

void renderer::mirror::put_back_rows() {
  inherited_from_ = nullptr;  // the parents were styled since
  for (const stand_in& s : stand_ins_) {
    litehtml::element::ptr parent = s.element->parent();
    litehtml::html_tag* tag = detail::as_tag(parent);
    if (!tag) continue;
    litehtml::elements_vector& children = tag->children();
    auto at = std::find(children.begin(), children.end(), s.element);
    if (at == children.end()) continue;
    *at = s.row;
    s.row->parent(parent);
    s.element->parent(nullptr);
    if (*inherited_style(parent) != *s.inherited)
      restyle(s.row, sheets_);
    else if (is_table_part(s.row->get_display()))
      rebuild_enclosing_table(parent);
    touch(s.row);
  }
  stand_ins_.clear();
  inherited_from_ = nullptr;
}

std::shared_ptr<const std::string> renderer::mirror::inherited_style(
    const litehtml::element::ptr& parent) {
  if (parent.get() == inherited_from_ && inherited_) return inherited_;
  // The properties litehtml 0.6 looks up the parents for when it styles an
  // element; the color and the cursor it looks up when it draws.
  static constexpr const char* kInherited[] = {
      "text-align",       "white-space",         "visibility",
      "vertical-align",   "text-indent",         "line-height",
      "list-style-type",  "list-style-position", "list-style-image",
      "font-family",      "font-weight",         "font-style",
      "text-decoration",  "text-transform",      "border-collapse",
      "-litehtml-border-spacing-x", "-litehtml-border-spacing-y"};
  std::string values = std::to_string(parent->get_font_size());
  for (const char* name : kInherited) {
    values += '\n';
    if (const char* value = parent->get_style_property(name, true, nullptr)) values += value;
  }
  inherited_from_ = parent.get();
  inherited_ = std::make_shared<const std::string>(std::move(values));
  return inherited_;
}

void renderer::mirror::forget_kept(const node* n) {
  if (kept_rows_.empty()) return;
  for (const node* at = n; at; at = at->parent) {
    if (kept_rows_.erase(at)) return;
    if (mirror_of(at)) return;  // nothing of a kept row is mirrored
  }
}

bool renderer::mirror::tested_above(const element_node& e, atom attribute, uint32_t states) const {
  for (const ancestor_test& test : ancestor_tests_) {
    if (attribute ? test.attribute != attribute : !(test.states & states)) continue;
    if (test.tag && test.tag != e.tag) continue;
    if (!test.id.empty()) {
      const compact_string* id = e.find_attribute(names::id);
      if (!id || id->str() != test.id) continue;
    }
    return true;
  }
  return false;
}

void renderer::mirror::forget_kept_below(const node* e) {
  if (kept_rows_.empty()) return;
  std::erase_if(kept_rows_, [&](const auto& entry) {
    for (const node* at = entry.second.container.node(); at; at = at->parent)
      if (at == e) return true;
    return false;
  });
}

// ---- Notifications ----

void renderer::mirror::loaded() {
  drop_all();
  kept_scroll_.clear();
  asked_popups_.clear();
  popups_.clear();
  build_pending_ = true;
  mark();
}

void renderer::mirror::style_sheets_changed() {
  if (build_pending_) return;
  for (const auto& [box, list] : lists_) keep_scroll(*list);
  std::vector<kept_list> kept = std::move(kept_scroll_);
  drop_all();
  kept_scroll_ = std::move(kept);
  build_pending_ = true;
  mark();
}

void renderer::mirror::inserted(const node& n) {
  if (build_pending_ || !n.parent) return;
  forget_kept(&n);
  const element_node* parent = n.parent;
  const std::size_t position = parent->children.index_of(&n);
  if (scroll_list* list = list_of_container(parent)) {
    // Rows laid out stay one run: a row coming in among them is laid out
    // too (or, in a run already at its longest, ends it); one coming in at
    // either end waits for update(), which lays out what shows.
    if (list->rows.insert_row(position)) {
      if (list->rows.last - list->rows.first < row_window::kMaxRows) {
        ++list->rows.last;
        litehtml::elements_vector nodes;
        build_row(n, nodes);
        litehtml::element::ptr mirror = shared(list->container_mirror);
        insert_mirror(mirror, mirror_index(mirror, *parent, position), nodes);
      } else {
        dematerialise(*list, position + 1, list->rows.last + 1);
        list->rows.last = position;
      }
    }
    mark();
    return;
  }
  litehtml::element* parent_mirror = mirror_of(parent);
  if (!parent_mirror) return;  // inside a row that is not laid out
  scroll_list* list = list_above_rows(parent);
  if (!list) list = list_gaining_rows(*parent);
  if (list) {
    // Its rows may be elsewhere now (a lone row gained siblings, a row
    // became a long list): built again at the next update, from the
    // document as it will be then.
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

void renderer::mirror::removing(const node& n) {
  if (build_pending_ || !n.parent) return;
  forget_kept(&n);
  const element_node* parent = n.parent;
  if (scroll_list* list = list_of_container(parent)) {
    if (list->rows.erase_row(parent->children.index_of(&n)))
      remove_mirror_children(shared(list->container_mirror),
                             [&](const node* s) { return s == &n; }, false);
    mark();
    return;
  }
  litehtml::element* parent_mirror = mirror_of(parent);
  if (!parent_mirror) return;
  remove_mirror_children(shared(parent_mirror), [&](const node* s) { return s == &n; }, false);
  if (scroll_list* list = list_above_rows(parent)) list->stale = true;
  mark();
}

void renderer::mirror::attribute_changed(const element_node& e, atom name) {
  forget_kept(&e);
  if (tested_above(e, name, 0)) forget_kept_below(&e);
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

void renderer::mirror::state_changed(const element_node& e, uint32_t old_state) {
  const uint32_t changed = old_state ^ e.state;
  forget_kept(&e);
  if (tested_above(e, 0, changed)) forget_kept_below(&e);
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  for (const state_name& s : kStateNames)
    if (changed & s.bit) el->set_pseudo_class(s.name, (e.state & s.bit) != 0);
  if (changed & styled_states_) {
    restyles_.push_back(shared(el));
    mark();
  }
}

// Only the children that are mirrored can look different: of a long list,
// the rows laid out.
void renderer::mirror::children_state_changed(const element_node& parent, uint32_t bits) {
  // Kept rows among the children are checked against their state when
  // they come back.
  forget_kept(&parent);
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&parent);
  if (!el) return;
  bool restyled = false;
  for (const litehtml::element::ptr& child : detail::as_tag(shared(el))->children()) {
    auto found = source_.find(child.get());
    if (found == source_.end() || found->second->parent != &parent) continue;
    const element_node* e = as_element(const_cast<node*>(found->second));
    if (!e) continue;
    bool changed = false;
    for (const state_name& s : kStateNames)
      if (bits & s.bit) changed = child->set_pseudo_class(s.name, (e->state & s.bit) != 0) || changed;
    if (changed && (bits & styled_states_)) {
      restyles_.push_back(child);
      restyled = true;
    }
  }
  if (restyled) mark();
}

void renderer::mirror::text_changed(const element_node& e) {
  forget_kept(&e);
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
  } else if (scroll_list* gaining = list_gaining_rows(e)) {
    gaining->stale = true;
  } else {
    litehtml::elements_vector nodes;
    for (const node* child : e.children) build_node(*child, nodes);
    insert_mirror(mirror, mirror_index(mirror, e, 0), nodes);
  }
  touch(shared(el));
  mark();
}

void renderer::mirror::style_changed(const element_node& e) {
  forget_kept(&e);
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  if (is_scroll_box(e, el) != (list_of_box(&e) != nullptr)) {
    rebuilds_.emplace_back(const_cast<element_node*>(&e));
    mark();
  }
}

void renderer::mirror::children_reordered(const element_node& e) {
  forget_kept(&e);
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  litehtml::element::ptr mirror = shared(el);
  if (scroll_list* list = list_of_container(&e)) {
    // The rows laid out are other rows now: lay out again from the scroll
    // position, measuring anew.
    remove_mirror_children(mirror, [](const node*) { return true; });
    list->rows.first = list->rows.last = 0;
    list->rows.heights.forget_all();
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

void renderer::mirror::update_requested(const element_node& e, bool /*render_now*/) {
  litehtml::element* el = build_pending_ ? nullptr : mirror_of(&e);
  if (!el) return;
  touch(shared(el));
  set_dirty();
}

}  // namespace htmlayout::render
