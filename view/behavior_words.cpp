// The word search field ("wordfield"): the `div` "#words" inside it is
// edited in place by the engine (its table always carries "editable"). Each
// key that reaches the field posts an event to it; when the event arrives
// the edit has been made, and the field's text goes to the model as the
// search words, which narrow the quote list as the user types (the model
// ignores words it already has, so keys that only move the caret cost
// nothing). Escape empties a field that holds text; in an empty field it goes
// on up to the page, which hides the window. A press on the hint shown over
// the empty field puts the focus into it.
#include <string>

#include "fml/text.h"
#include "htmlayout/dom/events.h"
#include "htmlayout/input/controls.h"
#include "htmlayout/input/keys.h"
#include "model/model_instance.h"
#include "view/behavior_parts.h"
#include "view/behaviors.h"

namespace pvl {
namespace {

namespace group = htmlayout::group;
using htmlayout::dom::element;

// Posted to the field by each key that reaches it, handled after the edit.
constexpr uint32_t kWordsEdited = 0x120;

element words_of(const element& field) { return field.select_first("#words"); }

// Sends the field's text as the search words and shows the hint when it is
// empty.
void send_words(const element& field, const element& words) {
  const std::wstring text = words.text();
  if (text.empty())
    field.set_attribute("is_empty", L"");
  else
    field.remove_attribute("is_empty");
  field.update();
  const std::string utf8 = fml::wchar2utf8(text);
  model().on_model_event(model_events::set_search_words{utf8});
}

class behavior_wordfield : public htmlayout::behavior {
 public:
  behavior_wordfield()
      : htmlayout::behavior(group::mouse | group::key | group::behavior_event, "wordfield") {}

  bool on_key(const element& he, const element&, uint32_t event, uint32_t code,
              uint32_t) override {
    const element words = words_of(he);
    if (!words) return false;
    if (event & htmlayout::sinking) {
      const uint32_t kind = event & ~htmlayout::sinking;
      if (kind == htmlayout::key::down || kind == htmlayout::key::chars)
        he.post_event(kWordsEdited, he);
      return false;
    }
    if (event != htmlayout::key::down || code != htmlayout::vk::escape) return false;
    if (words.text().empty()) return false;
    words.set_text(L"");
    send_words(he, words);
    return true;
  }

  bool on_mouse(const element& he, const element& target, uint32_t event, int, int, uint32_t,
                uint32_t) override {
    if (event != htmlayout::mouse::down) return false;
    const element words = words_of(he);
    if (!words || htmlayout::is_within(target, words)) return false;
    words.set_state(htmlayout::state::focus);
    return true;
  }

  bool on_event(const element& he, const element&, uint32_t code, uintptr_t) override {
    if (code != kWordsEdited) return false;
    if (const element words = words_of(he)) send_words(he, words);
    return true;
  }
};

}  // namespace

namespace behavior_parts {

void register_words() { static behavior_wordfield wordfield; }

}  // namespace behavior_parts
}  // namespace pvl
