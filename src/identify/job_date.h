// The date of a job name: the date field cut from the name, read through the
// spooler's date format ("DDMMYY", "YYYYMMDD", "WW", ...) and resolved into a local
// calendar date. A missing day is the 1st; a missing month or year is the next
// occurrence of what the name does give, today included; week numbers are ISO 8601
// weeks of the current year.
#pragma once

#include <cstdint>
#include <string>

#include "core/logs.h"
#include "identify/job_identity.h"

namespace vellora::identify {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1..12, 0 when there is no such date
  int day = 0;    // 1..31, 0 when there is no such date
};

// The ISO 8601 week count of a year: 53 when it begins on a Thursday, or on a
// Wednesday in a leap year; otherwise 52.
int IsoWeeksInYear(int year);
// Day dayOfWeek (1 Monday .. 7 Sunday) of ISO week `week` of `year`. The date may lie
// in the year before (week 1) or after (the last week). Day and month are 0 when the
// week is not a week of that year or the day not a day of the week.
CalendarDate IsoWeekDate(int year, int week, int dayOfWeek);

// The date of day dayOfWeek of week `week` of the current year (the year of `now`),
// as local midnight. Writes the INFO line on success; on a week or day that names no
// date, or a date that does not convert, writes the ERROR line and returns 0.
int64_t WeekToDate(int week, int dayOfWeek, int64_t now, core::LogWriters& logs);

// Resolves identity.Date with the date format: sets Date to "MM/DD/YYYY", WeekNumber,
// PubDate and PreviousYearDate. Does nothing when Date or the format is empty. False,
// with the illegal-date line in the program log, when the date does not convert (then
// PubDate and PreviousYearDate keep their values). `name` is the job name, for the log.
bool NormaliseJobDate(JobIdentity& identity, const std::string& dateFormat, int dayOfWeek,
                      int64_t now, const std::string& name, core::LogWriters& logs);

}  // namespace vellora::identify
