#include "fml/datetime.h"

#include <ctime>

namespace fml {

std::string datetime_text(int64_t seconds_since_1970) {
  std::time_t time = static_cast<std::time_t>(seconds_since_1970);
  std::tm local{};
  if (!localtime_r(&time, &local)) return {};
  return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
         std::to_string(local.tm_mday) + "  " + std::to_string(local.tm_hour) + ":" +
         std::to_string(local.tm_min) + ":" + std::to_string(local.tm_sec);
}

}  // namespace fml
