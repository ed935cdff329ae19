#include "fml/message.h"

#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "fml/datetime.h"

namespace fml {
namespace {

TEST(MessageTest, SystemErrorTextStartsWithTheCodeOfErrno) {
  errno = EACCES;
  std::string text = system_error_text();
  EXPECT_EQ(text.rfind("Error code: 13 ", 0), 0u) << text;
  EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
  // An unknown code still yields a text.
  EXPECT_EQ(system_error_text(99999).rfind("Error code: 99999 ", 0), 0u);
}

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
