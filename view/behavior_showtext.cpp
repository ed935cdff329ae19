// The control at the foot of a long quote's text: "Show all" opens the card
// to a larger share of the text, "Show less" closes it again. The model
// reads that share from the collection and the view rebuilds the card.
#include "controller/element_ids.h"
#include "model/model_instance.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

using htmlayout::dom::element;
namespace mouse = htmlayout::mouse;

class behavior_showtext : public behavior {
 public:
  behavior_showtext() : behavior(htmlayout::group::mouse, "showtext") {}

  // Never forwards: the control is not a drag source. The card is rebuilt
  // on the release, when nothing more of the click is delivered to it.
  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (p.cmd == mouse::down) return true;
    if (p.cmd != mouse::up) return false;
    const element quote = he.select_parent("div.quote");
    if (!quote) return true;
    model().on_model_event(
        model_events::show_quote_text{parse_element_id(quote), he.get_attribute("show") == L"all"});
    return true;
  }
};

}  // namespace

void behavior_parts::register_showtext() { static behavior_showtext showtext; }

}  // namespace pvl
