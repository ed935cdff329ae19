#include "shell/double_copy_rule.h"

namespace pvl {

double_copy_rule::verdict double_copy_rule::on_copy_key(uint32_t server_time, bool ctrl_down) {
  if (!ctrl_down) return verdict::ignored;
  if (remembered_ && uint32_t(server_time - *remembered_) < kWindowMs) return verdict::capture;
  remembered_ = server_time;
  return verdict::remembered;
}

}  // namespace pvl
