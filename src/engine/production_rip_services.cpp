// A RIP monitor's own connection to the production database, and the services that
// hand them out.
#include "engine/production_rip_services.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "db/server_switch.h"
#include "identify/production_lookup.h"

namespace vellora::engine {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// Statement errors are not reported back to the monitor: the reporting goes on
// whatever the database says, and the next process report finds a dropped
// connection and has it made again.
class ProductionRipConnection final : public riptrack::RipConnection {
 public:
  ProductionRipConnection(core::SharedState& shared, const RipJobLookup& lookup,
                          db::DatabaseMgr::Timeouts timeouts)
      : shared_(shared), lookup_(lookup), db_(shared.logs, timeouts) {}

  bool Connect(const std::string& dsn, const std::string& user,
               const std::string& password) override {
    serverGiven_ = true;
    std::string error;
    return db_.Connect(dsn, user, password, 1, error);
  }

  void Disconnect() override { db_.Disconnect(); }

  bool UpdateProcess(int processId, int enabled, int state, const std::string& currentJob,
                     const std::string& message) override {
    std::string error;
    return db_.UpdateProcess(processId, enabled, state, currentJob, message, error) == 1;
  }

  void AddJobLogEntries(const riptrack::FinishedJob& job,
                        const riptrack::JobReport& report) override;
  void UpdatePageStatus(const riptrack::FinishedJob& job) override;

 private:
  // The monitor connects its manager only for a registered RIP; a job of one that
  // is not registered still gets its entries, on the server UseBackup names, not on
  // the manager's built-in data source.
  void GiveServer(const core::SettingsStore& s) {
    if (serverGiven_) return;
    serverGiven_ = true;
    const db::ServerTarget target = db::CurrentServer(s);
    std::string error;
    db_.Connect(target.dataSource, target.user, target.password, 1, error);
  }

  core::SharedState& shared_;
  const RipJobLookup& lookup_;
  db::DatabaseMgr db_;
  bool serverGiven_ = false;
};

void ProductionRipConnection::AddJobLogEntries(const riptrack::FinishedJob& job,
                                               const riptrack::JobReport& report) {
  const std::shared_ptr<const core::SettingsStore> settings = shared_.settings.Get();
  const core::SettingsStore& s = *settings;
  const bool failed = job.Failed, warned = job.Warned;
  const bool logged = (failed && s.RipLogError != 0) || (warned && s.RipLogWarning != 0) ||
                      (!failed && !warned && s.RipLogSuccess != 0);
  if (!logged) return;
  GiveServer(s);
  const riplog::RipJob& j = job.job;
  const int event = failed ? s.RipEventError : warned ? s.RipEventWarning : s.RipEventSuccess;
  std::string error;
  db_.AddLogEntry(job.processId, event, -1, -1,
                  j.JobName + ";" + (failed || warned ? report.text : j.JobName), error);

  const core::Spooler& first = s.Spoolers[0];
  if (first.UseDatabase == 0 || first.NameConv.empty() || !lookup_) return;
  int separationSet = 0;
  lookup_(db_, j.JobName, 0, -1, separationSet);
  // -1 says the plan has no such page: there is no page to write an entry for.
  if (separationSet <= 0) return;
  if (failed && s.RipLogError != 0) {
    db_.AddPrepollLogEntry(separationSet, job.processId, s.RipEventError, j.ErrorText, error);
  } else if (warned && s.RipLogWarning != 0) {
    db_.AddPrepollLogEntry(separationSet, job.processId, s.RipEventWarning, j.WarningText, error);
  } else if (!failed && !warned && s.RipLogSuccess != 0) {
    db_.AddPrepollLogEntry(separationSet, job.processId, s.RipEventSuccess, "", error);
  }
}

void ProductionRipConnection::UpdatePageStatus(const riptrack::FinishedJob& job) {
  const std::shared_ptr<const core::SettingsStore> settings = shared_.settings.Get();
  const core::SettingsStore& s = *settings;
  const int spooler = SpoolerOfRipSetup(s, job.job.Setup);
  const core::Spooler& sp = s.Spoolers[static_cast<size_t>(spooler)];
  // Only an input setup that looks its pages up has pages to update.
  if (sp.UseDatabase == 0 || sp.NameConv.empty() || !lookup_) return;
  GiveServer(s);
  // Outcome 0 completed, 1 failed, 2 completed with warning; the lookup's status
  // argument is the outcome plus 2, which it turns into RipStatusValue (2 and 4) or
  // RipStatusValueError (3) when RipUpdateStatus is set.
  const int outcome = job.Failed ? 1 : job.Warned ? 2 : 0;
  int separationSet = 0;
  lookup_(db_, job.job.JobName, spooler, outcome + 2, separationSet);
}

}  // namespace

