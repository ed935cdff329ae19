// The date-time text shown with quotes and in the export.
#pragma once

#include <cstdint>
#include <string>

namespace fml {

// Formats seconds since 1970 as local time "Y-M-D  h:m:s" with no leading
// zeros: 2008-3-3  14:7:9. Two spaces separate date and time.
std::string datetime_text(int64_t seconds_since_1970);

}  // namespace fml
