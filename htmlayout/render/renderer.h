// The renderer: lays out, paints and hit-tests one document by mirroring
// into litehtml the part of it that can be seen. The page and every element
// outside scrolling boxes are mirrored whole; inside each scrolling box
// (overflow: auto or scroll) only the rows near its viewport exist in
// litehtml, and two spacers stand in for the rows above and below, sized
// from a cache of measured row heights and an estimate for rows never laid
// out. The rows of a box are the children of the element in it that holds
// a long list (more than kWholeListRows children, a few levels down at
// most), or else of the box itself or, when the box holds a single element
// (a table or a list, as the program's panes do), of that element.
//
// The renderer watches the document: every change reaches the mirror at
// once (only the mirror of what changed is touched), and update() then
// restyles what needs it, brings the rows of each box up to date with its
// scroll position and lays the mirror out, once however many changes came
// before. Every query below calls update() first, so it always answers for
// the document as it is now.
//
// Coordinates are those of the window: the page is laid out at the
// viewport's width with its top left corner at (0, 0).
#pragma once

#include <litehtml/litehtml.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/document_observer.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/painted_areas.h"
#include "htmlayout/render/row_window.h"
#include "htmlayout/render/scroll_box.h"
#include "htmlayout/render/style_sheets.h"
#include "htmlayout/render/viewport_container.h"

namespace htmlayout::render {

class row_spacer;

class renderer : public document_observer {
 public:
  // Mirrors `doc`, painting and measuring through `container`; both must
  // outlive the renderer. The viewport is 800 x 600 until set.
  renderer(document& doc, viewport_container& container);
  ~renderer() override;
  renderer(const renderer&) = delete;
  renderer& operator=(const renderer&) = delete;

  // The window's size. A new width lays the page out again.
  void set_viewport(int width, int height);
  int viewport_width() const { return width_; }
  int viewport_height() const { return height_; }

  // Brings the mirror up to date and lays it out when anything changed since
  // the last update. Cheap when nothing did.
  void update();
  // True when changes wait for update().
  bool needs_update() const { return dirty_ || build_pending_; }
  // `changed` is called when the first change after an update arrives (or
  // the program asks for a redraw), so that a host can schedule update()
  // and a paint. It is called from within the document's change and must
  // not change the document.
  void set_change_callback(std::function<void()> changed) { changed_ = std::move(changed); }

  // Paints the part of the window under `clip` through the container, with
  // `hdc` handed to its drawing calls. (The Qt container paints the mirror
  // document itself: see htmlayout/qt/paint_to_image.h, paint_view().)
  void paint(litehtml::uint_ptr hdc, const litehtml::position& clip);

  // The rectangles of the window painted differently since the last call
  // (joined where they meet): what changed place, look or content, and the
  // elements the program asked to be redrawn.
  std::vector<litehtml::position> take_dirty_rects();

  // ---- Positions ----
  // The deepest element at the point, honouring scroll positions; null
  // outside the page.
  dom::element element_at(int x, int y);
  // The innermost scrolling box under the point that can scroll (its content
  // is taller than it); null when there is none.
  dom::element scroll_box_at(int x, int y);
  // Where the element is, in window coordinates, with the scroll positions
  // of its boxes applied (it may lie outside their visible part). For an
  // element in a row that is not laid out, the row's box, from the height
  // cache. Empty (all zero) for an element that is not displayed or not in
  // the document.
  litehtml::position location(const dom::element& e, box_area area = box_area::border);
  // The part of the element's border box that shows: cut to the visible
  // part of its scrolling boxes and to the window. Empty when none shows.
  litehtml::position visible_area(const dom::element& e);

  // ---- Scrolling boxes ----
  // False when `box` is not a scrolling box (not overflow: auto or scroll,
  // or not displayed). Heights count the padding.
  bool scroll_info(const dom::element& box, scroll_metrics& out);
  // Scrolls `box` so that `y` of its content shows at its top, clamped to the
  // content. False when `box` is not a scrolling box.
  bool set_scroll_pos(const dom::element& box, int y);
  // Scrolls every box around `e` so that it shows, materialising its row
  // first if it is not laid out: the least scrolling that brings the whole
  // element in (its top when it is taller than the box), or its top to the
  // box's top with `to_top`. True when the element then shows.
  bool scroll_to_view(const dom::element& e, bool to_top = false);

