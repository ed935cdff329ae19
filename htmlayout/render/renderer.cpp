// The renderer: updating the mirror (restyles, rebuilds, the windows of
// rows, layout, dirty rectangles), answering queries about it, and the
// plain-typed interface of renderer.h over it. Building the mirror is in
// renderer_mirror.cpp, scrolling boxes and their rows in renderer_rows.cpp,
// popups in renderer_popups.cpp.
#include "htmlayout/render/renderer.h"

#include <algorithm>
#include <functional>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/renderer_internal.h"
#include "htmlayout/render/restyle.h"

namespace htmlayout::render {

using detail::depth_of;
using detail::displayed;
using detail::shared;

renderer::mirror::mirror(document& doc, viewport_container& container)
    : doc_(doc), container_(container) {
  container_.set_viewport(width_, height_);
  doc_.add_observer(this);
}

renderer::mirror::~mirror() {
  doc_.remove_observer(this);
  drop_all();
}

void renderer::mirror::set_viewport(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width != width_) width_changed_ = true;
  width_ = width;
  height_ = height;
  container_.set_viewport(width, height);
  dirty_rects_.push_back({0, 0, width_, height_});
  mark();
}

// ---- Updating ----

void renderer::mirror::touch(const litehtml::element::ptr& el) {
  if (el) touched_.push_back(el);
}

