// The word search field ("wordfield"): the `div` "#words" inside it is
// edited in place by the engine (its table always carries "editable"). Each
// key that reaches the field posts an event to it; when the event arrives
// the edit has been made, and the field's text goes to the model as the
// search words, which narrow the quote list as the user types (the model
// ignores words it already has, so keys that only move the caret cost
// nothing). Escape empties a field that holds text; in an empty field it goes
// on up to the page, which hides the window. A press on the hint shown over
// the empty field puts the focus into it.
//
// Ctrl+Z in the field takes back its last change, as in any text field:
// a run of typed characters goes word by word (a typed space starts a new
// step), every other change (Backspace, Delete, a cut or a paste, Escape,
// the search bar's Clear) goes alone. It never reaches the page, whose
// Ctrl+Z gives back deleted quotes.
#include <string>
#include <unordered_map>
#include <vector>

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

// The changes of one field that Ctrl+Z can take back, the last
// kUndoSteps of them.
constexpr size_t kUndoSteps = 100;
struct field_history {
  std::vector<std::wstring> steps;  // the text before each step, the last step last
  std::wstring shown;               // the text after the last change seen
  std::wstring before;              // the text when the keys now handled arrived
  bool keys_pending = false;        // keys arrived since the last edit was seen
  bool typed = false;               // those keys are typed characters only
  bool word_start = false;          // a typed space among them
  bool typing = false;              // the last step is a run of typed characters
};

class behavior_wordfield : public htmlayout::behavior {
 public:
  behavior_wordfield()
      : htmlayout::behavior(group::mouse | group::key | group::behavior_event, "wordfield") {}

  void attached(const element& he) override { histories_.erase(he.node()); }
  void detached(const element& he) override { histories_.erase(he.node()); }

  bool on_key(const element& he, const element&, uint32_t event, uint32_t code,
              uint32_t keys) override {
    const element words = words_of(he);
    if (!words) return false;
    if (event & htmlayout::sinking) {
      const uint32_t kind = event & ~htmlayout::sinking;
      if (kind != htmlayout::key::down && kind != htmlayout::key::chars) return false;
      field_history& history = histories_[he.node()];
      see_outside_change(history, words.text());
      if (kind == htmlayout::key::down && code == htmlayout::vk::key_z &&
          (keys & htmlayout::keyboard::control)) {
        undo(he, words, history);
        return true;
      }
      if (!history.keys_pending) {
        history.keys_pending = true;
        history.before = history.shown;
        history.typed = true;
        history.word_start = false;
      }
      // The key down of a typed character changes nothing; its character does.
      const bool control = keys & htmlayout::keyboard::control;
      if (kind == htmlayout::key::chars) {
        history.typed = history.typed && !control;
        history.word_start = history.word_start || code == L' ';
      } else if (code != htmlayout::vk::shift && code != htmlayout::vk::control &&
                 code != htmlayout::vk::alt && (control || code < htmlayout::vk::key_0)) {
        history.typed = false;  // an editing key, or a move of the caret
      }
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
    const element words = words_of(he);
    if (!words) return true;
    field_history& history = histories_[he.node()];
    const std::wstring text = words.text();
    if (history.keys_pending && text != history.before) {
      const bool joins = history.typed && history.typing && !history.word_start;
      if (!joins) push_step(history, history.before);
      history.typing = history.typed;
    } else if (history.keys_pending && !history.typed) {
      history.typing = false;  // the caret moved: the next characters start a step
    }
    history.keys_pending = false;
    history.shown = text;
    send_words(he, words);
    return true;
  }

 private:
  static void push_step(field_history& history, const std::wstring& before) {
    if (history.steps.size() == kUndoSteps) history.steps.erase(history.steps.begin());
    history.steps.push_back(before);
  }

  // A change made from outside (the search bar's Clear) is a step of its own.
  static void see_outside_change(field_history& history, const std::wstring& text) {
    if (history.keys_pending || text == history.shown) return;
    push_step(history, history.shown);
    history.shown = text;
    history.typing = false;
  }

  static void undo(const element& he, const element& words, field_history& history) {
    if (history.steps.empty()) return;
    history.shown = std::move(history.steps.back());
    history.steps.pop_back();
    history.typing = false;
    words.set_text(history.shown);
    send_words(he, words);
  }

  std::unordered_map<const void*, field_history> histories_;
};

}  // namespace

namespace behavior_parts {

void register_words() { static behavior_wordfield wordfield; }

}  // namespace behavior_parts
}  // namespace pvl
