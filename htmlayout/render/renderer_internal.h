// The renderer's private part: the litehtml mirror of the document and
// everything kept about it (renderer::mirror), and helpers the renderer's
// source files share (renderer.cpp and the renderer_*.cpp beside it) about
// its litehtml nodes. Internal to the renderer; hosts and tests that need
// the mirror itself read it through mirror_access.h.
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/document_observer.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/dom/node.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/painted_areas.h"
#include "htmlayout/render/renderer.h"
#include "htmlayout/render/row_window.h"
#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/style_sheets.h"
#include "htmlayout/render/viewport_container.h"

namespace htmlayout::render {

class row_spacer;

struct renderer::mirror : document_observer {
  mirror(document& doc, viewport_container& container);
  ~mirror() override;
  mirror(const mirror&) = delete;
  mirror& operator=(const mirror&) = delete;

  // What the renderer's interface asks, in litehtml's terms (renderer.h
  // says what each does).
  void set_viewport(int width, int height);
  void update();
  void paint(litehtml::uint_ptr hdc, const litehtml::position& clip);
  std::vector<litehtml::position> take_dirty_rects();
  dom::element element_at(int x, int y);
  dom::element scroll_box_at(int x, int y);
  litehtml::position location(const dom::element& e, box_area area = box_area::border);
  litehtml::position visible_area(const dom::element& e);
  bool scroll_info(const dom::element& box, scroll_metrics& out);
  bool set_scroll_pos(const dom::element& box, int y);
  bool scroll_to_view(const dom::element& e, bool to_top);
  bool set_popups(const std::vector<placed_popup>& popups);
  dom::element row_container(const dom::element& box) const;
  std::optional<std::pair<std::size_t, std::size_t>> laid_out_rows(
      const dom::element& container) const;

  // document_observer
  void loaded() override;
  void style_sheets_changed() override;
  void inserted(const node& n) override;
  void removing(const node& n) override;
  void attribute_changed(const element_node& e, atom name) override;
  void state_changed(const element_node& e, uint32_t old_state) override;
  void children_state_changed(const element_node& parent, uint32_t bits) override;
  void text_changed(const element_node& e) override;
  void style_changed(const element_node& e) override;
  void children_reordered(const element_node& e) override;
  void update_requested(const element_node& e, bool render_now) override;

  // One scrolling box and the rows of its row container.
  struct scroll_list {
    const element_node* box = nullptr;
    litehtml::element* box_mirror = nullptr;
    const element_node* container = nullptr;  // null: to be found again
    litehtml::element* container_mirror = nullptr;
    row_window rows;
    bool stale = false;  // the elements above its rows changed: build it again
    std::shared_ptr<row_spacer> above, below;
  };

  // Building and dropping mirror nodes.
  void build_all();
  void drop_all();
  void read_style_sheets();
  litehtml::element::ptr build_element(const element_node& e);
  void build_node(const node& n, litehtml::elements_vector& out);
  void build_children(const element_node& e, const litehtml::element::ptr& mirror);
  // Forgets the mirror nodes of `el`'s subtree. A row of a list among them
  // is kept (kept_rows_) when `keep_rows` and its node lives on.
  void unregister_subtree(const litehtml::element::ptr& el, bool keep_rows = true);
  // Removes the children of `parent` that mirror a node `which` accepts.
  void remove_mirror_children(const litehtml::element::ptr& parent,
                              const std::function<bool(const node*)>& which,
                              bool keep_rows = true);
  // Where the mirror of the child at `position` of `engine_parent` goes
  // among the children of its mirror `parent`.
  std::size_t mirror_index(const litehtml::element::ptr& parent, const element_node& engine_parent,
                           std::size_t position) const;
  void insert_mirror(const litehtml::element::ptr& parent, std::size_t index,
                     const litehtml::elements_vector& nodes);
  void rebuild_subtree(const element_node& e);

