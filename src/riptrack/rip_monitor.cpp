// The passes of a RIP monitor.
#include "riptrack/rip_monitor.h"

#include <cstdlib>

#include "net/connect_folder.h"
#include "net/reachability.h"
#include "platform/files.h"
#include "riplog/input_state.h"
#include "riplog/line_cursor.h"
#include "riplog/log_pointer.h"
#include "riptrack/job_report.h"

namespace vellora::riptrack {
namespace {

using core::Lamp;
using core::RipLamp;

constexpr const char* kNoContact = "No contact to RIP";
constexpr size_t kProgressBytes = 4096;
constexpr size_t kCurrentJobBytes = 255;

// The number after the first "(" of job.prg, as atoi reads it; -1 when there is no
// "(". The bar runs from 0 to 100, and so does what it is given.
int ProgressOf(const std::string& text) {
  size_t open = text.find('(');
  if (open == std::string::npos) return -1;
  long v = std::strtol(text.c_str() + open + 1, nullptr, 10);
  return v < 0 ? 0 : v > 100 ? 100 : static_cast<int>(v);
}

// current.job holds the name of the job being ripped; it is shown on one line, so
// it ends at a zero byte or a line break.
std::string CurrentJobText(std::string text) {
  size_t end = text.find_first_of(std::string_view("\0\r\n", 3));
  if (end != std::string::npos) text.resize(end);
  return text;
}

}  // namespace

RipMonitor::RipMonitor(core::Runtime& rt, core::RipIndex rip, RipJobLists& lists,
                       RipServices& services, LogReload& reload)
    : rt_(rt),
      rip_(rip),
      lists_(lists),
      services_(services),
      reload_(reload),
      reloadSeen_(reload.Count()),
      pointer_(riplog::VelloraPointerPath(rt.programFolder, rip.value)) {}

int RipMonitor::Run() {
  Begin();
  for (;;) {
    switch (RunPass()) {
      case PassEnd::Next:
        break;
      case PassEnd::Stopped:
        return 1;
      case PassEnd::AllocationFailed:
        return 0;
    }
  }
}

void RipMonitor::Begin() {
  core::RipSlotRuntime& slot = rt_.rips[static_cast<size_t>(rip_)];
  slot.StopRequested = 0;
  slot.InputOpen = 0;
  rt_.display.SetRipLamp(rip_, RipLamp::Running, Lamp::Red);
  rt_.display.SetRipLamp(rip_, RipLamp::Input, Lamp::Red);
  rt_.display.SetRipLamp(rip_, RipLamp::Job, Lamp::Yellow);
  parser_.Clear();
  // A program that ended while writing a pointer file (or Vellora.ini, or the copy
  // of a full log) left its hidden temporary in the program folder; only those of
  // processes that are gone are removed, so the other monitors' writes are safe.
  platform::RemoveStaleTemporaries(rt_.programFolder);
  if (!connection_) connection_ = services_.OpenRipConnection(rip_);
  reconnect_ = true;
  firstRead_ = true;
}

void RipMonitor::SetStatus(const std::string& text) {
  pendingStatus_ = text;
  statusPending_ = true;
}

void RipMonitor::ShowStatus() {
  if (!statusPending_) return;
  statusPending_ = false;
  rt_.display.SetRipStatusText(rip_, pendingStatus_);
}

bool RipMonitor::Wait(int ms) {
  ShowStatus();
  return rt_.pacer.Wait(ms);
}

bool RipMonitor::Idle(int ms) {
  ShowStatus();
  return rt_.pacer.Idle(ms);
}

void RipMonitor::Report(int state, const std::string& currentJob, const std::string& message) {
  int processId = rt_.rips[static_cast<size_t>(rip_)].ProcessId;
  if (processId <= 0) return;
  if (!connection_->UpdateProcess(processId, -1, state, currentJob, message)) reconnect_ = true;
}

bool RipMonitor::ReachSwFolder(const core::RipSlot& rip) {
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    if (attempt > 0 && !Idle(kFolderAttemptPauseMs)) return false;
    if (net::IsFolderReachable(rip.RIPswPath) &&
        net::ConnectFolderAs(rip.RIPswPath, rip.RIPUseCurrentUser, rip.RIPUserName,
                             rip.RIPPassword)) {
      return true;
    }
  }
  return false;
}

