// What the production lookup of a job found out: the page's colour class, where it
// stands in the plan, and whether the database could be asked at all.
#pragma once

#include <string>

namespace vellora::identify {

// The colour classes a lookup returns.
enum LookupClass { kUnknownJob = 0, kColorJob = 1, kMonoJob = 2 };

struct LookupResult {
  int status = kUnknownJob;
  // The master copy separation set: above 0 found, -1 the plan query found no row,
  // 0 no query ran (the name was refused, or the database could not be asked).
  int separationSet = 0;
  int publicationId = 0;
  // "%s-%.4d%.2d%.2d" of the publication and its date, when the page is found.
  std::string archiveKey;
  // The page's priority when found, otherwise what the caller passed in.
  int priority = 50;
  // False when the database could not be asked (not reachable, or a statement of the
  // lookup failed): status 0 is then no verdict on the job, which must not be taken
  // for unknown. True for every other outcome, a name refused before any question
  // included.
  bool databaseReached = true;
};

// The word the trace writes for a class: "unknown", "color" or "mono".
const char* LookupClassWord(int status);

}  // namespace vellora::identify