  // Rows kept after they left the mirror. build_row() mirrors a row of a
  // list, with its kept mirror when there is one that still holds; the
  // mirror goes in as a stand-in, styled in its place, and put_back_rows()
  // swaps the kept mirror in after the styling.
  void build_row(const node& row, litehtml::elements_vector& out);
  bool keep_row(const litehtml::element::ptr& el, dom::element row);
  void put_back_rows();
  // Drops the kept row that holds `n` (or is `n`).
  void forget_kept(const node* n);
  // Drops the kept rows styled below `e`, for a change of `e` that a
  // selector of something below it may test.
  void forget_kept_below(const node* e);
  // What an element's children inherit from it, as litehtml reads it when
  // it styles them: a kept row whose new parent gives it other values is
  // styled again.
  std::shared_ptr<const std::string> inherited_style(const litehtml::element::ptr& parent);
  litehtml::element* mirror_of(const node* n) const;
  litehtml::element::ptr mirror_of(const dom::element& e) const;

  // Scrolling boxes and their rows.
  bool is_scroll_box(const element_node& e, const litehtml::element* mirror) const;
  const element_node* find_row_container(const element_node& box) const;
  const element_node* find_long_list(const element_node& box) const;
  // True while the list's row container is still where its rows belong.
  bool holds_rows(const scroll_list& list) const;
  // The list whose box holds `e` above its row container (the box itself
  // included); null when there is none.
  scroll_list* list_above_rows(const element_node* e) const;
  // The list of the box around `e` when `e` now holds enough children to be
  // that box's long list: the box is built again and finds them, rather
  // than every child being mirrored. Null otherwise.
  scroll_list* list_gaining_rows(const element_node& e) const;
  void start_list(scroll_list& list);
  bool wants_window(const scroll_list& list) const;
  void set_window(scroll_list& list, std::size_t first, std::size_t last);
  void materialise(scroll_list& list, std::size_t from, std::size_t to);
  void dematerialise(scroll_list& list, std::size_t from, std::size_t to);
  void add_spacers(scroll_list& list);
  void remove_spacers(scroll_list& list);
  bool plan_window(scroll_list& list);
  // Has the document build the content of the elements mirrored while their
  // content was not built yet (document::set_content_builder); the content
  // comes in through inserted(). True when something was built.
  bool build_mirrored_unbuilt();
  void measure(scroll_list& list);
  void push_scroll(scroll_list& list);
  scroll_list* list_of_box(const element_node* box) const;
  scroll_list* list_of_container(const element_node* container) const;
  std::vector<scroll_list*> lists_outer_first() const;
  bool still_listed(const scroll_list* list) const;
  // The row of a list that `n` is in, when that row is not laid out.
  bool unlaid_row(const node& n, scroll_list*& list, std::size_t& row) const;
  litehtml::position row_box(const scroll_list& list, std::size_t row) const;

  void layout();
  void flush_restyles();
  void place_popups();
  bool correct_popups();
  void set_dirty() {
    if (!dirty_ && changed_) {
      dirty_ = true;
      changed_();
    }
    dirty_ = true;
  }
  void mark() {
    set_dirty();
    layout_needed_ = true;
  }
  void touch(const litehtml::element::ptr& el);

  document& doc_;
  viewport_container& container_;
  litehtml::document::ptr mirror_doc_;
  style_sheets sheets_;
  uint32_t styled_states_ = 0;                  // state bits the style sheets ask about
  std::unordered_set<atom> styled_attributes_;  // attributes that can change a style
  // Attributes and states a selector tests on an element other than the
  // one it styles, with the tag and id that element must have (0, empty:
  // any): their change on such an element may restyle what lies below.
  struct ancestor_test {
    atom attribute = 0;  // 0: a state
    uint32_t states = 0;
    atom tag = 0;
    std::string id;
  };
  std::vector<ancestor_test> ancestor_tests_;
  bool tested_above(const element_node& e, atom attribute, uint32_t states) const;
  int width_ = 800, height_ = 600;
  bool row_margins_ = true;  // renderer::set_row_margins

