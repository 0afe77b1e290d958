// The scanner's passes and the handling of each queued job.
#include "intake/input_scanner.h"

#include <algorithm>
#include <set>

#include "intake/external_command.h"
#include "intake/readiness.h"
#include "net/connect_folder.h"
#include "net/reachability.h"
#include "platform/files.h"
#include "platform/move_intent.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

constexpr const char* kNotInFolderNames = ":/\\<>|?*";

}  // namespace

InputScanner::InputScanner(core::Runtime& rt, WaitingJobs& waiting, RipQueues& ripQueues,
                           ScannerDatabase& database, PdfRewriter& pdf)
    : rt_(rt), waiting_(waiting), ripQueues_(ripQueues), db_(database), pdf_(pdf) {
  auto s = rt_.settings.Get();
  lastSetup_ = SetupOf(*s);
  databaseConfigured_ = !s->DSN.empty() && !s->DSNuser.empty();
}

InputScanner::DatabaseSetup InputScanner::SetupOf(const core::SettingsStore& s) {
  return {s.DSN, s.DSNuser, s.DSNpw, s.DSN2, s.DSNuser2, s.DSNpw2};
}

void InputScanner::RemoveStaleCopies() {
  auto s = rt_.settings.Get();
  std::set<std::string> folders;
  for (int m = 0; m < s->NumberOfSpoolers; ++m) {
    const core::Spooler& sp = s->Spoolers[static_cast<size_t>(m)];
    for (int r = 0; r < core::kRipCount; ++r) {
      if (!sp.RipSpool[static_cast<size_t>(r)].empty())
        folders.insert(sp.RipSpool[static_cast<size_t>(r)]);
      if (!sp.RipSpoolMono[static_cast<size_t>(r)].empty())
        folders.insert(sp.RipSpoolMono[static_cast<size_t>(r)]);
    }
    if (sp.ArchivePdf != 0) folders.insert(sp.PdfArchive);
  }
  for (const std::string& folder : folders) {
    if (rt_.Stopping()) return;
    if (!net::IsFolderReachable(folder)) continue;
    // Page-format and publication subfolders receive copies too.
    platform::RemoveStaleTemporariesWithSubfolders(folder);
  }
}

std::string InputScanner::MoveRecordPath() const {
  return rt_.programFolder + "\\Vellora.move";
}

void InputScanner::FinishInterruptedDelivery() {
  platform::FinishedMove done = platform::FinishInterruptedMove(MoveRecordPath());
  const char* src = done.source.c_str();
  const char* dst = done.destination.c_str();
  switch (done.outcome) {
    case platform::FinishOutcome::NoRecord:
    case platform::FinishOutcome::Unusable:
      break;
    case platform::FinishOutcome::NotPlaced:
      rt_.logs.LogMessage(
          "INFO: The delivery of %s to %s was cut short before the copy was in place; the file "
          "stays to be delivered",
          src, dst);
      break;
    case platform::FinishOutcome::SourceRemoved:
      rt_.logs.LogMessage(
          "INFO: Finished the delivery of %s to %s that was cut short: the copy was in place, "
          "the source is removed",
          src, dst);
      break;
    case platform::FinishOutcome::SourceGone:
    case platform::FinishOutcome::SourceReplaced:
      rt_.logs.LogMessage(
          "INFO: Finished the delivery of %s to %s that was cut short: the copy was in place", src,
          dst);
      break;
    case platform::FinishOutcome::SourceNotRemovable:
      rt_.logs.LogMessage(
          "ERROR: The delivery of %s to %s was cut short after the copy was in place: %s; it "
          "will be delivered again",
          src, dst, done.reason.c_str());
      break;
    case platform::FinishOutcome::Undecided:
      rt_.logs.LogMessage(
          "WARNING: The delivery of %s to %s was cut short and the destination folder cannot be "
          "seen now; the file stays and may be delivered a second time",
          src, dst);
      break;
  }
}

void InputScanner::Run() {
  // A crash between putting a copy in place and removing its source (a move to
  // another file system) is finished first: the source must not be delivered again.
  // Then the hidden, partial temporaries that a crash during a copy leaves beside the
  // destination are cleared.
  FinishInterruptedDelivery();
  RemoveStaleCopies();
  while (!rt_.Stopping()) {
    if (!RunPass()) break;
  }
}

