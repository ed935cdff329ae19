// The behaviours that only forward the mouse (drag sources and drop targets)
// and, for those with a context menu, run the clicked item's action.
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
using htmlayout::dom::element;

// The body: keys only, nothing of its own.
class behavior_body : public behavior {
 public:
  behavior_body() : behavior(group::key, "body") {}
};

// A tag shown on a quote.
class behavior_qtag : public behavior {
 public:
  behavior_qtag() : behavior(group::mouse, "qtag") {}
};

// The bin: a drop target.
class behavior_recycled : public behavior {
 public:
  behavior_recycled() : behavior(group::mouse, "recycled") {}
};

// Forwarding plus the menu item click; other behaviour events are not
// handled.
class menu_owner : public behavior {
 public:
  explicit menu_owner(const char* name) : behavior(group::mouse | group::behavior_event, name) {}
  bool handle_event(const element& he, htmlayout::behavior_event_params& params) override {
    return run_menu_item(he, params);
  }
};

}  // namespace

void behavior_parts::register_plain() {
  static behavior_body body;
  static behavior_qtag qtag;
  static behavior_recycled recycled;
  static menu_owner quote("quote");
  static menu_owner searchbar("searchbar");
}

}  // namespace pvl
