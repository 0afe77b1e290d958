// ISO 8601 week dates and WeekToDate's results and log lines.
#include "identify/job_date.h"

#include <gtest/gtest.h>

#include "identify/identify_fixture.h"
#include "platform/clock.h"

namespace vellora::identify {
namespace {

using testing::LocalDay;
using testing::LocalNoon;
using testing::LogFolder;
using testing::ScopedTimeZone;

std::string Text(const CalendarDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d", d.year, d.month, d.day);
  return buf;
}

TEST(WeekDate, IsoWeeksAndTheirDays) {
  // 53 weeks: the year begins on a Thursday, or on a Wednesday in a leap year.
  for (int year : {1970, 1976, 2004, 2009, 2015, 2020, 2026, 2032}) {
    EXPECT_EQ(IsoWeeksInYear(year), 53) << year;
  }
  for (int year : {1971, 2008, 2016, 2021, 2025, 2027, 2100}) {
    EXPECT_EQ(IsoWeeksInYear(year), 52) << year;
  }
  const struct {
    int year, week, day;
    const char* date;
  } cases[] = {
      {2021, 1, 1, "2021-01-04"},  {2026, 1, 1, "2025-12-29"},  {2027, 1, 1, "2027-01-04"},
      {2027, 23, 1, "2027-06-07"}, {2027, 23, 7, "2027-06-13"}, {2020, 53, 1, "2020-12-28"},
      {2015, 53, 7, "2016-01-03"}, {2024, 9, 4, "2024-02-29"},  {2027, 52, 7, "2028-01-02"},
      {2000, 1, 1, "2000-01-03"},  {3000, 1, 1, "2999-12-30"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(IsoWeekDate(c.year, c.week, c.day)), c.date)
        << c.year << " week " << c.week << " day " << c.day;
  }
  // No such week or day of the week: no date.
  for (auto [week, day] : {std::pair{0, 1},
                           {53, 1},
                           {54, 1},
                           {-3, 1},
                           {1, 0},
                           {1, 8},
                           {2147483647, 1},
                           {1, -2147483647 - 1}}) {
    const CalendarDate d = IsoWeekDate(2027, week, day);
    EXPECT_EQ(d.month, 0) << week << "/" << day;
    EXPECT_EQ(d.day, 0);
  }
}

TEST(WeekDate, WeekToDateReturnsLocalMidnightAndLogs) {
  for (const char* zone : testing::kTestZones) {
    ScopedTimeZone tz(zone);
    LogFolder folder;
    const int64_t now = LocalNoon(2026, 12, 31);
    const int64_t monday = WeekToDate(1, 1, now, folder.logs);
    EXPECT_EQ(LocalDay(monday), "2025-12-29") << zone;
    EXPECT_EQ(platform::ToLocal(monday).hour, 0) << zone;
    EXPECT_EQ(LocalDay(WeekToDate(53, 5, now, folder.logs)), "2027-01-01") << zone;
    EXPECT_EQ(WeekToDate(53, 1, LocalNoon(2027, 1, 1), folder.logs), 0);
    EXPECT_EQ(WeekToDate(10, 0, now, folder.logs), 0);
    EXPECT_EQ(folder.BalancerLines(),
              (std::vector<std::string>{
                  "INFO:  Week number conversion returned 29/12/2025",
                  "INFO:  Week number conversion returned 01/01/2027",
                  "ERROR: Bad week-number to date convertion (week:53, dayofweek=1, year=2027 "
                  "returned day=0, month=0)",
                  "ERROR: Bad week-number to date convertion (week:10, dayofweek=0, year=2026 "
                  "returned day=0, month=0)",
              }))
        << zone;
    EXPECT_TRUE(folder.ProgramLines().empty());
  }
}

}  // namespace
}  // namespace vellora::identify
