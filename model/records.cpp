#include "model/records.h"

#include <ctime>

namespace pvl {

int64_t current_stamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&local));
}

}  // namespace pvl