void renderer::mirror::flush_restyles() {
  if (restyles_.empty()) return;
  std::unordered_set<const litehtml::element*> pending;
  for (const auto& el : restyles_) pending.insert(el.get());
  std::unordered_set<const litehtml::element*> done;
  const litehtml::element::ptr root = mirror_doc_->root();
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
void renderer::mirror::layout() {
  mirror_doc_->render(width_);
  ++layouts_;
}

std::vector<renderer::mirror::scroll_list*> renderer::mirror::lists_outer_first() const {
  std::vector<std::pair<std::size_t, scroll_list*>> by_depth;
  for (const auto& [box, list] : lists_) by_depth.emplace_back(depth_of(list->box), list.get());
  std::sort(by_depth.begin(), by_depth.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<scroll_list*> out;
  for (const auto& [depth, list] : by_depth) out.push_back(list);
  return out;
}

bool renderer::mirror::still_listed(const scroll_list* list) const {
  for (const auto& [box, held] : lists_)
    if (held.get() == list) return true;
  return false;
}

void renderer::mirror::update() {
  if ((!dirty_ && !build_pending_) || updating_) return;
  updating_ = true;
  struct done_updating {
    bool& flag;
    ~done_updating() { flag = false; }
  } guard{updating_};

  if (build_pending_) build_all();
  if (!mirror_doc_) {
    dirty_ = false;
    return;
  }
  if (width_changed_) {
    width_changed_ = false;
    for (const auto& [box, list] : lists_) list->rows.heights.forget_all();
    layout_needed_ = true;
  }
  // litehtml restyles quickly (losing attribute styles) when a media query
  // starts or stops to apply: style properly after it.
  if (mirror_doc_->media_changed()) {
    restyles_.push_back(mirror_doc_->root());
    kept_rows_.clear();
  }
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
  for (const auto& [box, list] : lists_) list->rows.anchor_top_row();

  // Lay out until no window moves: the last layout must be the one the
  // heights describe, with the rows of what each box shows in it. A window
  // that moved measures other rows, which moves the estimate and the row
  // kept at the top, and so the window again: only the first passes take a
  // new estimate, so that the others settle on what is measured (the rest
  // of a correction waits for the next update).
  constexpr int kPasses = 8, kEstimatingPasses = 2;
  for (int pass = 0; pass < kPasses; ++pass) {
    bool changed = false;
    for (scroll_list* list : lists_outer_first())
      if (still_listed(list)) changed = plan_window(*list) || changed;
    changed = build_mirrored_unbuilt() || changed;
    if (!changed && !layout_needed_) break;
    layout();
    layout_needed_ = false;
    if (correct_popups()) layout_needed_ = true;
    for (const auto& [box, list] : lists_) {
      measure(*list);
      list->rows.follow_measurements(pass < kEstimatingPasses);
      push_scroll(*list);
    }
  }
  for (const auto& [box, list] : lists_) push_scroll(*list);

  painted_areas now;
  now.capture(mirror_doc_->root(), {0, 0, width_, height_});
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

void renderer::mirror::paint(litehtml::uint_ptr hdc, const litehtml::position& clip) {
  update();
  if (mirror_doc_) mirror_doc_->draw(hdc, 0, 0, &clip);
}

std::vector<litehtml::position> renderer::mirror::take_dirty_rects() {
  update();
  std::vector<litehtml::position> clipped;
  for (const auto& r : dirty_rects_) clipped.push_back(intersection(r, {0, 0, width_, height_}));
  dirty_rects_.clear();
  return merge_rectangles(std::move(clipped));
}

dom::element renderer::mirror::element_at(int x, int y) {
  update();
  if (!mirror_doc_) return {};
  for (litehtml::element::ptr at = mirror_doc_->root()->get_element_by_point(x, y, x, y); at;
       at = at->parent()) {
    auto found = source_.find(at.get());
    if (found != source_.end() && found->second->is_element())
      return dom::element(
          const_cast<element_node*>(static_cast<const element_node*>(found->second)));
  }
  return {};
}

dom::element renderer::mirror::scroll_box_at(int x, int y) {
  update();
  if (!mirror_doc_) return {};
  for (litehtml::element::ptr at = mirror_doc_->root()->get_element_by_point(x, y, x, y); at;
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

litehtml::position renderer::mirror::location(const dom::element& e, box_area area) {
  update();
  const element_node* n = e.node();
  if (!n || n->doc != &doc_ || !mirror_doc_) return {};
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

litehtml::position renderer::mirror::visible_area(const dom::element& e) {
  update();
  const element_node* n = e.node();
  if (!n || n->doc != &doc_) return {};
  litehtml::element* el = mirror_of(n);
  return el ? painted_.area_of(el) : litehtml::position();
}

bool renderer::mirror::scroll_info(const dom::element& box, scroll_metrics& out) {
  update();
  scroll_list* list = list_of_box(box.node());
  if (!list || !displayed(list->box_mirror)) return false;
  const scrollable* scrolling = as_scroll_box(shared(list->box_mirror));
  if (!scrolling) return false;
  out = scrolling->metrics();
  return true;
}

bool renderer::mirror::set_scroll_pos(const dom::element& box, int y) {
  update();
  scroll_list* list = list_of_box(box.node());
  if (!list) return false;
  if (list->rows.scroll_y != y) {
    list->rows.scroll_y = y;
    set_dirty();
  }
  return true;
}

bool renderer::mirror::scroll_to_view(const dom::element& e, bool to_top) {
  for (int pass = 0; pass < 4; ++pass) {
    update();
    const element_node* n = e.node();
    if (!n || n->doc != &doc_ || !mirror_doc_) return false;
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
        list->rows.scroll_y = wanted;
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

litehtml::element::ptr renderer::mirror::mirror_of(const dom::element& e) const {
  const element_node* n = e.node();
  return n ? shared(mirror_of(n)) : nullptr;
}

std::optional<std::pair<std::size_t, std::size_t>> renderer::mirror::laid_out_rows(
    const dom::element& container) const {
  const scroll_list* list = list_of_container(container.node());
  if (!list) return std::nullopt;
  return std::make_pair(list->rows.first, list->rows.last);
}

dom::element renderer::mirror::row_container(const dom::element& box) const {
  const scroll_list* list = list_of_box(box.node());
  if (!list || !list->container) return {};
  return dom::element(const_cast<element_node*>(list->container));
}

// ---- The interface: plain types over the mirror ----

namespace {

rect to_rect(const litehtml::position& p) { return {p.x, p.y, p.right(), p.bottom()}; }

}  // namespace

renderer::renderer(document& doc, viewport_container& container)
    : mirror_(std::make_unique<mirror>(doc, container)) {}

renderer::~renderer() = default;

void renderer::set_viewport(int width, int height) { mirror_->set_viewport(width, height); }
void renderer::set_row_margins(bool on) {
  if (on == mirror_->row_margins_) return;
  mirror_->row_margins_ = on;
  mirror_->mark();
}
int renderer::viewport_width() const { return mirror_->width_; }
int renderer::viewport_height() const { return mirror_->height_; }

void renderer::update() { mirror_->update(); }
bool renderer::needs_update() const { return mirror_->dirty_ || mirror_->build_pending_; }
void renderer::set_change_callback(std::function<void()> changed) {
  mirror_->changed_ = std::move(changed);
}

void renderer::paint(std::uintptr_t hdc, const rect& clip) {
  mirror_->paint(hdc, {clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top});
}

std::vector<rect> renderer::take_dirty_rects() {
  std::vector<rect> rects;
  for (const litehtml::position& r : mirror_->take_dirty_rects()) rects.push_back(to_rect(r));
  return rects;
}

dom::element renderer::element_at(int x, int y) { return mirror_->element_at(x, y); }
dom::element renderer::scroll_box_at(int x, int y) { return mirror_->scroll_box_at(x, y); }

rect renderer::location(const dom::element& e, box_area area) {
  return to_rect(mirror_->location(e, area));
}

rect renderer::visible_area(const dom::element& e) { return to_rect(mirror_->visible_area(e)); }

bool renderer::scroll_info(const dom::element& box, scroll_metrics& out) {
  return mirror_->scroll_info(box, out);
}

bool renderer::set_scroll_pos(const dom::element& box, int y) {
  return mirror_->set_scroll_pos(box, y);
}

bool renderer::scroll_to_view(const dom::element& e, bool to_top) {
  return mirror_->scroll_to_view(e, to_top);
}

bool renderer::set_popups(const std::vector<placed_popup>& popups) {
  return mirror_->set_popups(popups);
}

dom::element renderer::row_container(const dom::element& box) const {
  return mirror_->row_container(box);
}

std::optional<std::pair<std::size_t, std::size_t>> renderer::laid_out_rows(
    const dom::element& container) const {
  return mirror_->laid_out_rows(container);
}

std::size_t renderer::mirror_size() const { return mirror_->source_.size(); }
std::size_t renderer::layout_count() const { return mirror_->layouts_; }
std::size_t renderer::built_count() const { return mirror_->built_; }

}  // namespace htmlayout::render