bool InputScanner::Animate(const std::string& firstCaption, const std::string& secondCaption) {
  core::Display& d = rt_.display;
  // Each step of the bar lasts 10 ms, but the thread sleeps once for every five
  // steps: the same time, a fifth of the wake-ups (no display draws the bar more
  // often than that).
  int owed = 0;
  auto step = [&](int position) {
    d.SetScannerBar(position);
    owed += 10;
    if (owed < 50) return true;
    owed = 0;
    return rt_.pacer.Wait(50);
  };
  d.SetScannerCaption(firstCaption);
  for (int p = 0; p <= 99; ++p) {
    if (!step(p)) return false;
  }
  d.SetScannerLamp(core::Lamp::Dark);
  d.SetScannerCaption(secondCaption);
  for (int p = 100; p >= 2; --p) {
    if (!step(p)) return false;
  }
  d.SetScannerBar(1);
  if (owed > 0 && !rt_.pacer.Wait(owed)) return false;
  // Every pass ends here, and the next one starts over whether or not there is
  // anything to do: its last step is an idle wait, which blocks at any time scale.
  if (!rt_.pacer.Idle(10)) return false;
  d.SetScannerLamp(core::Lamp::Green);
  return true;
}

void InputScanner::ConnectDatabase(const core::SettingsStore& s) {
  const DatabaseSetup setup = SetupOf(s);
  if (setup != lastSetup_) {
    // The database setup was accepted with other values: the next connection is made
    // to them, with that database's name lists and registrations, instead of going
    // on with the old one (a connected manager would keep it).
    lastSetup_ = setup;
    databaseConfigured_ = !s.DSN.empty() && !s.DSNuser.empty();
    connectPending_ = true;
    if (!databaseConfigured_) db_.Disconnect();
  }
  if (!databaseConfigured_ || !(connectPending_ || s.UseBackup != lastBackupChoice_)) return;
  db_.Disconnect();
  if (!rt_.pacer.Wait(1000)) return;
  // The server choice is read again, under the switch's lock: the operator may have
  // switched servers since the pass began, and the switch connects the same manager.
  std::lock_guard choice(rt_.serverChoice);
  const auto now = rt_.settings.Get();
  const bool backup = now->UseBackup != 0;
  const std::string& dsn = backup ? now->DSN2 : now->DSN;
  const std::string& user = backup ? now->DSNuser2 : now->DSNuser;
  const std::string& pw = backup ? now->DSNpw2 : now->DSNpw;
  std::string error;
  if (db_.Connect(dsn, user, pw, error)) {
    rt_.alerts.DatabaseRestored(dsn);
    connectPending_ = false;
    if (!lastConnectError_.empty()) {
      rt_.logs.LogMessage("INFO: Connected to the production database (%s)\r\n", dsn.c_str());
    }
    lastConnectError_.clear();
    db_.ReloadNameCaches();
    for (int r = 0; r < core::kRipCount; ++r) {
      if (now->Rips[static_cast<size_t>(r)].UseRIP != 0) {
        rt_.rips[static_cast<size_t>(r)].ProcessId =
            db_.RegisterRip(now->Rips[static_cast<size_t>(r)].RIPName);
      }
    }
    db_.ConnectSecond(dsn, user, pw);
  } else {
    rt_.alerts.DatabaseFailed(dsn, error);
    // Tried again on every pass, also after a switch of servers that failed.
    connectPending_ = true;
    if (error != lastConnectError_) {
      rt_.logs.LogMessage("ERROR: Cannot connect to the production database: %s\r\n",
                          error.c_str());
      lastConnectError_ = error;
    }
  }
  lastBackupChoice_ = now->UseBackup;
}

void InputScanner::LostDatabase() {
  // Said once for an outage, however many passes it lasts.
  if (!databaseLost_) {
    rt_.logs.LogMessage(
        "WARNING: The production database does not answer; jobs are delivered without "
        "identification until it answers again\r\n");
  }
  databaseLost_ = true;
  db_.Disconnect();
  connectPending_ = true;
}

void InputScanner::DatabaseAnswered() {
  if (!databaseLost_) return;
  databaseLost_ = false;
  rt_.logs.LogMessage("INFO: The production database answers again; jobs are identified again\r\n");
}

bool InputScanner::ReachFolder(const std::string& folder, bool useCurrentUser,
                               const std::string& user, const std::string& password) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (net::IsFolderReachable(folder) &&
        net::ConnectFolderAs(folder, useCurrentUser ? 1 : 0, user, password)) {
      return true;
    }
  }
  return false;
}

