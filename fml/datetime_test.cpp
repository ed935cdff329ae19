#include "fml/datetime.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace fml {
namespace {

TEST(DatetimeTest, WritesLocalTimeWithoutLeadingZeros) {
  setenv("TZ", "UTC", 1);
  tzset();
  // 2008-03-03 14:07:09 UTC.
  EXPECT_EQ(datetime_text(1204553229), "2008-3-3  14:7:9");
  EXPECT_EQ(datetime_text(0), "1970-1-1  0:0:0");
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  EXPECT_EQ(datetime_text(1204553229), "2008-3-3  15:7:9");
  unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace fml
