// The RIP tracking's services on the production database and the operator mail:
// each RIP monitor's own database manager (its process reports, the log entries of
// its finished jobs and the status of their pages), the operator's start and stop
// reported on the main manager, and the mails about failed and warned jobs.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/runtime.h"
#include "db/database_mgr.h"
#include "db/name_lists.h"
#include "engine/operator_mail.h"
#include "riptrack/rip_services.h"

namespace vellora::engine {

// The production lookup of a job, run on the manager given (a RIP's own) with the
// naming and lookup settings of the spooler index given and the status argument (-1
// writes no status). Returns the colour class (0 unknown, 1 colour, 2 mono) and writes
// the separation set as the lookup does: above 0 when found, -1 when the plan has no
// such page, left as it was (the caller starts it at 0) when the lookup stopped early.
using RipJobLookup = std::function<int(db::DatabaseMgr& manager, const std::string& name,
                                       int spooler, int statusArgument, int& separationSet)>;

// The production lookup of the program (identify::LookupJob) as the RIP side runs it:
// with the program's name lists and, for NoNameCache, its name manager (nullptr: the
// lists serve), the settings as they are at each call, and the trace in the program
// log.
RipJobLookup ProductionRipLookup(core::SharedState& shared, const db::NameLists& names,
                                 db::DatabaseMgr* nameDb);

class ProductionRipServices final : public riptrack::RipServices {
 public:
  // mainDb: the main manager (shared with the scanner; it takes one statement at a
  // time). timeouts: those of the monitors' own managers.
  ProductionRipServices(core::SharedState& shared, db::DatabaseMgr& mainDb, OperatorMail& mail,
                        RipJobLookup lookup, db::DatabaseMgr::Timeouts timeouts = {});

  std::unique_ptr<riptrack::RipConnection> OpenRipConnection(core::RipIndex rip) override;
  bool UpdateProcessOnMain(int processId, int enabled, int state, const std::string& currentJob,
                           const std::string& message) override;
  // A failed job with MailOnRipError: RipError, "%s Failed on RIP %d"; a job completed
  // with warning with MailOnRipWarning: RipWarning, "%s Completed with warning on RIP
  // %d". Queued: the monitor goes on at once.
  void MailFinishedJob(const riptrack::FinishedJob& job,
                       const riptrack::JobReport& report) override;

 private:
  core::SharedState& shared_;
  db::DatabaseMgr& mainDb_;
  OperatorMail& mail_;
  RipJobLookup lookup_;
  const db::DatabaseMgr::Timeouts timeouts_;
};

// The input setup a RIP setup names: the setup without a trailing "MONO" and the
// blanks before it, matched (ignoring case) against the spoolers' SetupName; the
// first spooler (0) when none matches.
int SpoolerOfRipSetup(const core::SettingsStore& settings, const std::string& setup);

}  // namespace vellora::engine
