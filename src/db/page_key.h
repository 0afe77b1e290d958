// What the job query looks for, and what it finds: the fields of a job's identity
// that the query reads, and the page's numbers it writes back.
#pragma once

#include <cstdint>
#include <string>

namespace vellora::db {

struct PageKey {
  std::string Publication;
  std::string Issue;
  std::string Edition;
  std::string Section;
  std::string PageName;
  std::string Color;
  std::string PlanPageName;
  int64_t PubDate = 0;  // local midnight, seconds since 1970 UTC
  int WeekNumber = 0;
};

struct PageMatch {
  int SeparationSetId = 0;  // the master copy separation set; -1 no row; 0 no query ran
  int PublicationId = 0;
  int Priority = 50;  // written only when a page is found
};

// The colour classes the job query returns.
enum PageClass { kPageUnknown = 0, kPageColor = 1, kPageMono = 2 };

}  // namespace vellora::db
