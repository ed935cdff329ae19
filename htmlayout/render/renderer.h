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
//
// The interface speaks in plain types (htmlayout::rect, box_area,
// scroll_metrics); the litehtml mirror itself is private (renderer_internal.h)
// and shown only to the hosts that paint it, through mirror_access.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "htmlayout/dom/document.h"
#include "htmlayout/dom/element.h"
#include "htmlayout/dom/event_params.h"
#include "htmlayout/render/box_area.h"
#include "htmlayout/render/row_window.h"
#include "htmlayout/render/scroll_metrics.h"

namespace htmlayout::render {

class viewport_container;

class renderer {
 public:
  // Mirrors `doc`, painting and measuring through `container`; both must
  // outlive the renderer. The viewport is 800 x 600 until set.
  renderer(document& doc, viewport_container& container);
  ~renderer();
  renderer(const renderer&) = delete;
  renderer& operator=(const renderer&) = delete;

  // The window's size. A new width lays the page out again.
  void set_viewport(int width, int height);
  // Whether each scrolling box also lays out the rows within half its height
  // above and below what shows, so that scrolling finds them built (on at
  // first). A host turns it off until its first paint, so that a long list
  // shows as soon as its visible rows are laid out.
  void set_row_margins(bool on);
  int viewport_width() const;
  int viewport_height() const;

  // Brings the mirror up to date and lays it out when anything changed since
  // the last update. Cheap when nothing did.
  void update();
  // True when changes wait for update().
  bool needs_update() const;
  // `changed` is called when the first change after an update arrives (or
  // the program asks for a redraw), so that a host can schedule update()
  // and a paint. It is called from within the document's change and must
  // not change the document.
  void set_change_callback(std::function<void()> changed);

  // Paints the part of the window under `clip` through the container, with
  // `hdc` handed to its drawing calls. (The Qt container paints the mirror
  // document itself: see htmlayout/qt/paint_to_image.h, paint_view().)
  void paint(std::uintptr_t hdc, const rect& clip);

  // The rectangles of the window painted differently since the last call
  // (joined where they meet): what changed place, look or content, and the
  // elements the program asked to be redrawn.
  std::vector<rect> take_dirty_rects();

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
  rect location(const dom::element& e, box_area area = box_area::border);
  // The part of the element's border box that shows: cut to the visible
  // part of its scrolling boxes and to the window. Empty (all zero) when
  // none shows.
  rect visible_area(const dom::element& e);

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
  // The element whose children are the rows of the scrolling box `box`;
  // null when `box` is not a scrolling box.
  dom::element row_container(const dom::element& box) const;
  // The rows of the row container `container` that are laid out: [first,
  // last) by position among its children (text included); nullopt when
  // `container` holds no scrolling box's rows.
  std::optional<std::pair<std::size_t, std::size_t>> laid_out_rows(
      const dom::element& container) const;
  // The number of litehtml nodes mirroring document nodes.
  std::size_t mirror_size() const;
  // Layouts made so far.
  std::size_t layout_count() const;
  // Elements mirrored so far (built or styled anew), a cost that tests keep low.
  std::size_t built_count() const;

  // Scrolling boxes with at most this many rows are laid out whole.
  static constexpr std::size_t kWholeListRows = 40;
  // A list never has more rows laid out than this.
  static constexpr std::size_t kMaxLaidOutRows = row_window::kMaxRows;

  // The litehtml mirror and everything the renderer keeps about it, defined
  // in renderer_internal.h; read through mirror_access.h.
  struct mirror;
  const mirror& internals() const { return *mirror_; }

 private:
  std::unique_ptr<mirror> mirror_;
};

}  // namespace htmlayout::render
