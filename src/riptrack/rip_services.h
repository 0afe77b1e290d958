// What the RIP tracking needs from the production database and from the operator
// mail: the process-table reports of a RIP (on the RIP monitor's own connection, and
// the operator's start and stop on the main one), and where a finished job goes
// besides the RIP's job list. The tracking only calls these interfaces; the database
// and notification work fill them in, and the engine's unconnected ports stand in
// where nothing is configured.
#pragma once

#include <memory>
#include <string>

#include "core/display.h"
#include "core/rip_id.h"
#include "riplog/rip_job.h"

namespace vellora::riptrack {

// A finished job as the monitor hands it to the reporting: the texts of the log
// (upper case), how it ended, and whose it is.
struct FinishedJob {
  riplog::RipJob job;  // JobName, Setup, JobTime, ErrorText, WarningText; Status follows the flags
  bool Failed = false;
  bool Warned = false;
  core::RipNumber ripNumber;
  int processId = 0;  // the RIP's ProcessId when the job closed
  // Read while the monitor follows the log as it grows: not in the monitor's first
  // read, and not in a read that starts afresh near the end of the log (no stored
  // position, a new log, the operator's "Re-load RIP logs"). Such reads report jobs
  // that ended while nobody watched, or again; their pages may have moved on since.
  bool live = false;
};

// The report text and the result code of the RIP's job list.
struct JobReport {
  std::string text;
  core::JobResult result = core::JobResult::Completed;
};

// One database connection of a RIP monitor: each monitor has its own, so the
// monitors never share a connection.
class RipConnection {
 public:
  virtual ~RipConnection() = default;
  // True when connected.
  virtual bool Connect(const std::string& dsn, const std::string& user,
                       const std::string& password) = 0;
  virtual void Disconnect() = 0;
  // spUpdateProcess (process id, enabled, state, current job, message). False when
  // the call failed; the monitor then reconnects at its next pass.
  virtual bool UpdateProcess(int processId, int enabled, int state, const std::string& currentJob,
                             const std::string& message) = 0;
  // The database entries of a finished job: the log entry (spAddLogEntry) and, after
  // looking the page up by the job's name, the pre-poll entry of that page
  // (spAddPrepollLogEntry), each under its switch. Runs on the monitor's thread after
  // the job's row is shown; a failure is not reported back.
  virtual void AddJobLogEntries(const FinishedJob& job, const JobReport& report) = 0;
  // The page's status after the RIP has finished it (UpdateStatus): the page of the
  // job, looked up with the input setup the RIP setup names, gets the status of the
  // outcome (RipStatusValue, or RipStatusValueError for a failed job) when
  // RipUpdateStatus is set. Runs after the entries above, for live jobs only.
  virtual void UpdatePageStatus(const FinishedJob& job) = 0;
};

// What the RIP tracking needs from outside: the database connections and the mail.
// The engine is handed a real one or the one that has nothing connected.
class RipServices {
 public:
  virtual ~RipServices() = default;
  // A connection of its own for the monitor of the RIP, never null (an unconnected
  // one where there is no database). Called on the monitor's thread when it starts.
  virtual std::unique_ptr<RipConnection> OpenRipConnection(core::RipIndex rip) = 0;
  // The operator's start or stop of a RIP, reported on the main connection (which
  // the input scanner uses too: calls on it must not overlap).
  virtual bool UpdateProcessOnMain(int processId, int enabled, int state,
                                   const std::string& currentJob, const std::string& message) = 0;
  // The operators' mail about a failed or warned job, under its switches and the
  // flood prevention. Runs on the monitor's thread after the job's row is shown.
  virtual void MailFinishedJob(const FinishedJob& job, const JobReport& report) = 0;
};

}  // namespace vellora::riptrack
