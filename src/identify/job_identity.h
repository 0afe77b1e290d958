// The identification of one job file: what its name says (publication, date, edition,
// section, page, ...) and, once the production lookup has run, where the page stands
// in the production plan.
#pragma once

#include <cstdint>
#include <string>

namespace vellora::identify {

// 1 January 1975 00:00:00 local time: the publication date of a job whose name
// carries no date.
int64_t DefaultJobDate();

struct JobIdentity {
  // Filled from the name (and the spooler's defaults); the lookup may replace the
  // first five with their production names.
  std::string Publication;
  std::string Edition;
  std::string Section;
  std::string Issue;
  std::string LocationGroup;
  std::string Color;
  std::string PageName;  // leading "0" characters removed
  std::string PlanPageName;
  std::string Date;                             // as cut, or "MM/DD/YYYY" once normalised
  int WeekNumber = 0;                           // the week when the date is a week number
  int64_t PubDate = DefaultJobDate();           // local midnight, seconds since 1970 UTC
  int64_t PreviousYearDate = DefaultJobDate();  // the same day one year earlier

  // Filled by the production lookup.
  int SeparationSetId = 0;  // above 0 found, -1 not in the plan, 0 no query ran
  int PublicationId = 0;
  int Priority = 50;
  int LookupStatus = 0;  // 0 unknown, 1 colour page, 2 monochrome page
  std::string ArchiveKey;
};

}  // namespace vellora::identify