  // ---- Popups ----
  // Which elements show as popups, and where, is the input's to say
  // (input::popups()); the renderer lays out and paints the list it is
  // handed last. Each element (usually one its style hides, such as a menu)
  // shows above everything else with the top left corner of its border box
  // at (x, y) of the window, as wide as its style makes it (as its content
  // without a width); hit testing finds it before the page, the last one
  // first. An element that leaves the list is put back as its style has it.
  // False when some element is not displayed by the renderer (not in the
  // document, or in a row that is not laid out): it is left out.
  struct placed_popup {
    dom::element element;
    int x = 0, y = 0;
  };
  bool set_popups(const std::vector<placed_popup>& popups);

  // ---- The mirror as of the last update (for tests, benchmarks and hosts) ----
  const litehtml::document::ptr& mirror_document() const { return mirror_; }
  // The litehtml element that mirrors `e`, or null when `e` is not mirrored.
  litehtml::element::ptr mirror_of(const dom::element& e) const;
  // The element whose children are the rows of the scrolling box `box`;
  // null when `box` is not a scrolling box.
  dom::element row_container(const dom::element& box) const;
  // The rows of the row container `container` that are laid out: [first,
  // last) by position among its children (text included); nullopt when
  // `container` holds no scrolling box's rows.
  std::optional<std::pair<std::size_t, std::size_t>> laid_out_rows(
      const dom::element& container) const;
  // The number of litehtml nodes mirroring document nodes.
  std::size_t mirror_size() const { return source_.size(); }
  // Layouts made so far.
  std::size_t layout_count() const { return layouts_; }

  // Scrolling boxes with at most this many rows are laid out whole.
  static constexpr std::size_t kWholeListRows = 40;
  // A list never has more rows laid out than this.
  static constexpr std::size_t kMaxLaidOutRows = row_window::kMaxRows;

  // document_observer
  void loaded() override;
  void style_sheets_changed() override;
  void inserted(const node& n) override;
  void removing(const node& n) override;
  void attribute_changed(const element_node& e, atom name) override;
  void state_changed(const element_node& e, uint32_t old_state) override;
  void text_changed(const element_node& e) override;
  void style_changed(const element_node& e) override;
  void children_reordered(const element_node& e) override;
  void update_requested(const element_node& e, bool render_now) override;

 private:
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
  void unregister_subtree(const litehtml::element::ptr& el);
  // Removes the children of `parent` that mirror a node `which` accepts.
  void remove_mirror_children(const litehtml::element::ptr& parent,
                              const std::function<bool(const node*)>& which);
  // Where the mirror of the child at `position` of `engine_parent` goes
  // among the children of its mirror `parent`.
  std::size_t mirror_index(const litehtml::element::ptr& parent, const element_node& engine_parent,
                           std::size_t position) const;
  void insert_mirror(const litehtml::element::ptr& parent, std::size_t index,
                     const litehtml::elements_vector& nodes);
  void rebuild_subtree(const element_node& e);
  litehtml::element* mirror_of(const node* n) const;

  // Scrolling boxes and their rows.
  bool is_scroll_box(const element_node& e, const litehtml::element* mirror) const;
  const element_node* find_row_container(const element_node& box) const;
  const element_node* find_long_list(const element_node& box) const;
  // True while the list's row container is still where its rows belong.
  bool holds_rows(const scroll_list& list) const;
  // The list whose box holds `e` above its row container (the box itself
  // included); null when there is none.
  scroll_list* list_above_rows(const element_node* e) const;
  void start_list(scroll_list& list);
  bool wants_window(const scroll_list& list) const;
  void set_window(scroll_list& list, std::size_t first, std::size_t last);
  void materialise(scroll_list& list, std::size_t from, std::size_t to);
  void dematerialise(scroll_list& list, std::size_t from, std::size_t to);
  void add_spacers(scroll_list& list);
  void remove_spacers(scroll_list& list);
  bool plan_window(scroll_list& list);
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
  litehtml::document::ptr mirror_;
  style_sheets sheets_;
  uint32_t styled_states_ = 0;                  // state bits the style sheets ask about
  std::unordered_set<atom> styled_attributes_;  // attributes that can change a style
  int width_ = 800, height_ = 600;

  // Document element -> its mirror, and mirror node -> the document node it
  // mirrors (every word of a text node maps to the text node).
  std::unordered_map<const node*, litehtml::element*> mirror_of_;
  std::unordered_map<const litehtml::element*, const node*> source_;
  std::unordered_map<const node*, std::unique_ptr<scroll_list>> lists_;  // by box
  std::unordered_map<const node*, scroll_list*> containers_;
  // Scroll positions to give back to boxes when they are built again.
  std::vector<std::pair<dom::element, int>> kept_scroll_;
  // Elements to build again at the next update.
  std::vector<dom::element> rebuilds_;

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
};

}  // namespace htmlayout::render
