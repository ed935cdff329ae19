// The smallest window the main page is laid out for: from this size up to a
// full screen every part of the page shows and can be used.
#pragma once

namespace pvl {

inline constexpr int kMinimumPageWidth = 640;
inline constexpr int kMinimumPageHeight = 420;

}  // namespace pvl
