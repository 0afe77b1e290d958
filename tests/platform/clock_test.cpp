// The local-time conversion with mktime semantics and its bounds.
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace vellora::platform {
namespace {

TEST(Clock, LocalConversionRollsOverAndRejectsOutOfRange) {
  auto feb31 = MakeLocalTime(2005, 2, 31, 0, 0, 0);
  ASSERT_TRUE(feb31.has_value());
  LocalTime t = ToLocal(*feb31);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 3);  // 2005 is no leap year
  auto dec32 = MakeLocalTime(2005, 12, 32, 0, 0, 0);
  ASSERT_TRUE(dec32.has_value());
  EXPECT_EQ(ToLocal(*dec32).year, 2006);
  EXPECT_FALSE(MakeLocalTime(205, 1, 31, 0, 0, 0).has_value());
  EXPECT_FALSE(MakeLocalTime(1969, 6, 1, 0, 0, 0).has_value());
  EXPECT_FALSE(MakeLocalTime(3001, 1, 1, 0, 0, 0).has_value());
  EXPECT_TRUE(MakeLocalTime(3000, 12, 31, 0, 0, 0).has_value());
  auto d1975 = MakeLocalTime(1975, 1, 1, 0, 0, 0);
  ASSERT_TRUE(d1975.has_value());
  LocalTime back = ToLocal(*d1975);
  EXPECT_EQ(back.year, 1975);
  EXPECT_EQ(back.hour, 0);
}

}  // namespace
}  // namespace vellora::platform
