#include "shell/double_copy_rule.h"

namespace pvl {

bool double_copy_rule::is_copy_press(const press& p) {
  if (!p.ctrl) return false;
  if (p.key == copy_key::insert) return true;
  return !p.in_terminal || p.shift;
}

double_copy_rule::verdict double_copy_rule::on_copy_key(const press& p) {
  if (!is_copy_press(p)) return verdict::ignored;
  if (remembered_ && uint32_t(p.server_time - *remembered_) < kWindowMs) return verdict::capture;
  remembered_ = p.server_time;
  return verdict::remembered;
}

}  // namespace pvl