bool InputScanner::CheckRipFolders(const core::SettingsStore& s, bool& anyInUse) {
  anyInUse = false;
  bool ok = true;
  for (int r = 0; r < core::kRipCount; ++r) {
    const core::RipSlot& rip = s.Rips[static_cast<size_t>(r)];
    if (rip.UseRIP == 0 || rt_.rips[static_cast<size_t>(r)].Tracking == 0) continue;
    anyInUse = true;
    if (!ReachFolder(rip.RIPswPath, rip.RIPUseCurrentUser != 0, rip.RIPUserName, rip.RIPPassword)) {
      const std::string error = "Unable to access RIP root folder " + rip.RIPswPath;
      rt_.errors.SetErrorState(1, error);
      rt_.alerts.NetworkFailed(rip.RIPswPath, error);
      ok = false;
      if (s.StopOnError != 0) rt_.rips[static_cast<size_t>(r)].Tracking = 0;
    } else {
      rt_.alerts.NetworkRestored(rip.RIPswPath);
    }
  }
  return ok;
}

void InputScanner::ListSpoolers() {
  core::Display& d = rt_.display;
  d.SetScannerCaption(" ");
  int spoolers = rt_.settings.Get()->NumberOfSpoolers;
  for (int m = 0; m < spoolers && !rt_.Stopping(); ++m) {
    // A fresh look each time: the operator or the error handling may switch a
    // spooler off while the pass runs.
    auto s = rt_.settings.Get();
    const core::Spooler& sp = s->Spoolers[static_cast<size_t>(m)];
    if (sp.Enable == 0) {
      rt_.ShowSpoolerIcon(m, core::SpoolerIcon::Disabled);
      continue;
    }
    rt_.ShowSpoolerIcon(m, core::SpoolerIcon::Scanning);
    if (!ReachFolder(sp.InputSpool, sp.InputSpoolUseCurrentUser != 0, sp.InputSpoolUserName,
                     sp.InputSpoolPassword)) {
      const std::string error = "Unable to access Input folder " + sp.InputSpool;
      rt_.errors.SetErrorState(1, error);
      rt_.alerts.NetworkFailed(sp.InputSpool, error);
      if (s->StopOnError != 0) {
        rt_.settings.Update(
            [m](core::SettingsStore& w) { w.Spoolers[static_cast<size_t>(m)].Enable = 0; });
      }
      continue;
    }
    rt_.alerts.NetworkRestored(sp.InputSpool);
    undeliverable_.clear();
    int n = ListInputFolder(sp.InputSpool, listing_, s->InputQueueIgnoreMask, *s, &undeliverable_);
    ReportUndeliverable(sp.InputSpool);
    EarlyLookup lookup;
    if (s->OrderByDatabasePriority != 0 && db_.Connected()) {
      lookup = [this, &s](QueuedJob& job, int spooler) {
        // A database lost during this listing leaves the rest to the dispatch.
        if (!db_.Connected()) return -1;
        identify::LookupResult r =
            db_.LookupJob(job.FileName, spooler, s->UpdateStatus, job.Priority);
        if (!r.databaseReached) {
          LostDatabase();
          return -1;
        }
        DatabaseAnswered();
        job.SeparationSetId = r.separationSet;
        job.Priority = ClampPriority(r.priority);
        // Kept for the archive copy, which goes to the publication's folder whether
        // or not the page was looked up early.
        job.ArchiveKey = r.archiveKey;
        return r.status;
      };
    }
    queue_.Append(listing_, n, sp, m, lookup);
    if (!rt_.pacer.Wait(250)) return;
    rt_.ShowSpoolerIcon(m, core::SpoolerIcon::Idle);
    if (!rt_.pacer.Wait(250)) return;
  }
}

void InputScanner::ReportUndeliverable(const std::string& folder) {
  for (const UndeliverableName& u : undeliverable_) {
    if (!reportedNames_.insert(folder + '\0' + u.FileName).second) continue;
    // The file stays where it is: only someone who renames it can get it delivered.
    rt_.logs.LogMessage("WARNING: File %s in input folder %s cannot be delivered: %s",
                        u.FileName.c_str(), folder.c_str(), u.Why.c_str());
  }
}