void RipMonitor::ShowProgress(const std::string& swFolder) {
  std::string text;
  if (!platform::ReadFileRange(swFolder + "\\tmp\\job.prg", 0, kProgressBytes, text)) {
    rt_.display.SetRipProgress(rip_, 0, 100, 0);
    return;
  }
  int progress = ProgressOf(text);
  if (progress >= 0) rt_.display.SetRipProgress(rip_, 0, 100, progress);
}

bool RipMonitor::IsRipRunning(const core::SettingsStore& s, const std::string& swFolder) {
  bool running = true;
  if (s.ForceOpenInputs == 0) {
    // The RIP holds its inUse file open while it runs, so only a stopped RIP's file
    // can be deleted, and the test deletes it.
    const std::string inUse = swFolder + "\\Config\\inUse";
    running = platform::PathExists(inUse) && !platform::DeleteUnlessInUse(inUse);
  }
  rt_.display.SetRipLamp(rip_, RipLamp::Running, running ? Lamp::Green : Lamp::Red);
  return running;
}

void RipMonitor::DecideInputOpen(const core::SettingsStore& s, bool running,
                                 const std::string& logPath) {
  int open = 0;
  if (running) {
    switch (riplog::ScanInputState(logPath, riplog::Deliverable::Vellora).state) {
      case riplog::InputState::Open:
        open = 1;
        break;
      case riplog::InputState::Closed:
        break;
      case riplog::InputState::Undecided:
        open = (s.AssumeRunning != 0 || s.ForceOpenInputs != 0) ? 1 : 0;
        break;
    }
  }
  if (s.ForceOpenInputs != 0) open = 1;
  rt_.rips[static_cast<size_t>(rip_)].InputOpen = open;
  rt_.display.SetRipLamp(rip_, RipLamp::Input, open != 0 ? Lamp::Green : Lamp::Red);
}

int64_t RipMonitor::ReadLines(const riplog::LogText& text, int64_t storedPointer,
                              const core::SettingsStore& s) {
  int64_t pointer = text.pointer;
  // Without a stored position, or with a log now shorter than it (the RIP began a
  // new one), the read is a fresh look at the end of the log and not the
  // continuation of the job that was open: its closing line is not coming, and the
  // open job's lines, if they are still there, are read again from its setup line.
  // Kept open, it would be closed by the first completion line of some other job
  // and reported with that job's name and its own setup.
  const bool continuing = storedPointer > 0 && text.logSize >= storedPointer;
  if (parser_.state() == JobParser::State::InJob && !continuing) parser_.DropOpenJob();
  // Jobs that ended while nobody watched (the monitor's first read) or that are read
  // again (a fresh look at the end of the log) are reported, but their pages' status
  // is left as the workflow may have set it since.
  const bool live = continuing && !firstRead_;
  firstRead_ = false;
  parser_.BeginPass();
  riplog::LineCursor cursor(text);
  riplog::LogLine line;
  FinishedJob closed;
  while (cursor.NextLine(line)) {
    // A last line without its line break is still being written: it is read whole
    // at the next pass, and the pointer does not pass it.
    if (!line.terminated) break;
    line_.Set(line.text);
    if (parser_.Feed(line_, line.endOffset, pointer, &closed)) {
      closed.ripNumber = rip_.Number();
      closed.processId = rt_.rips[static_cast<size_t>(rip_)].ProcessId;
      closed.live = live;
      ReportRipJob(closed, s, lists_, services_, *connection_);
    }
  }
  return pointer;
}

void RipMonitor::ShowJobState(bool running, const std::string& swFolder) {
  if (parser_.state() == JobParser::State::InJob && running) {
    std::string current;
    if (!platform::ReadFileRange(swFolder + "\\tmp\\current.job", 0, kCurrentJobBytes, current)) {
      current.clear();
    }
    current = CurrentJobText(std::move(current));
    SetStatus(current);
    rt_.display.SetRipLamp(rip_, RipLamp::Job, Lamp::Green);
    Report(1, current, "");
    return;
  }
  SetStatus(running ? "Idle" : "Off");
  rt_.display.SetRipLamp(rip_, RipLamp::Job, Lamp::Yellow);
  platform::DeleteFile(swFolder + "\\tmp\\job.prg");
  Report(running ? 1 : 0, "", "");
}

void RipMonitor::SavePointer(int64_t pointer) {
  std::string reason;
  if (pointer_.Save(pointer, &reason) != riplog::PointerStore::Saved::FirstFailure) return;
  // The position stays in memory, so no job is reported twice in this run; but a
  // restart would go back to the file's older position, which the operator must
  // hear of.
  rt_.logs.LogMessage("ERROR: Unable to write log pointer file %s (%s)", pointer_.path().c_str(),
                      reason.c_str());
  rt_.errors.SetErrorState(1, "Unable to write RIP" + std::to_string(rip_.Number().value) +
                                  " log pointer file " + pointer_.path());
}