RipJobLookup ProductionRipLookup(core::SharedState& shared, const db::NameLists& names,
                                 db::DatabaseMgr* nameDb) {
  return [&shared, &names, nameDb](db::DatabaseMgr& manager, const std::string& name, int spooler,
                                   int statusArgument, int& separationSet) {
    const std::shared_ptr<const core::SettingsStore> settings = shared.settings.Get();
    const identify::IdentifyContext context{*settings, shared.logs};
    const identify::LookupResult r =
        identify::LookupJob({manager, names, nameDb}, name, spooler, statusArgument, 50, context);
    separationSet = r.separationSet;
    return r.status;
  };
}

int SpoolerOfRipSetup(const core::SettingsStore& settings, const std::string& setup) {
  std::string name = setup;
  auto trimRight = [&name] {
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  };
  trimRight();
  if (name.size() >= 4 &&
      SameIgnoringCase(std::string_view(name).substr(name.size() - 4), "MONO")) {
    name.resize(name.size() - 4);
    trimRight();
  }
  const int count =
      std::min<int>(settings.NumberOfSpoolers, static_cast<int>(settings.Spoolers.size()));
  for (int m = 0; m < count; ++m) {
    const std::string& candidate = settings.Spoolers[static_cast<size_t>(m)].SetupName;
    if (!candidate.empty() && SameIgnoringCase(candidate, name)) return m;
  }
  return 0;
}

ProductionRipServices::ProductionRipServices(core::SharedState& shared, db::DatabaseMgr& mainDb,
                                             OperatorMail& mail, RipJobLookup lookup,
                                             db::DatabaseMgr::Timeouts timeouts)
    : shared_(shared),
      mainDb_(mainDb),
      mail_(mail),
      lookup_(std::move(lookup)),
      timeouts_(timeouts) {}

std::unique_ptr<riptrack::RipConnection> ProductionRipServices::OpenRipConnection(core::RipIndex) {
  return std::make_unique<ProductionRipConnection>(shared_, lookup_, timeouts_);
}

bool ProductionRipServices::UpdateProcessOnMain(int processId, int enabled, int state,
                                                const std::string& currentJob,
                                                const std::string& message) {
  std::string error;
  return mainDb_.UpdateProcess(processId, enabled, state, currentJob, message, error) == 1;
}

void ProductionRipServices::MailFinishedJob(const riptrack::FinishedJob& job,
                                            const riptrack::JobReport&) {
  const std::shared_ptr<const core::SettingsStore> settings = shared_.settings.Get();
  char body[512];
  if (job.Failed) {
    if (settings->MailOnRipError == 0) return;
    std::snprintf(body, sizeof body, "%s Failed on RIP %d", job.job.JobName.c_str(),
                  job.ripNumber.value);
    mail_.NotifyError(notify::NotificationKind::RipError, body);
  } else if (job.Warned) {
    if (settings->MailOnRipWarning == 0) return;
    std::snprintf(body, sizeof body, "%s Completed with warning on RIP %d", job.job.JobName.c_str(),
                  job.ripNumber.value);
    mail_.NotifyError(notify::NotificationKind::RipWarning, body);
  }
}

}  // namespace vellora::engine