void InputScanner::ReportUnusableFolder(const char* kind, const std::string& folder, int rip,
                                        const core::Spooler& sp) {
  if (folder.empty() || !reportedFolders_.insert(std::string(kind) + '\0' + folder).second) return;
  platform::FileStat st = platform::StatPath(folder);
  const char* why = !st.exists        ? "it does not exist"
                    : !st.isDirectory ? "it is not a folder"
                                      : "it cannot be reached";
  rt_.logs.LogMessage("WARNING: %s folder %s of RIP%d for setup %s cannot be used: %s", kind,
                      folder.c_str(), rip + 1, sp.SetupName.c_str(), why);
}

int InputScanner::CountRipLoad(const core::SettingsStore& s, int r, CountSight* sight) {
  // Each distinct spool folder once: two spoolers may feed the same hot folder.
  // CountWaitingFiles makes the reachability test itself and counts 0 when it fails.
  int count = 0;
  for (const auto& [folder, recurse] : DistinctSpoolFolders(s, r)) {
    count += CountWaitingFiles(folder, "*.*", recurse, s.RipQueueIgnoreMask, sight);
  }
  return count;
}

bool InputScanner::SomeRipHasRoom(const core::SettingsStore& s) {
  for (int r = 0; r < core::kRipCount; ++r) {
    const core::RipSlotRuntime& run = rt_.rips[static_cast<size_t>(r)];
    if (s.Rips[static_cast<size_t>(r)].UseRIP == 0 || run.Tracking == 0) continue;
    if (run.InputOpen == 0 && s.ForceOpenInputs == 0) continue;
    if (CountRipLoad(s, r) < s.MaxOutstandingJobs) return true;
  }
  return false;
}

bool InputScanner::RunPass() {
  queue_.Reset();
  ConnectDatabase(*rt_.settings.Get());
  if (rt_.Stopping()) return false;

  bool anyInUse = false;
  CheckRipFolders(*rt_.settings.Get(), anyInUse);
  if (!anyInUse) return Animate("No RIPs enabled", " ");

  ListSpoolers();
  if (rt_.Stopping()) return false;

  auto s = rt_.settings.Get();
  if (queue_.Count() > 0) queue_.Sort(s->DisableFileSort != 0);
  // Shown even when empty: the rows learn that a pass has listed the inputs anew.
  waiting_.ShowQueue(queue_, queue_.Count());
  ripQueues_.RefreshRipQueues();

  if (!SomeRipHasRoom(*s)) return Animate("All RIPs occupied", " ");

  rt_.display.SetScannerCaption(" ");
  for (int i = 0; i < queue_.Count() && !rt_.Stopping(); ++i) {
    if (HandleEntry(i) == EntryResult::EndDispatch) break;
  }
  if (rt_.Stopping()) return false;
  rt_.display.SetScannerCaption(" ");
  return Animate(" ", "Scanning inputs");
}

int InputScanner::ChooseRip(const core::SettingsStore& s, const core::Spooler& sp) {
  for (int r = 0; r < core::kRipCount; ++r) {
    rt_.rips[static_cast<size_t>(r)].WaitingCount = 0;
    loadSights_[static_cast<size_t>(r)].Clear();
  }
  if (s.FlowDrive != 0) {
    for (int r = 0; r < core::kRipCount; ++r) {
      const core::RipSlot& rip = s.Rips[static_cast<size_t>(r)];
      if (rip.UseRIP == 0 || rip.FlowDriveJobPath.empty()) continue;
      rt_.rips[static_cast<size_t>(r)].WaitingCount =
          CountWaitingFiles(rip.FlowDriveJobPath, s.FlowDriveMask, false, s.RipQueueIgnoreMask,
                            &loadSights_[static_cast<size_t>(r)]);
    }
  } else {
    for (int r = 0; r < core::kRipCount; ++r) {
      if (s.Rips[static_cast<size_t>(r)].UseRIP == 0) continue;
      rt_.rips[static_cast<size_t>(r)].WaitingCount =
          CountRipLoad(s, r, &loadSights_[static_cast<size_t>(r)]);
    }
  }

  rotationIndex_ = rotationIndex_ + 1 >= core::kRipCount ? 0 : rotationIndex_ + 1;
  for (int k = 0; k < core::kRipCount; ++k) {
    int r = (k + rotationIndex_) % core::kRipCount;
    const core::RipSlotRuntime& run = rt_.rips[static_cast<size_t>(r)];
    if (s.Rips[static_cast<size_t>(r)].UseRIP == 0) continue;
    if (!net::IsFolderReachable(sp.RipSpool[static_cast<size_t>(r)])) {
      ReportUnusableFolder("Spool", sp.RipSpool[static_cast<size_t>(r)], r, sp);
      continue;
    }
    if (run.InputOpen == 0 && s.ForceOpenInputs == 0) continue;
    if (run.Tracking == 0) continue;
    if (run.WaitingCount >= s.MaxOutstandingJobs) continue;
    // The next job's choice starts just after this RIP. Advancing by one position
    // alone would skew the rotation towards the RIP after a gap of unused ones:
    // with RIPs 1 and 2 of four in use, RIP 1 would get three jobs of every four.
    rotationIndex_ = r;
    return r;
  }
  return -1;
}