RipMonitor::PassEnd RipMonitor::RunPass() {
  PassEnd end = RunPassSteps();
  ShowStatus();
  return end;
}

RipMonitor::PassEnd RipMonitor::RunPassSteps() {
  core::RipSlotRuntime& slot = rt_.rips[static_cast<size_t>(rip_)];
  if (!connection_) Begin();

  // 1. A stop request (of this RIP, or of the whole program) ends the thread.
  if (slot.StopRequested != 0 || rt_.Stopping()) {
    slot.InputOpen = 0;
    if (slot.ProcessId > 0) connection_->Disconnect();
    return PassEnd::Stopped;
  }
  // One settings snapshot for the whole pass.
  const std::shared_ptr<const core::SettingsStore> settings = rt_.settings.Get();
  const core::SettingsStore& s = *settings;
  const core::RipSlot& rip = s.Rips[static_cast<size_t>(rip_)];

  // 2. The monitor's own database connection.
  if (reconnect_ && slot.ProcessId > 0) {
    if (!Wait(kReconnectWaitMs)) return PassEnd::Next;
    const bool backup = s.UseBackup != 0;
    if (connection_->Connect(backup ? s.DSN2 : s.DSN, backup ? s.DSNuser2 : s.DSNuser,
                             backup ? s.DSNpw2 : s.DSNpw)) {
      reconnect_ = false;
    }
  }

  // 3. Not followed: only the process table hears of it.
  if (slot.Tracking == 0) {
    Report(0, "", "");
    Idle(kNotTrackingWaitMs);
    return PassEnd::Next;
  }

  // 4, 5. The SW folder.
  const std::string& sw = rip.RIPswPath;
  if (!ReachSwFolder(rip)) {
    if (rt_.Stopping()) return PassEnd::Next;
    const std::string error =
        "Unable to access RIP" + std::to_string(rip_.Number().value) + " SW folder " + sw;
    rt_.errors.SetErrorState(1, error);
    rt_.alerts.NetworkFailed(sw, error);
    if (s.StopOnError != 0) {
      slot.Tracking = 0;
      rt_.display.SetRipLamp(rip_, RipLamp::Status, Lamp::Red);
      rt_.display.SetRipSwitch(rip_, false, rip.UseRIP != 0);
      SetStatus("Stopped (folder error)");
    } else {
      SetStatus("Connection error..");
    }
    Report(2, "", kNoContact);
    return PassEnd::Next;
  }

  rt_.alerts.NetworkRestored(sw);

  // 6. The progress of the job being ripped.
  SetStatus("Idle");
  ShowProgress(sw);

  // 7, 8. Whether the RIP runs and takes jobs.
  const std::string logPath = riplog::VelloraLogPath(sw);
  const bool running = IsRipRunning(s, sw);
  DecideInputOpen(s, running, logPath);

  // 9. What is new in the log.
  int64_t stored = 0;
  const unsigned reloads = reload_.CountAndLoad(pointer_, stored);
  if (reloads != reloadSeen_) {
    pointer_.Forget();
    stored = 0;
  }
  slot.LogPointer = stored;
  riplog::LogText text =
      riplog::ReadNewLogText(logPath, stored, riplog::ReadRule::Vellora(s.MaxLogFileReadSize));
  if (text.failure == riplog::ReadFailure::OpenFailed) {
    if (!Idle(kLogOpenFailureWaitMs)) return PassEnd::Next;
    Report(2, "", kNoContact);
    return PassEnd::Next;
  }
  if (text.failure == riplog::ReadFailure::AllocationFailed) {
    rt_.errors.SetErrorState(1, "Memory allocation error");
    return PassEnd::AllocationFailed;
  }
  reloadSeen_ = reloads;

  // 10. The lines (none when the read failed).
  int64_t pointer = text.pointer;
  if (text.ok()) pointer = ReadLines(text, stored, s);

  // 11. The job state.
  ShowJobState(running, sw);

  // 12. The position for the next pass.
  SavePointer(pointer);
  slot.LogPointer = pointer;
  text = riplog::LogText();  // the buffer is not kept through the wait
  Idle(kPassWaitMs);
  return PassEnd::Next;
}

}  // namespace vellora::riptrack
