// The rule that turns two quick copies into a capture where only the
// clipboard is seen, not the keys (Wayland's data-control): each Ctrl+C sets
// the selection anew, so a double copy is two new selections less than
// 500 ms apart that carry the same text. The second one completes it, and
// the rule then starts afresh: a third copy is a new first one. A selection
// without text (an image, a secret, a cleared clipboard) is forgotten and
// breaks a pair. Times are milliseconds of a steady clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pvl {

class double_selection_rule {
 public:
  static constexpr int64_t kWindowMs = 500;

  // A new selection at `time_ms` with `text` (empty: no text). True when it
  // completes a double copy: then `text` is the one to capture.
  bool on_selection(int64_t time_ms, const std::string& text);

 private:
  std::optional<int64_t> last_time_;
  std::string last_text_;
};

}  // namespace pvl