void InputScanner::RunCommand(const core::Spooler& sp, const std::string& source) {
  if (sp.RunCommand == 0 || sp.CommandFile.empty()) return;
  std::string input;
  if (sp.CommandFile.find("%i") != std::string::npos) {
    // The command reads the job under a new name and writes its result to the
    // job's own path, which is then delivered.
    input = source + ".tmp";
    platform::MoveFileReplace(source, input);
  }
  bool cutShort = false;
  RunExternalCommand(
      sp.CommandFile, source, input, rt_.logs, [this] { return rt_.Stopping(); }, &cutShort);
  // A command ended by the program's stop may have left half its output under the
  // job's name: the job goes back as it came, for the next run to handle whole.
  if (cutShort && !input.empty() && platform::PathExists(input)) {
    platform::MoveFileReplace(input, source);
  }
}

std::string InputScanner::Destination(const core::Spooler& sp, int r, const std::string& name,
                                      bool colour, int separationSet, const std::string& source) {
  auto s = rt_.settings.Get();
  const size_t ri = static_cast<size_t>(r);
  std::string folder = sp.RipSpool[ri];
  if (!colour && sp.MonoFolder[ri] != 0 && !sp.RipSpoolMono[ri].empty() && separationSet > 0) {
    folder = sp.RipSpoolMono[ri];
    // The move will fail and say so in the error state; this says which folder. A
    // look at the folder itself is enough for that, no echo is sent.
    if (!platform::IsEnterableDirectory(folder)) ReportUnusableFolder("Mono", folder, r, sp);
  }
  if (!(sp.DatabaseTemplate != 0 && db_.Connected() && sp.UseDatabase != 0 &&
        !sp.NameConv.empty())) {
    return folder + "\\" + name;
  }
  double width = 0, height = 0, bleed = 0;
  std::string error, pageFormat;
  if (separationSet > 0) pageFormat = db_.PageFormat(separationSet, width, height, bleed, error);
  if (pageFormat.empty()) pageFormat = sp.DefaultPageFormat;
  if (!error.empty()) rt_.errors.SetErrorState(1, error);
  if (!pageFormat.empty()) {
    pageFormat += "\\";
    if (s->AllowScaling != 0 && sp.ScalePdf != 0 && width > 0 && height > 0) {
      std::string why;
      if (!pdf_.Scale(source, width + 2 * bleed, height + 2 * bleed, why))
        rt_.errors.SetErrorState(1, why);
    }
    if (s->AllowCropping != 0 && sp.TrimPdf != 0 && width > 0 && height > 0) {
      std::string why;
      if (!pdf_.Trim(source, width + 2 * bleed, height + 2 * bleed, why))
        rt_.errors.SetErrorState(1, why);
    }
  }
  return folder + "\\" + pageFormat + name;
}

void InputScanner::Archive(const core::Spooler& sp, const std::string& source,
                           const std::string& name, const std::string& publicationText) {
  if (sp.ArchivePdf == 0) return;
  std::string path = sp.PdfArchive + "\\" + name;
  if (sp.ArchivePdfPerPublication != 0 && !publicationText.empty()) {
    std::string folderName;
    for (char c : publicationText) {
      if (std::string_view(kNotInFolderNames).find(c) == std::string_view::npos) folderName += c;
    }
    platform::CreateFolder(sp.PdfArchive + "\\" + folderName);
    path = sp.PdfArchive + "\\" + folderName + "\\" + name;
  }
  platform::CopyFileOverwrite(source, path, [this] { return rt_.Stopping(); });
}

