#include "shell/double_selection_rule.h"

namespace pvl {

bool double_selection_rule::on_selection(int64_t time_ms, const std::string& text) {
  bool completes = !text.empty() && last_time_ && time_ms - *last_time_ < kWindowMs &&
                   time_ms >= *last_time_ && text == last_text_;
  if (completes || text.empty()) {
    last_time_.reset();
    last_text_.clear();
  } else {
    last_time_ = time_ms;
    last_text_ = text;
  }
  return completes;
}

}  // namespace pvl
