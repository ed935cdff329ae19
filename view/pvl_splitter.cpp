// "pvlsplitter": the border between the tag pane and the quote pane. A press
// with the main button marks the splitter "used", keeps where the pointer
// is on it and captures the mouse; each move while it is used moves the
// border by the pointer's movement since then (the splitter moves with the
// border, so its own coordinates measure just that); the release ends the
// drag. Moves of a splitter that is not used do nothing.
#include <cstdint>

#include "htmlayout/dom/behavior.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/input.h"
#include "htmlayout/behaviors/split_panes.h"
#include "view/behavior_parts.h"
#include "view/search_head.h"

namespace pvl {
namespace {

namespace mouse = htmlayout::mouse;
using htmlayout::dom::element;

class pvl_splitter : public htmlayout::behavior {
 public:
  pvl_splitter() : behavior(htmlayout::group::mouse, "pvlsplitter") {}

  bool on_mouse(const element& he, const element&, uint32_t event_type, int x, int y,
                uint32_t buttons, uint32_t) override {
    if (buttons != mouse::main_button) return false;
    switch (event_type) {
      case mouse::up:
        he.remove_attribute("used");
        htmlayout::release_capture(he);
        return true;
      case mouse::down:
        if (!htmlayout::has_panes(he)) return false;
        he.set_attribute("used", L"");
        drag_anchor = htmlayout::split_coordinate(he, {x, y});
        htmlayout::set_capture(he);
        return true;
      case mouse::move: {
        if (!he.has_attribute("used")) return false;
        // A drag whose capture the engine took away (the window lost the
        // pointer) ended without a release.
        const htmlayout::input* side = htmlayout::input::of(he);
        if (side && side->capture() != he) {
          he.remove_attribute("used");
          return false;
        }
        const int position = htmlayout::split_coordinate(he, {x, y});
        if (position != drag_anchor && htmlayout::move_split(he, position - drag_anchor))
          fit_search_head(he);  // the search bar's tags wrap anew
        return true;
      }
    }
    return false;
  }

  // Where the pointer was on the splitter at the press; one object serves
  // every splitter, and one drag runs at a time.
  int32_t drag_anchor = 0;
};

}  // namespace

void behavior_parts::register_splitter() { static pvl_splitter splitter; }

}  // namespace pvl
