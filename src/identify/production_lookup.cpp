// The production lookup of a job and its trace in the program log.
#include "identify/production_lookup.h"

#include <cstdio>

#include "db/page_key.h"
#include "identify/job_name.h"
#include "identify/regex_renaming.h"
#include "platform/clock.h"

namespace vellora::identify {
namespace {

// "[%H:%M:%S] " of the local time now.
std::string TracePrefix() {
  const platform::LocalTime t = platform::NowLocal();
  char buf[32];
  std::snprintf(buf, sizeof buf, "[%.2d:%.2d:%.2d] ", t.hour, t.minute, t.second);
  return buf;
}

// "%s-%.4d%.2d%.2d" of the publication and the local date of pubDate.
std::string ArchiveKey(const std::string& publication, int64_t pubDate) {
  const platform::LocalTime d = platform::ToLocal(pubDate);
  char date[32];
  std::snprintf(date, sizeof date, "-%.4d%.2d%.2d", d.year, d.month, d.day);
  return publication + date;
}

db::PageKey KeyOf(const JobIdentity& id) {
  db::PageKey key;
  key.Publication = id.Publication;
  key.Issue = id.Issue;
  key.Edition = id.Edition;
  key.Section = id.Section;
  key.PageName = id.PageName;
  key.Color = id.Color;
  key.PlanPageName = id.PlanPageName;
  key.PubDate = id.PubDate;
  key.WeekNumber = id.WeekNumber;
  return key;
}

// The plan query; false when it could not be asked (the error text says why), which
// includes a name manager that failed to turn a name into its id.
bool AskPlan(const LookupDatabase& database, const db::PageKey& key, const IdentifyContext& context,
             int& status, db::PageMatch& match, std::string& error) {
  const db::NameLookup names(database.names.Get(), database.nameDb,
                             context.settings.NoNameCache != 0);
  status = database.manager.FindPage(key, names, context.settings.DateFormat, match, error);
  if (!error.empty()) return false;
  if (names.NameDbFailed()) {
    error = "the name database did not answer";
    return false;
  }
  return true;
}

}  // namespace

const char* LookupClassWord(int status) {
  switch (status) {
    case kColorJob:
      return "color";
    case kMonoJob:
      return "mono";
    default:
      return "unknown";
  }
}

int ExternalStatusFor(int statusArgument, const core::SettingsStore& settings) {
  if (statusArgument < 0) return -1;
  if (statusArgument == 1 || statusArgument == 2 || statusArgument == 4)
    return settings.RipStatusValue;
  if (statusArgument == 3) return settings.RipStatusValueError;
  return 0;
}

LookupResult LookupJob(const LookupDatabase& database, const std::string& jobName, int spooler,
                       int statusArgument, int priority, const IdentifyContext& context) {
  LookupResult result;
  result.priority = priority;
  core::LogWriters& logs = context.logs;
  const core::Spooler& sp = SpoolerAt(context.settings, spooler);
  if (jobName.empty() || sp.NameConv.empty()) {
    logs.LogMessage("Looking up job: ERROR - jobname empty or naming convension not defined\r\n");
    return result;
  }

  // From here on every step and every trace line uses the renamed name.
  const std::string name = ApplyRegexRenaming(jobName, spooler, context).name;
  JobIdentity id;
  if (!ParseJobName(name, spooler, id, context)) return result;

  // A field without an alias keeps its value; an empty one stays empty.
  const std::pair<const char*, std::string*> aliases[] = {
      {"Publication", &id.Publication},
      {"Section", &id.Section},
      {"Edition", &id.Edition},
      {"Issue", &id.Issue},
      {"Color", &id.Color},
  };
  std::string failure;
  for (const auto& [type, field] : aliases) {
    std::string error;
    *field = database.manager.ResolveAlias(type, *field, error);
    if (!error.empty() && failure.empty()) failure = error;
  }

  const std::string prefix = TracePrefix();
  if (!failure.empty()) {
    // The fields the aliases emptied would ask the plan for another page, or for
    // none: whether this job is in the plan is not known.
    logs.LogMessage(
        "%sLooking up job (%s): ERROR - database not reachable, job not identified "
        "(%s)\r\n",
        prefix.c_str(), name.c_str(), failure.c_str());
    result.databaseReached = false;
    return result;
  }
  if (id.PlanPageName.empty() && id.Publication.empty()) {
    logs.LogMessage("%sLooking up job (%s): ERROR - Pagename or Publication empty\r\n",
                    prefix.c_str(), name.c_str());
    return result;
  }
  logs.LogMessage(
      "%sLooking up job (%s): Publication=%s, Issue=%s, Edition=%s, Section=%s, Date=%s, "
      "PageName=%s, PlanPageName=%s, Color=%s, WeekNumber=%d\r\n",
      prefix.c_str(), name.c_str(), id.Publication.c_str(), id.Issue.c_str(), id.Edition.c_str(),
      id.Section.c_str(), id.Date.c_str(), id.PageName.c_str(), id.PlanPageName.c_str(),
      id.Color.c_str(), id.WeekNumber);

  db::PageKey key = KeyOf(id);
  db::PageMatch match;
  int status = kUnknownJob;
  std::string error;
  bool asked = AskPlan(database, key, context, status, match, error);
  if (asked && match.SeparationSetId > 0)
    result.archiveKey = ArchiveKey(id.Publication, id.PubDate);

  if (asked && match.SeparationSetId <= 0 && id.PubDate != id.PreviousYearDate) {
    const platform::LocalTime first = platform::ToLocal(id.PubDate);
    const platform::LocalTime earlier = platform::ToLocal(id.PreviousYearDate);
    logs.LogMessage("No hit on pubdate %.2d.%.2d.%.2d - trying %.2d.%.2d.%.2d", first.day,
                    first.month, first.year, earlier.day, earlier.month, earlier.year);
    key.PubDate = id.PreviousYearDate;
    match = db::PageMatch{};
    asked = AskPlan(database, key, context, status, match, error);
    // The key keeps the date of the name, also for a page found a year earlier.
    if (asked && match.SeparationSetId > 0)
      result.archiveKey = ArchiveKey(id.Publication, id.PubDate);
  }
  if (!asked) {
    // A question that failed is no answer: the page may well be in the plan.
    logs.LogMessage(
        "%sLooking up job (%s): ERROR - database not reachable, job not identified "
        "(%s)\r\n",
        prefix.c_str(), name.c_str(), error.c_str());
    result.archiveKey.clear();
    result.databaseReached = false;
    return result;
  }

  const int set = match.SeparationSetId;
  result.status = status;
  result.separationSet = set;
  result.publicationId = match.PublicationId;
  if (set > 0) result.priority = match.Priority;
  logs.LogMessage("%s Job is %s page (mastercopyseparationset %d - PublicationID %d)\r\n",
                  prefix.c_str(), LookupClassWord(status), set, match.PublicationId);

  if (status != kUnknownJob && context.settings.RipUpdateStatus != 0 && statusArgument >= 0) {
    // Its outcome is not checked: the job goes on whether or not the plan is marked.
    std::string ignored;
    database.manager.SetExternalStatus(set, ExternalStatusFor(statusArgument, context.settings),
                                       ignored);
  }
  return result;
}

}  // namespace vellora::identify
