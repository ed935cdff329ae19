// DragMgr: turns the mouse events of quotes and tags into drags. What may be
// dragged, where it may be dropped and which action a drop runs come from
// the configuration "DragMgr.xml" (drag_config.h) in the program's folder,
// read once. A drop is carried out as named actions of the controller.
//
// States: idle (no source), armed (a source, not dragging) and dragging.
// While a drag runs, the document's body carries the attribute "cursor"
// ("dragquote.cur" for a quote, "dragtag.cur" for anything else), which the
// style sheet turns into the pointer's shape; whenever it changes, the host
// is asked to refresh the pointer where it is.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controller/drag_config.h"
#include "htmlayout/dom/element.h"

namespace pvl {

class pvcontroller;

class DragMgr {
 public:
  // Writes "Initializing DragMgr" to the log "app", reads "DragMgr.xml" from
  // the folder "ParvelaDir" (raising what read_drag_config raises), then
  // writes the count + " interactions loaded" and "Initialized DragMgr." to
  // "app". Drops run their actions through `controller`.
  explicit DragMgr(pvcontroller& controller);

  DragMgr(const DragMgr&) = delete;
  DragMgr& operator=(const DragMgr&) = delete;

  // On a main-button press at (x, y): when the element's class and id are a
  // configured source, arms it there (also over an armed source) and
  // returns true; otherwise returns false and changes nothing.
  bool arm(const htmlayout::dom::element& element, int32_t x, int32_t y);
  // A source is armed and (x, y) is more than 3 pixels from where it was
  // armed, in x or in y.
  bool is_armed_and_moved(int32_t x, int32_t y) const;
  bool is_armed() const { return armed_; }
  bool is_dragging() const { return dragging_; }
  // The armed source; null when idle.
  const htmlayout::dom::element& source() const { return source_; }

  // Starts dragging the armed source: sets the body's "cursor" attribute and
  // refreshes the pointer.
  void start_drag();

  // On a main-button release over `target`. When no drag runs, disarms and
  // returns false. Otherwise looks up the action for the source and the
  // target, and when there is none for the ancestors of the target in turn
  // (those without a class or an id are passed over), and runs the first it
  // finds once for each dragged element, with [dragged element, target]:
  // the dragged elements are the source alone, or, when the source sits in
  // a cell of a table with the attribute "multiple", the first div of every
  // checked row and of the source's row, in row order. Then the drag ends.
  // Returns true when an action ran. A null target, or a target or source
  // without a class or an id, changes nothing and returns false, as does a
  // target that is the document's root and no source's target. What an
  // action raises passes out, and the drag then stays as it was.
  bool drop(const htmlayout::dom::element& target);

  // Back to idle without an action: for a drag whose release was never
  // seen. Removes the cursor and refreshes the pointer if it was dragging.
  void end_drag();

  // The action configured for dropping `source` on `target`; empty when
  // there is none.
  std::wstring action_for(const drag_key& source, const drag_key& target) const;

  // Called whenever the drag cursor is set or removed, so that the host
  // shows the pointer for the element now under it. Empty (the initial
  // state) does nothing.
  void set_pointer_refresh(std::function<void()> refresh);

 private:
  std::vector<htmlayout::dom::element> dragged_elements() const;

  pvcontroller& controller_;
  drag_interactions interactions_;
  htmlayout::dom::element source_;
  bool armed_ = false;
  bool dragging_ = false;
  int32_t armed_x_ = 0;
  int32_t armed_y_ = 0;
  // The body that carries the drag cursor while dragging: kept, since an
  // action may delete the source and with it the way to its document.
  htmlayout::dom::element cursor_body_;
  std::function<void()> refresh_pointer_;
};

}  // namespace pvl
