// The input scanner: the thread that moves page files from the input folders into
// the RIPs' spool folders. Each pass connects the production database if need be,
// checks the RIPs' folders, lists every enabled input folder into the input queue
// and, when some RIP has room, walks the queue and delivers each ready job to the
// next RIP in rotation that is running, open and below MaxOutstandingJobs. A RIP's
// load is counted afresh before every delivery from the files waiting for it.
#pragma once

#include <array>
#include <set>
#include <string>
#include <vector>

#include "core/runtime.h"
#include "intake/folder_listing.h"
#include "intake/input_queue.h"
#include "intake/rip_queues.h"
#include "intake/scanner_services.h"
#include "intake/waiting_jobs.h"

namespace vellora::intake {

class InputScanner {
 public:
  InputScanner(core::Runtime& rt, WaitingJobs& waiting, RipQueues& ripQueues,
               ScannerDatabase& database, PdfRewriter& pdf);

  // The thread body: passes until the runtime stops.
  void Run();
  // One pass; false when a stop was requested during it.
  bool RunPass();

  int RotationIndex() const { return rotationIndex_; }

 private:
  enum class EntryResult { Next, EndDispatch };

  // The record a move to another file system keeps in the program folder while it
  // puts the copy in place and removes the source.
  std::string MoveRecordPath() const;
  void FinishInterruptedDelivery();
  void RemoveStaleCopies();
  void ConnectDatabase(const core::SettingsStore& s);
  // A lookup could not ask the database: both managers are dropped at once (so the
  // rest of the pass delivers without identification, with no statement left to wait
  // on a dead server) and the next pass connects again.
  void LostDatabase();
  // A lookup came to a verdict: an outage said before is over.
  void DatabaseAnswered();
  // The identification of a job before its delivery (entry step 8).
  struct Identification {
    bool colour = true;
    int separationSet = 0;
    int status = 0;
    std::string publicationText;
    bool judged = false;  // a lookup came to a verdict that may hold or delete the job
  };
  Identification Identify(const QueuedJob& job, const core::SettingsStore& s,
                          const core::Spooler& sp, int spooler);
  // Two attempts to reach a folder: the reachability test, then the connect step.
  bool ReachFolder(const std::string& folder, bool useCurrentUser, const std::string& user,
                   const std::string& password);
  bool CheckRipFolders(const core::SettingsStore& s, bool& anyInUse);
  void ListSpoolers();
  // Says once per run, per file, that a file's name keeps it from ever being
  // delivered.
  void ReportUndeliverable(const std::string& folder);
  // Says once per run, per folder, why a configured spool or mono folder cannot take
  // jobs: the choice itself stays silent, and the pages would wait without a word.
  void ReportUnusableFolder(const char* kind, const std::string& folder, int rip,
                            const core::Spooler& sp);
  bool SomeRipHasRoom(const core::SettingsStore& s);
  int CountRipLoad(const core::SettingsStore& s, int rip, CountSight* sight = nullptr);
  EntryResult HandleEntry(int i);
  int ChooseRip(const core::SettingsStore& s, const core::Spooler& sp);
  void RunCommand(const core::Spooler& sp, const std::string& source);
  std::string Destination(const core::Spooler& sp, int rip, const std::string& name, bool colour,
                          int separationSet, const std::string& source);
  void Archive(const core::Spooler& sp, const std::string& source, const std::string& name,
               const std::string& publicationText);
  void Deliver(const std::string& source, const std::string& destination);

  // The scanner bar's animation: caption, bar up, lamp, caption, bar down, lamp.
  bool Animate(const std::string& firstCaption, const std::string& secondCaption);

  core::Runtime& rt_;
  WaitingJobs& waiting_;
  RipQueues& ripQueues_;
  ScannerDatabase& db_;
  PdfRewriter& pdf_;

  // The connection settings of both servers as the last connection step saw them: a
  // setup accepted meanwhile makes the next pass connect anew.
  struct DatabaseSetup {
    std::string dsn, user, password, dsn2, user2, password2;
    bool operator==(const DatabaseSetup&) const = default;
  };
  static DatabaseSetup SetupOf(const core::SettingsStore& s);

  bool databaseConfigured_ = false;
  bool connectPending_ = true;
  int lastBackupChoice_ = 0;
  DatabaseSetup lastSetup_;
  // The last connection error logged (empty while connected), so that a server that
  // stays down is said once, not on every pass.
  std::string lastConnectError_;
  // A lookup could not ask the database, and none has come to a verdict since.
  bool databaseLost_ = false;
  int rotationIndex_ = -1;
  InputQueue queue_;
  std::vector<ListingEntry> listing_;
  // What the load count before the current delivery saw of each RIP's folders: the
  // refresh of the chosen RIP's rows after the delivery starts from it.
  std::array<CountSight, core::kRipCount> loadSights_;
  std::vector<UndeliverableName> undeliverable_;
  // Folder and name of each file already reported in this run.
  std::set<std::string> reportedNames_;
  std::set<std::string> reportedFolders_;
};

}  // namespace vellora::intake
