// The production lookup of a job: from a job's file name to its page in the
// production plan. The one entry point of job identification, used by the input
// scanner before a delivery (and when it orders its queue) and by the completion
// reporting of the RIP monitors.
//
// It renames the name with the spooler's expressions, cuts it into a JobIdentity,
// replaces short names by their production names through the alias table, asks the
// plan for the page (once more with the date one year earlier when nothing is found
// and the date was completed from today), writes a trace to the program log, and can
// set the page's external status.
//
// Statements run on the caller's manager, on the caller's thread; nothing is kept
// between calls. A database that cannot be asked is said in the result
// (databaseReached): a job is reported unknown only when the plan was asked and has
// no such page, or when its name cannot be cut or dated.
#pragma once

#include <string>

#include "db/database_mgr.h"
#include "db/name_lists.h"
#include "identify/identify_context.h"
#include "identify/lookup_result.h"

namespace vellora::identify {

// The database side of a lookup: the manager every statement runs on, the program's
// name lists, and the manager asked for publication, section and edition ids instead
// of the lists when NoNameCache is set (nullptr: the lists serve).
struct LookupDatabase {
  db::DatabaseMgr& manager;
  const db::NameLists& names;
  db::DatabaseMgr* nameDb = nullptr;
};

// The status argument of a caller that must write no external status.
constexpr int kNoStatusUpdate = -1;

// Looks the job name up for the spooler (counted from 0). statusArgument: the
// scanner passes UpdateStatus, the completion reporting kNoStatusUpdate; with
// RipUpdateStatus set, a page found gets the external status ExternalStatusFor gives.
// priority: what the result carries unless the page is found (callers pass 50, the
// early lookup the queued job's priority).
LookupResult LookupJob(const LookupDatabase& database, const std::string& name, int spooler,
                       int statusArgument, int priority, const IdentifyContext& context);

// The external status written for a status argument: -1 for a negative argument
// (nothing is written), RipStatusValue for 1, 2 and 4, RipStatusValueError for 3,
// and 0 for 0 and anything above 4.
int ExternalStatusFor(int statusArgument, const core::SettingsStore& settings);

}  // namespace vellora::identify
