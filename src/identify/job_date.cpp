// Date normalisation of job names and ISO 8601 week dates.
#include "identify/job_date.h"

#include <climits>
#include <cstdio>

#include "core/settings_io.h"
#include "identify/text.h"
#include "platform/clock.h"

namespace vellora::identify {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date, and back; plain integer
// arithmetic, so no time zone and no daylight-saving change can move a week day.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CalendarDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CalendarDate c;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
  return c;
}

// 1 Monday .. 7 Sunday.
int IsoWeekday(int64_t days) {
  int64_t w = (days + 3) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

std::string Format2(long long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2lld", v);
  return buf;
}

std::string Format4(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d", v);
  return buf;
}

int Atoi(const std::string& s) {
  return core::AtoiValue(s);
}

bool EmptyOrZero(const std::string& s) {
  return s.empty() || Atoi(s) == 0;
}

// A year given by the name, one year on (a day of January chosen in December).
std::string NextYearText(const std::string& year) {
  const long long v = Atoi(year);
  // A two-digit 99 is 2099 once "20" is put in front; its next year is 2100, not the
  // year 100 that a plain increment would leave for that step.
  if (v == 99) return "2100";
  return Format2(v + 1);
}

}  // namespace

int IsoWeeksInYear(int year) {
  const int jan1 = IsoWeekday(DaysFromCivil(year, 1, 1));
  return jan1 == 4 || (jan1 == 3 && IsLeapYear(year)) ? 53 : 52;
}

CalendarDate IsoWeekDate(int year, int week, int dayOfWeek) {
  CalendarDate none;
  none.year = year;
  if (week < 1 || week > IsoWeeksInYear(year) || dayOfWeek < 1 || dayOfWeek > 7) return none;
  // 4 January always lies in week 1; the week begins on the Monday before it.
  const int64_t jan4 = DaysFromCivil(year, 1, 4);
  const int64_t monday = jan4 - (IsoWeekday(jan4) - 1);
  return CivilFromDays(monday + 7 * static_cast<int64_t>(week - 1) + (dayOfWeek - 1));
}

int64_t WeekToDate(int week, int dayOfWeek, int64_t now, core::LogWriters& logs) {
  const int year = platform::ToLocal(now).year;
  const CalendarDate date = IsoWeekDate(year, week, dayOfWeek);
  std::optional<int64_t> midnight;
  if (date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31) {
    midnight = platform::MakeLocalTime(date.year, date.month, date.day, 0, 0, 0);
  }
  if (!midnight) {
    logs.LogBalancerMessage(
        "ERROR: Bad week-number to date convertion (week:%d, dayofweek=%d, year=%d returned "
        "day=%d, month=%d)",
        week, dayOfWeek, year, date.day, date.month);
    return 0;
  }
  logs.LogBalancerMessage("INFO:  Week number conversion returned %.2d/%.2d/%.4d", date.day,
                          date.month, date.year);
  return *midnight;
}

bool NormaliseJobDate(JobIdentity& identity, const std::string& dateFormat, int dayOfWeek,
                      int64_t now, const std::string& name, core::LogWriters& logs) {
  const std::string& cut = identity.Date;
  if (cut.empty() || dateFormat.empty()) return true;

  const std::string format = AsciiUpper(dateFormat);
  std::string day, month, year, week;
  for (size_t k = 0; k < format.size() && k < cut.size(); ++k) {
    switch (format[k]) {
      case 'D':
        day += cut[k];
        break;
      case 'M':
        month += cut[k];
        break;
      case 'Y':
        year += cut[k];
        break;
      case 'W':
        week += cut[k];
        break;
      default:
        break;
    }
  }
  const platform::LocalTime today = platform::ToLocal(now);

  const bool dayMonthOnly = format == "MMDD" || format == "DDMM";
  if (Atoi(cut) > 0 && (!week.empty() || (dayMonthOnly && cut.rfind("00", 0) == 0))) {
    // "0023" under MMDD cannot be a calendar date: it is week 23.
    identity.WeekNumber = !week.empty() ? Atoi(week) : Atoi(cut);
    const int64_t date = WeekToDate(identity.WeekNumber, dayOfWeek > 0 ? dayOfWeek : 1, now, logs);
    const platform::LocalTime local = platform::ToLocal(date);
    day = Format2(local.day);
    month = Format2(local.month);
    year = Format4(local.year);
  } else {
    if (EmptyOrZero(day)) day = "01";
    if (EmptyOrZero(month)) {
      // Without a month the day is this month's when it has not passed, else next
      // month's.
      if (Atoi(day) >= today.day) {
        month = Format2(today.month);
      } else if (today.month < 12) {
        month = Format2(today.month + 1);
      } else {
        month = "01";
        year = EmptyOrZero(year) ? Format2(today.year + 1LL) : NextYearText(year);
      }
    }
  }
  if (EmptyOrZero(year)) {
    // Without a year the date is its next occurrence, today included.
    const auto endOfDay = platform::MakeLocalTime(today.year, Atoi(month), Atoi(day), 23, 59, 59);
    year = Format2(endOfDay && *endOfDay >= now ? today.year : today.year + 1LL);
  }
  if (Atoi(year) < 100) year = "20" + year;

  identity.Date = month + "/" + day + "/" + year;

  const int y = Atoi(year);
  const auto pub = platform::MakeLocalTime(y, Atoi(month), Atoi(day), 0, 0, 0);
  const auto previous =
      y > INT_MIN ? platform::MakeLocalTime(y - 1, Atoi(month), Atoi(day), 0, 0, 0) : std::nullopt;
  if (!pub || !previous) {
    logs.LogMessage("ERROR: Illegal date format %s-%s-%s in file %s", year.c_str(), month.c_str(),
                    day.c_str(), name.c_str());
    return false;
  }
  identity.PubDate = *pub;
  identity.PreviousYearDate = *previous;
  return true;
}

}  // namespace vellora::identify