  // Document element -> its mirror, and mirror node -> the document node it
  // mirrors (every word of a text node maps to the text node).
  std::unordered_map<const node*, litehtml::element*> mirror_of_;
  std::unordered_map<const litehtml::element*, const node*> source_;
  std::unordered_map<const node*, std::unique_ptr<scroll_list>> lists_;  // by box
  std::unordered_map<const node*, scroll_list*> containers_;
  // The rows of lists that are mirrored, held so that their memory outlives
  // a deletion and a row can be told dead when its mirror goes.
  std::unordered_map<const node*, dom::element> mirrored_rows_;
  // Rows whose mirrors left (scrolled out of the window, their list's
  // content exchanged for a shelf's, the list sorted) while their nodes did
  // not change. A row that comes back gets its mirror, styled already,
  // instead of being built and styled anew. Any notice about a node of a
  // kept row drops it, as does a restyle above it or a change of the row's
  // own state or place; at most kKeptRows are kept, the oldest go first.
  struct kept_row {
    dom::element row;
    dom::element container;  // the element the row was styled in
    uint32_t state = 0;               // the row's state when it left
    litehtml::element::ptr mirror;
    std::shared_ptr<const std::string> inherited;  // what its parent gave it
    std::vector<std::pair<litehtml::element*, const node*>> sources;  // mirror node, its source
    uint64_t serial = 0;
  };
  static constexpr std::size_t kKeptRows = 128;
  std::unordered_map<const node*, kept_row> kept_rows_;
  uint64_t kept_serial_ = 0;
  // Stand-ins styled in place of kept rows coming back, and those rows.
  struct stand_in {
    litehtml::element::ptr element, row;
    std::shared_ptr<const std::string> inherited;
  };
  std::vector<stand_in> stand_ins_;
  // The last parent inherited_style() read, and what it read.
  const litehtml::element* inherited_from_ = nullptr;
  std::shared_ptr<const std::string> inherited_;
  // What boxes built again get back: where they were scrolled, and how tall
  // their rows were (what the new rows are taken to be until measured).
  struct kept_list {
    dom::element box;
    int scroll_y = 0;
    int row_height = 0;
  };
  std::vector<kept_list> kept_scroll_;
  void keep_scroll(const scroll_list& list);
  // Elements to build again at the next update.
  std::vector<dom::element> rebuilds_;
  // Elements mirrored while not built yet, to build before the next layout.
  std::vector<dom::element> unbuilt_;

  // The popups last handed over, and those laid out: where they are wanted
  // and how far their containing block puts them from where litehtml's
  // offsets say.
  std::vector<placed_popup> asked_popups_;
  struct popup {
    dom::element element;
    int x = 0, y = 0;
    int shift_x = 0, shift_y = 0;
  };
  std::vector<popup> popups_;
  bool popups_placed_ = false;  // their styles hold the placement

  std::vector<litehtml::element::ptr> restyles_;
  std::vector<litehtml::element::ptr> touched_;
  std::vector<litehtml::position> dirty_rects_;
  painted_areas painted_;
  std::function<void()> changed_;
  bool build_pending_ = true;
  bool dirty_ = false;
  bool layout_needed_ = true;
  bool updating_ = false;
  bool width_changed_ = false;
  std::size_t layouts_ = 0;
  std::size_t built_ = 0;  // elements built
};

}  // namespace htmlayout::render

namespace htmlayout::render::detail {

// True when the element and all its ancestors are displayed.
inline bool displayed(const litehtml::element* el) {
  for (litehtml::element::ptr at = el ? const_cast<litehtml::element*>(el)->shared_from_this()
                                      : nullptr;
       at; at = at->parent()) {
    if (!at->is_visible()) return false;
  }
  return el != nullptr;
}

inline litehtml::element::ptr shared(litehtml::element* el) {
  return el ? el->shared_from_this() : nullptr;
}

// How many elements lead from the root down to `e`, `e` included.
inline std::size_t depth_of(const element_node* e) {
  std::size_t depth = 0;
  for (const element_node* at = e; at; at = at->parent) ++depth;
  return depth;
}

}  // namespace htmlayout::render::detail
