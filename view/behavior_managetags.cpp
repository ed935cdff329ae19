// The manage-tags button of a quote opens the popup menu of all tags with
// the quote's tags checked; checking or unchecking an item there marks or
// unmarks the quote.
#include <cwchar>
#include <string>

#include "controller/element_ids.h"
#include "model/model_instance.h"
#include "view/behavior_host.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {

using htmlayout::dom::element;
namespace state = htmlayout::state;

void prepare_popup(const element& popup, const element& quote) {
  popup.select_all("li:checked", [](const element& item) {
    item.set_state(0, state::checked);
    return false;
  });
  const int32_t quote_id = parse_element_id(quote);
  if (std::optional<Quote> stored = model().quote(quote_id)) {
    for (const Tag& tag : stored->m_tags) {
      element item = popup.select_first("#mtmcheck-" + std::to_string(tag.m_id));
      if (item) item.set_state(state::checked);
    }
  }
  popup.set_attribute("qid", std::to_wstring(quote_id));
}

namespace {

namespace group = htmlayout::group;
namespace mouse = htmlayout::mouse;

// Where the popup opens relative to the button: below it.
constexpr int kPopupPlacement = 2;

class behavior_managetags : public behavior {
 public:
  behavior_managetags() : behavior(group::mouse | group::behavior_event, "managetags") {}

  // Never forwards: the button is not a drag source.
  bool on_mouse_event(const element& he, const htmlayout::mouse_params& p) override {
    if (p.cmd == mouse::up) return true;
    if (p.cmd != mouse::down) return false;
    // The quote is looked for by class rather than at a fixed depth, so the
    // button may sit at any depth inside its quote.
    element quote = he.select_parent("div.quote");
    element popup = he.root().select_first("#manage-tags");
    if (!quote || !popup) return true;
    prepare_popup(popup, quote);
    if (host().show_popup) host().show_popup(popup, he, kPopupPlacement);
    if (element first = popup.child(0)) first.set_state(state::focus);
    return true;
  }
};

class behavior_mmenu : public behavior {
 public:
  behavior_mmenu() : behavior(group::behavior_event, "manage-menu") {}

  bool on_event(const element& he, const element& target, uint32_t event, uintptr_t) override {
    if (event != htmlayout::event::button_state_changed) return false;
    quote_tag_ids mark;
    mark.quote = static_cast<int32_t>(
        std::wcstol(he.get_attribute("qid").value_or(L"").c_str(), nullptr, 10));
    mark.tag = parse_element_id(target);
    const bool checked = (target.get_state() & state::checked) != 0;
    if (checked) {
      model().on_model_event(model_events::mark_quote{mark});
    } else {
      model().on_model_event(model_events::delete_mark{mark});
    }
    return true;
  }
};

}  // namespace

void behavior_parts::register_managetags() {
  static behavior_managetags managetags;
  static behavior_mmenu mmenu;
}

}  // namespace pvl