void InputScanner::Deliver(const std::string& source, const std::string& destination) {
  platform::MoveOptions options;
  // A stop abandons a long copy; the source stays for the next run.
  options.stop = [this] { return rt_.Stopping(); };
  options.intentPath = MoveRecordPath();
  std::string why;
  if (platform::MoveFileReplace(source, destination, options, &why)) return;
  if (!rt_.pacer.Wait(5000)) return;
  if (platform::MoveFileReplace(source, destination, options, &why)) return;
  if (rt_.Stopping()) return;
  // The error state keeps its one text; the log says what could not be moved where.
  rt_.logs.LogMessage("ERROR: Cannot move %s to %s: %s", source.c_str(), destination.c_str(),
                      why.c_str());
  rt_.errors.SetErrorState(1, "Error moving file!!");
  rt_.errors.CheckFoldersAndClearError();
}

InputScanner::Identification InputScanner::Identify(const QueuedJob& job,
                                                    const core::SettingsStore& s,
                                                    const core::Spooler& sp, int spooler) {
  Identification id;
  // Without a connected database, or for a spooler without lookup, the job counts as
  // a known colour job.
  if (!db_.Connected() || sp.UseDatabase == 0 || sp.NameConv.empty()) return id;
  if (job.SeparationSetId > 0) {
    // Found by the early lookup: its class stands, monochrome included.
    id.separationSet = job.SeparationSetId;
    id.status = job.LookupStatus;
    id.publicationText = job.ArchiveKey;
  } else {
    identify::LookupResult r = db_.LookupJob(job.FileName, spooler, s.UpdateStatus, 50);
    if (!r.databaseReached) {
      LostDatabase();
      return id;
    }
    DatabaseAnswered();
    id.status = r.status;
    id.separationSet = r.separationSet;
    id.publicationText = r.archiveKey;
  }
  id.judged = true;
  id.colour = id.status != identify::kMonoJob;
  return id;
}

InputScanner::EntryResult InputScanner::HandleEntry(int i) {
  const QueuedJob job = queue_[i];
  const std::string& name = job.FileName;
  if (name.empty()) return EntryResult::EndDispatch;
  auto s = rt_.settings.Get();
  int m = FindSpooler(*s, job.SpoolerName);
  if (m < 0) {
    rt_.logs.LogMessage("ERROR: Spooler index not found for job %s\r\n", name.c_str());
    return EntryResult::EndDispatch;
  }
  if (job.ListedTime.empty()) return EntryResult::EndDispatch;
  const core::Spooler& sp = s->Spoolers[static_cast<size_t>(m)];
  if (sp.Enable == 0) return EntryResult::Next;
  rt_.logs.LogMessage("DEBUG: name found %s\r\n", name.c_str());

  const std::string source = sp.InputSpool + (s->UnixPathSeparator != 0 ? "/" : "\\") + name;
  if (!IsStable(source, rt_)) {
    rt_.logs.LogMessage("DEBUG: Stable time check failed - retrying..\r\n");
    return EntryResult::Next;
  }

  const Identification id = Identify(job, *s, sp, m);
  // Only a verdict of the plan (or a name that cannot be cut or dated) makes a job
  // unknown; a lookup that could not ask delivers it as without a database.
  if (id.judged && id.status == identify::kUnknownJob) {
    if (sp.DeleteUnknownJobs != 0) {
      platform::DeleteFile(source);
      waiting_.RemoveQueueRow(name, job.ListedTime, sp.SetupName);
      return EntryResult::Next;
    }
    if (sp.HoldUnknownJobs != 0) return EntryResult::Next;
  }

  int r = ChooseRip(*s, sp);
  if (r < 0) return EntryResult::Next;

  RunCommand(sp, source);
  // A stop during the command: nothing more is done to the job in this run.
  if (rt_.Stopping()) return EntryResult::EndDispatch;
  std::string destination = Destination(sp, r, name, id.colour, id.separationSet, source);
  rt_.logs.LogMessage("DEBUG: Final source path=%s\r\n", source.c_str());
  rt_.logs.LogMessage("DEBUG: Final dest path=%s\r\n", destination.c_str());
  Archive(sp, source, name, id.publicationText);
  Deliver(source, destination);
  if (rt_.Stopping()) return EntryResult::EndDispatch;
  waiting_.RemoveQueueRow(name, job.ListedTime, sp.SetupName);
  // What the count just saw and the delivered file: no second listing of folders
  // that may hold thousands of files.
  ripQueues_.RefreshRipQueue(core::RipIndex(r).Number(), loadSights_[static_cast<size_t>(r)],
                             destination);
  return EntryResult::Next;
}

}  // namespace vellora::intake
